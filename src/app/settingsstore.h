#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QVariant>

class QSettings;

// Keeps the settings store whole, and writes it only when a key changed. QSettings
// takes a lock beside its file, syncs it and makes a copy at every sync of an object
// that set a key, changed or not, even when the format then refuses the write. So while
// the store is held, QSettings() keeps the keys in memory alone, and the store writes its
// file itself: once for what is set together, and not at all when no key changed.
// Of the file, QSettings keeps what it last read: a store that vanished, or stood behind
// a folder for a while, is written whole from the keys in memory, the file is read back
// to see that it holds them all as written, and after a failure every key is written
// again at the next save. A key removed while saves fail comes back with them: losing one
// key is the lesser harm.
class SettingsStore
{
public:
    SettingsStore();
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // From now on, until this goes, QSettings() reads and sets the keys in memory, which
    // start as the file holds them, and only WriteIfChanged writes the file. When this
    // goes, keys set since the last save are written.
    void Hold();

    // The store's file.
    QString FileName() const;

    // Why the file could not be read, empty when it was: the program then runs on the
    // defaults and never writes over it.
    QString Unread() const;

    // True once for each change of the keys in memory since the last call or save.
    bool TakeChange();

    // Writes the file when it does not hold the text of every key: a key changed, the
    // file has gone, or a save failed; nothing is written, not even a lock, otherwise.
    // Empty when the file holds every key, otherwise "<file> (<reason>)".
    QString WriteIfChanged();

    using Keys = QMap<QString, QVariant>;

private:
    // Sets again each key held at the last whole save that keys lacks.
    void TakeBack(QSettings& settings, Keys& keys) const;

    bool bHolding = false;
    Keys held;  // every key, as the last whole save wrote it
    bool bHeld = false;
    QByteArray seen;  // the text of the keys in memory when last looked at
};
