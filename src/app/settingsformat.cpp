#include "settingsformat.h"

#include <QDir>
#include <QFile>
#include <QFileDevice>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>

#include <algorithm>
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

// The stores whose last read failed: the keys held are then not all there are, and
// writing them would cut the store.
QSet<QString>& UnreadStores()
{
    static QSet<QString> unread;
    return unread;
}

// A path never given to QSettings before, in a folder of the program's own: QSettings
// keeps what it read of each path, and trusts what it kept while the file there has the
// same size and time.
QString FreshPath()
{
    static const QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/horalux-settings-XXXXXX"));
    static quint64 used = 0;
    return dir.isValid() ? dir.filePath(QString::number(++used)) : QString();
}

// Once the file at a fresh path is gone, QSettings forgets the path when the object
// goes, instead of keeping it among the files it caches: there, each would push out one
// that is still wanted, the store's own with the keys not yet written among them.
void Forget(QSettings& settings, const QString& path)
{
    QFile::remove(path);
    settings.sync();
}

std::optional<QSettings::SettingsMap> ReadAt(const QString& path)
{
    QSettings read(path, QSettings::IniFormat);
    std::optional<QSettings::SettingsMap> keys;
    if (QFileInfo(path).isFile() && read.status() == QSettings::NoError) {
        keys.emplace();
        for (const QString& key : read.allKeys())
            keys->insert(key, read.value(key));
    }
    Forget(read, path);
    return keys;
}

// QSettings's reader takes a path. A link from a fresh path to the file open through
// /proc costs no copy, and reads on a full disk and under a file-size limit; without
// /proc, a copy is read.
std::optional<QSettings::SettingsMap> ReadOpen(QFileDevice& file, const QByteArray& bytes)
{
    const QString link = FreshPath();
    if (!link.isEmpty() && file.handle() >= 0
        && QFile::link(QStringLiteral("/proc/self/fd/%1").arg(file.handle()), link)) {
        if (auto keys = ReadAt(link))
            return keys;
    }
    const QString copyPath = FreshPath();
    QFile copy(copyPath);
    if (copyPath.isEmpty() || !copy.open(QIODevice::WriteOnly) || copy.write(bytes) != bytes.size() || !copy.flush()
        || copy.size() != bytes.size()) {
        QFile::remove(copyPath);
        return std::nullopt;
    }
    copy.close();
    return ReadAt(copyPath);
}

bool ReadStore(QIODevice& device, QSettings::SettingsMap& keys)
{
    auto* file = qobject_cast<QFileDevice*>(&device);
    if (!file)
        return false;
    const QByteArray bytes = file->readAll();
    const std::optional<QSettings::SettingsMap> read = ReadOpen(*file, bytes);
    if (!read) {
        UnreadStores().insert(file->fileName());
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
    if (SettingsFormat::Unread(path) || CutByRemoval(path, keys))
        return false;
    // QSettings writes at every setValue, changed or not. Keys that make the text the
    // store holds are not written: refused, they stay pending in QSettings and go with
    // the next change.
    const auto known = KnownStores().find(path);
    const bool bAsKnown = known != KnownStores().end() && BytesAt(path) == known->text;
    if (bAsKnown && keys == known->keys)
        return false;
    const std::optional<QByteArray> text = SettingsFormat::IniText(keys);
    if (!text)
        return false;
    if (bAsKnown && *text == known->text) {
        known->keys = keys;  // the same text, in the types set in this run
        return false;
    }
    if (file->write(*text) != text->size() || !file->flush())
        return false;
    // What the system says it took may still not be there: read it back from the disk's side.
    QByteArray written(text->size() + 1, '\0');
    if (pread(file->handle(), written.data(), written.size(), 0) != text->size() || written.first(text->size()) != *text)
        return false;
    KnownStores().insert(path, {keys, *text});
    UnreadStores().remove(path);
    return true;
}

}  // namespace

namespace SettingsFormat {

bool Unread(const QString& path)
{
    return UnreadStores().contains(path) && QFileInfo::exists(path);
}

QSettings::Format Register()
{
    static const QSettings::Format format =
        QSettings::registerFormat(QStringLiteral("conf"), ReadStore, WriteCheckedCopy);
    return format;
}

std::optional<QByteArray> IniText(const QSettings::SettingsMap& keys)
{
    const QString path = FreshPath();
    if (path.isEmpty())
        return std::nullopt;
    QSettings ini(path, QSettings::IniFormat);
    for (auto it = keys.cbegin(); it != keys.cend(); ++it)
        ini.setValue(it.key(), it.value());
    ini.sync();
    const std::optional<QByteArray> text =
        ini.status() == QSettings::NoError ? BytesAt(path) : std::nullopt;
    Forget(ini, path);
    if (!text || keys.isEmpty())
        return keys.isEmpty() ? QByteArray() : text;
    // QSettings renames a text cut short as if whole. One line per key, one per section
    // (the part before the first '/', or none), and a blank one between two sections:
    // a text cut anywhere lacks a line, or the end of its last.
    QSet<QStringView> sections;
    for (auto key = keys.keyBegin(); key != keys.keyEnd(); ++key)
        sections.insert(QStringView(*key).left(std::max<qsizetype>(key->indexOf(QLatin1Char('/')), 0)));
    if (!text->endsWith('\n') || text->count('\n') != keys.size() + 2 * sections.size() - 1)
        return std::nullopt;
    return text;
}

}  // namespace SettingsFormat
