#pragma once

#include <QByteArray>
#include <QSettings>
#include <QString>

#include <optional>

// The settings file, written whole or not at all. Qt 6.4 renames a copy that a full
// disk or a file-size limit cut short over the store, and reports success; this format
// writes QSettings's own ini text and checks that every byte reached the copy before
// QSettings renames it, so that a failed write leaves the store as it was and is
// reported as failed. Nor does it write a store that was removed while the program ran
// with only the keys set since, one that could not be read, or one that already holds
// the text. Reading is QSettings's own. No folder but the store's own is touched.
namespace SettingsFormat {

// Registers the format at the first call and returns it; set as the default format
// before the first key is read (QSettings() takes the default format).
QSettings::Format Register();

// Why the store at path could not be read when last tried, empty when it was: it is then
// never written over.
QString Unread(const QString& path);

// Says the store at path not read when QSettings, whose last read gave status, could not
// open it or even look at it: QSettings hands the reader only a file it could open, and
// takes one behind a folder that may not be searched for none at all.
void NoteUnopened(const QString& path, QSettings::Status status);

// The text QSettings's ini format writes for keys.
QByteArray IniText(const QSettings::SettingsMap& keys);

// The keys QSettings's ini reader reads from text, the text of the store at store;
// nothing, and why, when it refuses the text or cannot be given it. The reader reads
// files by name only: it is given a file in memory, or where that cannot be reached by a
// path, a copy beside the store, removed at once.
std::optional<QSettings::SettingsMap> ReadText(const QByteArray& text, const QString& store, QString* why);

// The path that reaches the file in memory with descriptor fd (/proc/self/fd/<fd>).
// Tests point it elsewhere to read as where /proc is not mounted.
extern QString (*InMemoryPath)(int fd);

}  // namespace SettingsFormat
