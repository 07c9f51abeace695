#pragma once

#include "../rxconfig/widgetlookup.h"
#include "averagingengine.h"
#include "receiverinfo.h"
#include "testsupport.h"
#include "utcdatetime.h"

#include <QDialog>
#include <QPushButton>
#include <QSettings>
#include <QTimer>

#include <cmath>
#include <functional>

// Each averaging test starts from an empty store and a receiver that keeps DOP
// weighting (the Motorola binary default would switch it off at every reset).
inline void StartAveragingTest()
{
    receiverInfo = ReceiverInfo();
    receiverInfo.gpsPortMode = GpsPortModeUbloxUbx;
    TestSupport::ClearSettings();
}

inline void EndAveragingTest()
{
    receiverInfo = ReceiverInfo();
}

// A key of the averaging settings group.
inline QString Stored(const QString& key)
{
    return QSettings().value(QStringLiteral("GpsNavDialog/Averaging Data/") + key).toString();
}

inline void Store(const QString& key, const QVariant& value)
{
    QSettings().setValue(QStringLiteral("GpsNavDialog/Averaging Data/") + key, value);
}

inline UtcDateTime At(int hour, int minute, int second)
{
    UtcDateTime time;
    time.SetDateTime(QDateTime(QDate(2024, 7, 1), QTime(hour, minute, second), Qt::UTC));
    return time;
}

// Runs the dialog, lets act() work on it while it is open, then presses the button.
inline int RunDialog(QDialog& dialog, const std::function<void()>& act, const char* button)
{
    QTimer::singleShot(0, &dialog, [&] {
        act();
        Child<QPushButton>(&dialog, button)->click();
    });
    return dialog.exec();
}

// No average, mean square or RMS of the engine is NaN or infinite.
inline bool AllFinite(const AveragingEngine& engine)
{
    bool finite = std::isfinite(engine.averagedLat) && std::isfinite(engine.averagedAltGps)
        && std::isfinite(engine.tsigmaAverage);
    for (const auto& component : engine.errorTerms) {
        for (const auto& term : component)
            finite = finite && std::isfinite(term.meanSquare) && std::isfinite(term.rms);
    }
    return finite;
}
