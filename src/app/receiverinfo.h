#pragma once

#include <QString>
#include <cstdint>

// Interface modes of the receiver port: they choose the framing and the decoder.
enum GpsPortMode : int {
    GpsPortModeMotorolaLoran = 0,
    GpsPortModeMotorolaNmea = 1,
    GpsPortModeMotorolaBinary = 2,
    GpsPortModeMotorolaBinaryRxOnly = 3,
    GpsPortModeGenericNmea = 6,
    GpsPortModeUbloxUbx = 9,
    GpsPortModeUbloxNmea = 10,
    GpsPortModeSearch = 11,
};

// Receiver model codes; 24 until the receiver has been identified.
enum ReceiverModelCode : int {
    ReceiverModelGenericNmea = 14,
    ReceiverModelUblox = 19,
    ReceiverModelUnidentified = 24,
};

// What the program knows of the attached receiver. One record for the whole program:
// receiver search and identification write it, everything else reads it.
struct ReceiverInfo
{
    int receiverModel = ReceiverModelUnidentified;
    double firmwareVersion = 0.0;       // 0.0 until identified
    QString firmwareVersionText;
    int channelCount = -1;              // 6, 8, 12 or 16; -1 unknown
    int channelCountReported = -1;      // the second count, set with the first
    bool bHasDgps = false;
    bool bHasTraim = false;
    bool bPlusVariant = false;
    int gpsPortMode = GpsPortModeMotorolaBinary;

    // Back to "nothing identified", keeping the port mode.
    void ResetIdentity();
};

extern ReceiverInfo receiverInfo;
extern ReceiverInfo* const pReceiverInfo;

// The 1PPS rate and duration last sent to a u-blox receiver; 0 at start.
extern uint8_t ppsRateSent;
extern uint8_t ppsDurationSent;
