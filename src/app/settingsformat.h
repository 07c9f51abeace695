#pragma once

#include <QByteArray>
#include <QSettings>

#include <optional>

// The settings file, written whole or not at all. Qt 6.4 renames a copy that a full
// disk or a file-size limit cut short over the store, and reports success; this format
// hands QSettings the same text its own writes, then checks that every byte reached the
// copy and that the copy reads back as the keys given, so that a failed write leaves the
// store as it was and is reported as failed. Reading is QSettings's own.
namespace SettingsFormat {

// Registered at the first call; set as the default format before the first key is read
// (QSettings() takes the default format).
QSettings::Format Whole();

// The text of the store holding keys, as QSettings's own format writes it.
QByteArray Text(const QSettings::SettingsMap& keys);

// The keys of the file open as fd, read by QSettings's own reader; nothing when it
// cannot be read.
std::optional<QSettings::SettingsMap> ReadOpenFile(int fd);

}  // namespace SettingsFormat
