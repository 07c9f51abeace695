#pragma once

#include <QByteArray>
#include <QSettings>

#include <optional>

// The settings file, written whole or not at all. Qt 6.4 renames a copy that a full
// disk or a file-size limit cut short over the store, and reports success; this format
// has QSettings's own ini format write the text, and checks that every byte reached the
// copy before QSettings renames it, so that a failed write leaves the store as it was
// and is reported as failed. Nor does it write a store that was removed while the
// program ran with only the keys set since, one that could not be read, or one that
// already holds the text. Reading is QSettings's own.
namespace SettingsFormat {

// Registers the format at the first call and returns it; set as the default format
// before the first key is read (QSettings() takes the default format).
QSettings::Format Register();

// Whether the store at path could not be read when last tried: it is then never
// written over.
bool Unread(const QString& path);

// The text QSettings's ini format writes for keys; nothing when it could not be had
// whole (a full disk, a file-size limit).
std::optional<QByteArray> IniText(const QSettings::SettingsMap& keys);

}  // namespace SettingsFormat
