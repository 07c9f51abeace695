#include "settingsformat.h"

#include <QFile>
#include <QFileDevice>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What the store at a path held when last read or written whole: its keys and its text.
struct Known
{
    QSettings::SettingsMap keys;
    QByteArray text;
};

QMap<QString, Known>& KnownStores()
{
    static QMap<QString, Known> known;
    return known;
}

// The stores whose last read failed, and why: the keys held are then not all there are,
// and writing them would cut the store.
QMap<QString, QString>& UnreadStores()
{
    static QMap<QString, QString> unread;
    return unread;
}

bool ReadStore(QIODevice& device, QSettings::SettingsMap& keys)
{
    auto* file = qobject_cast<QFileDevice*>(&device);
    if (!file)
        return false;
    const QByteArray bytes = file->readAll();
    QString why = file->error() == QFileDevice::NoError ? QString() : file->errorString();
    const std::optional<QSettings::SettingsMap> read =
        why.isEmpty() ? SettingsFormat::ReadText(bytes, file->fileName(), &why) : std::nullopt;
    if (!read) {
        UnreadStores().insert(file->fileName(), why);
        return false;
    }
    UnreadStores().remove(file->fileName());
    keys = *read;
    KnownStores().insert(file->fileName(), {keys, bytes});
    return true;
}

// A store removed while the program runs leaves QSettings with the keys set since it
// last read the file: written, they would be the whole store. Such a write is refused,
// and the keys held are set again before the next (SettingsStore).
bool CutByRemoval(const QString& path, const QSettings::SettingsMap& keys)
{
    const auto last = KnownStores().constFind(path);
    if (last == KnownStores().cend() || QFileInfo::exists(path))
        return false;
    return std::any_of(last->keys.keyBegin(), last->keys.keyEnd(),
                       [&keys](const QString& key) { return !keys.contains(key); });
}

// The errno of a look at the path, 0 when it can be seen.
int LookError(const QString& path)
{
    struct stat st = {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? 0 : errno;
}

std::optional<QByteArray> BytesAt(const QString& path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

// Writes the copy that QSettings renames over the store once this returns true, and
// reads it back.
bool WriteCheckedCopy(QIODevice& device, const QSettings::SettingsMap& keys)
{
    auto* file = qobject_cast<QFileDevice*>(&device);
    if (!file)
        return false;
    const QString path = file->fileName();
    if (!SettingsFormat::Unread(path).isEmpty() || CutByRemoval(path, keys))
        return false;
    // QSettings writes at every setValue, changed or not. Keys that make the text the
    // store holds are not written: refused, they stay pending in QSettings and go with
    // the next change.
    const QByteArray text = SettingsFormat::IniText(keys);
    const auto known = KnownStores().find(path);
    if (known != KnownStores().end() && text == known->text && BytesAt(path) == known->text) {
        known->keys = keys;  // the same text, in the types set in this run
        return false;
    }
    if (file->write(text) != text.size() || !file->flush())
        return false;
    // What the system says it took may still not be there: read it back from the disk's side.
    QByteArray written(text.size() + 1, '\0');
    if (pread(file->handle(), written.data(), written.size(), 0) != text.size() || written.first(text.size()) != text)
        return false;
    KnownStores().insert(path, {keys, text});
    UnreadStores().remove(path);
    return true;
}

}  // namespace

namespace SettingsFormat {

QString Unread(const QString& path)
{
    // A store removed is read no more; one behind a folder that may not be searched still is.
    return LookError(path) == ENOENT ? QString() : UnreadStores().value(path);
}

void NoteUnopened(const QString& path, QSettings::Status status)
{
    // The reader's own refusal is said in its words.
    if (status == QSettings::FormatError || QFileInfo(path).isDir())
        return;
    const int look = LookError(path);
    if (look != 0 && look != ENOENT && look != ENOTDIR) {
        UnreadStores().insert(path, qt_error_string(look));
        return;
    }
    QFile store(path);
    if (status == QSettings::AccessError && QFileInfo(path).isFile() && !store.open(QIODevice::ReadOnly))
        UnreadStores().insert(path, store.errorString());
}

QSettings::Format Register()
{
    static const QSettings::Format format =
        QSettings::registerFormat(QStringLiteral("conf"), ReadStore, WriteCheckedCopy);
    return format;
}

}  // namespace SettingsFormat
