#include "settingsstore.h"

#include "settingsformat.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <unistd.h>

namespace {

// While held, QSettings() names a file in a folder whose name is longer than any file
// system takes: nothing can be made there, so QSettings keeps the keys it is given in
// memory, never reads a file for them, and never takes its lock.
QString InMemoryFolder()
{
    return QStringLiteral("/settings-held-in-memory-") + QString(NAME_MAX, QLatin1Char('x'));
}

// The store's file and the keys in memory while a store holds them; shared by every
// store that holds at once, and given back when the last goes.
struct Held
{
    std::unique_ptr<QSettings> file;    // the store's own file, read and written by QSettings
    std::unique_ptr<QSettings> memory;  // what QSettings() reads and sets meanwhile
    QString userFolder;                 // where QSettings() finds the file again afterwards
    int holders = 0;
};

Held& Shared()
{
    static Held held;
    return held;
}

SettingsStore::Keys Snapshot(const QSettings& settings)
{
    SettingsStore::Keys keys;
    for (const QString& key : settings.allKeys())
        keys.insert(key, settings.value(key));
    return keys;
}

// Why a store could not be written whole: QSettings says at most that it could not.
QString WriteFailure(const QString& fileName, QSettings::Status status, qint64 wholeSize)
{
    const QFileInfo info(fileName);
    const QString unread = SettingsFormat::Unread(fileName);
    if (!unread.isEmpty())
        return unread;
    if (info.isDir())
        return QStringLiteral("a folder stands at its path");
    if (info.exists() && !info.isWritable())
        return QStringLiteral("not writable");
    // As much as the whole store, written as the store is into a copy that is thrown
    // away. Unbuffered, a write that the system cuts short is seen, and the next one
    // says why.
    QSaveFile probe(fileName);
    if (!probe.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return probe.errorString();
    // A save holds two descriptors at once, the lock beside the store and the copy: under
    // an open-file limit the second is refused, and QSettings says only that it failed.
    const int second = ::fcntl(probe.handle(), F_DUPFD_CLOEXEC, 0);
    if (second < 0) {
        const QString reason = qt_error_string(errno);
        probe.cancelWriting();
        return reason;
    }
    ::close(second);
    QFile current(fileName);
    QByteArray bytes = info.isFile() && current.open(QIODevice::ReadOnly) ? current.readAll() : QByteArray();
    if (bytes.size() < wholeSize + 1)
        bytes.append(wholeSize + 1 - bytes.size(), '\n');
    for (qint64 done = 0; done < bytes.size();) {
        const qint64 n = probe.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0) {
            const QString reason = probe.errorString();
            probe.cancelWriting();
            return reason;
        }
        done += n;
    }
    probe.cancelWriting();
    if (status == QSettings::FormatError)
        return QStringLiteral("its text is not in the settings form");
    return status == QSettings::NoError ? QStringLiteral("written incomplete") : QStringLiteral("it cannot be written");
}

// The bytes of the store as it stands; nothing when it is no regular file or cannot
// be read, empty when there is none. A FIFO at the path is not opened: it would hold
// the window until a writer came.
std::optional<QByteArray> StoredBytes(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return QByteArray();
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

}  // namespace

SettingsStore::SettingsStore() = default;

SettingsStore::~SettingsStore()
{
    if (!bHolding)
        return;
    Held& shared = Shared();
    if (--shared.holders > 0)
        return;
    // Keys set since the last save; a failed write leaves them pending in QSettings,
    // which writes them at its next sync.
    WriteIfChanged();
    QSettings::setPath(shared.file->format(), QSettings::UserScope, shared.userFolder);
    shared.memory.reset();
    shared.file.reset();
}

void SettingsStore::Hold()
{
    if (bHolding)
        return;
    bHolding = true;
    Held& shared = Shared();
    if (shared.holders++ == 0) {
        // Only the program's own file: keys a system-wide file adds are never written here.
        shared.file = std::make_unique<QSettings>();
        shared.file->setFallbacksEnabled(false);
        // A store that could not be read is no store of defaults: the keys held would be
        // written over the operator's once it can be. A folder at its path holds no keys,
        // and is said as not writable.
        SettingsFormat::NoteUnopened(shared.file->fileName(), shared.file->status());
        // <folder>/<organisation>/<application>.conf
        shared.userFolder = QFileInfo(QFileInfo(shared.file->fileName()).path()).path();
        QSettings::setPath(shared.file->format(), QSettings::UserScope, InMemoryFolder());
        shared.memory = std::make_unique<QSettings>();
        shared.memory->setFallbacksEnabled(false);
        const Keys keys = Snapshot(*shared.file);
        for (auto it = keys.cbegin(); it != keys.cend(); ++it)
            shared.memory->setValue(it.key(), it.value());
    }
    seen = SettingsFormat::IniText(Snapshot(*shared.memory));
}

QString SettingsStore::FileName() const
{
    const Held& shared = Shared();
    return shared.file ? shared.file->fileName() : QSettings().fileName();
}

QString SettingsStore::Unread() const
{
    return SettingsFormat::Unread(FileName());
}

bool SettingsStore::TakeChange()
{
    const Held& shared = Shared();
    if (!bHolding || !shared.memory)
        return false;
    const QByteArray text = SettingsFormat::IniText(Snapshot(*shared.memory));
    if (text == seen)
        return false;
    seen = text;
    return true;
}

void SettingsStore::TakeBack(QSettings& settings, Keys& keys) const
{
    for (auto it = held.cbegin(); it != held.cend(); ++it) {
        if (!keys.contains(it.key())) {
            settings.setValue(it.key(), it.value());
            keys.insert(it.key(), it.value());
        }
    }
}

QString SettingsStore::WriteIfChanged()
{
    const Held& shared = Shared();
    if (!bHolding || !shared.file)
        return QString();
    QSettings& file = *shared.file;
    const QString path = file.fileName();
    // Never written over: what it holds is not known.
    const QString unread = SettingsFormat::Unread(path);
    if (!unread.isEmpty())
        return QStringLiteral("%1 (%2)").arg(path, unread);
    Keys keys = Snapshot(*shared.memory);
    if (bHeld && !held.isEmpty() && !QFileInfo::exists(path))
        TakeBack(*shared.memory, keys);
    // Nothing is written while the file holds the text of every key.
    const QByteArray whole = SettingsFormat::IniText(keys);
    seen = whole;
    if (StoredBytes(path) != whole) {
        // Every key set again: QSettings writes what it last read of the file with the
        // keys set since, and what it read may be nothing.
        for (const QString& key : file.allKeys()) {
            if (!keys.contains(key))
                file.remove(key);
        }
        for (auto it = keys.cbegin(); it != keys.cend(); ++it)
            file.setValue(it.key(), it.value());
        file.sync();
    }
    if (StoredBytes(path) != whole)
        return QStringLiteral("%1 (%2)").arg(path, WriteFailure(path, file.status(), whole.size()));
    held = keys;
    bHeld = true;
    return QString();
}
