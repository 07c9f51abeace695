#pragma once

#include "averagingengine.h"
#include "receiverinfo.h"
#include "testsupport.h"

#include <cmath>

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
