#pragma once

// A main window whose logs go to a temporary folder, driven second by second, and the
// reading of what reached its files.

#include "../decode/decodetests.h"
#include "pctime.h"

#include <QDir>
#include <QTemporaryDir>

#include <memory>

inline QDateTime Utc(int y, int mo, int d, int h, int mi, int s) { return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC); }

// A main window whose logs go to a temporary folder, with the PC clock held still.
class LogWindow
{
public:
    // The PC clock stands at 31 December 2024, 23:59:58 UTC; the keys are set before the
    // window reads them.
    explicit LogWindow(const QHash<QString, QVariant>& keys = {})
    {
        TestSupport::ClearSettings();
        receiverInfo = ReceiverInfo();
        PcTime::SetFixedUtc(Utc(2024, 12, 31, 23, 59, 58));
        Set("LogFiles/GPSLogFolder", dir.path());
        Set("LogFiles/TicLogFolder", dir.path());
        for (auto it = keys.begin(); it != keys.end(); ++it)
            Set(it.key(), it.value());
        w = std::make_unique<MainWindow>();
        w->bGpsSearchActive = false;
        w->commandPauseMs = 0;
        w->playTickSound = [](QSoundEffect&) {};
    }
    ~LogWindow() { PcTime::SetFixedUtc(QDateTime()); }

    static void Set(const QString& key, const QVariant& value) { QSettings().setValue(key, value); }

    // One second of the receiver, the PC clock in step: its time, then the log step and
    // the clock shown (which tags the TIC lines), as a time message with no tick waiting.
    void Second(const QDateTime& utc)
    {
        PcTime::SetFixedUtc(utc);
        w->receiverTime.SetDateTime(utc);
        w->LogStatusRecord();
        w->UpdateClockDisplay();
    }

    QByteArray Read(const QString& name) const
    {
        QFile file(dir.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    QStringList Files() const { return QDir(dir.path()).entryList(QDir::Files, QDir::Name); }

    QTemporaryDir dir;
    std::unique_ptr<MainWindow> w;
};

// The lines of a log that are not header or trailer lines.
inline QList<QByteArray> DataLines(const QByteArray& log)
{
    QList<QByteArray> lines = log.split('\n');
    lines.removeIf([](const QByteArray& line) { return line.isEmpty() || line.startsWith(';'); });
    return lines;
}
