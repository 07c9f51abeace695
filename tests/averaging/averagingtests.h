#pragma once

#include "receiverinfo.h"
#include "testsupport.h"

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
