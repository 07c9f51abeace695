#pragma once

#include <QByteArray>
#include <QSettings>

// The settings file, written whole or not at all. Qt 6.4 renames a copy that a full
// disk or a file-size limit cut short over the store, and reports success; this format
// writes a text that QSettings's own reader reads back as the keys given, and checks
// that every byte reached the copy before QSettings renames it, so that a failed write
// leaves the store as it was and is reported as failed. Nor does it write a store that
// was removed while the program ran with only the keys set since. Reading is QSettings's
// own.
namespace SettingsFormat {

// Registered at the first call; set as the default format before the first key is read
// (QSettings() takes the default format).
QSettings::Format Whole();

// The text of the store holding keys, in QSettings's own ini form.
QByteArray Text(const QSettings::SettingsMap& keys);

}  // namespace SettingsFormat
