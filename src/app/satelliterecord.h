#pragma once

#include <cstdint>

// One satellite as the decoders last reported it. Records are copied whole; a record
// with prn 0 is empty.
struct SatelliteRecord
{
    int prn = 0;             // satellite number, 0 = empty
    int elevation = 0;       // degrees, 0 to 90
    int azimuth = 0;         // degrees, 0 to 359
    int signalLevel = 0;
    bool bTracked = false;
    uint8_t channelState = 0;   // tracking state 0 ("Code Search") to 8 ("Available")
    int8_t statusFlags = 0;     // bit 7: used in the fix
    int elevationTrend = 0;     // +1 rising, -1 falling, 0 not yet known
};
