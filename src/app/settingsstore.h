#pragma once

#include <QMap>
#include <QString>
#include <QVariant>

#include <memory>

class QSettings;

// Keeps the settings store whole. QSettings writes the keys it holds, and of the file it
// holds what it last read: a store that vanished, or stood behind a folder for a while,
// leaves it with only the keys changed since. So a save writes every key the program
// holds, the file is read back to see that it holds them all as written, and after a failure the
// keys held before it are set again until a save succeeds. A key removed while saves
// fail comes back with them: losing one key is the lesser harm.
class SettingsStore
{
public:
    SettingsStore();
    ~SettingsStore();

    // From now on, until this goes, the store is written by WriteIfChanged only: each
    // save, each OK, writes it once.
    void Hold();

    // Writes the store when the file does not hold the text of every key: a key changed,
    // the file has gone, or a save failed; nothing is written otherwise. Empty when the
    // file holds every key, otherwise "<file> (<reason>)".
    QString WriteIfChanged(QSettings& settings);

    using Keys = QMap<QString, QVariant>;

private:
    // Sets again each key held at the last whole save that keys lacks.
    void TakeBack(QSettings& settings, Keys& keys) const;

    std::unique_ptr<QSettings> keeper;  // keeps the keys set and not yet saved
    Keys held;  // every key, as the last whole save wrote it
    bool bHeld = false;
};
