#include "settingsstore.h"

#include "settingsformat.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <unistd.h>

namespace {

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
    if (!keeper)
        return;
    // Keys set since the last save are QSettings's again to write.
    SettingsFormat::HoldWrites(false);
    keeper->sync();
}

void SettingsStore::Hold()
{
    keeper = std::make_unique<QSettings>();
    SettingsFormat::HoldWrites(true);
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

QString SettingsStore::WriteIfChanged(QSettings& settings)
{
    // Only the program's own file: keys a system-wide file adds are never written here.
    settings.setFallbacksEnabled(false);
    const QString path = settings.fileName();
    Keys keys = Snapshot(settings);
    if (bHeld && !held.isEmpty() && !QFileInfo::exists(path))
        TakeBack(settings, keys);
    // Nothing is written while the file holds the text of every key.
    const QByteArray whole = SettingsFormat::IniText(keys);
    if (StoredBytes(path) != whole) {
        // Every key set again: QSettings writes what it last read of the file with the
        // keys set since, and what it read may be nothing.
        for (auto it = keys.cbegin(); it != keys.cend(); ++it)
            settings.setValue(it.key(), it.value());
        const SettingsFormat::Saving saving;
        settings.sync();
    }
    if (StoredBytes(path) != whole) {
        // Set now, so that whichever save comes first once the store can be written
        // again writes them all.
        TakeBack(settings, keys);
        return QStringLiteral("%1 (%2)").arg(path, WriteFailure(path, settings.status(), whole.size()));
    }
    held = keys;
    bHeld = true;
    return QString();
}
