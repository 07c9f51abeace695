#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

// The receiver set-up sequences as data: each is built as a list of commands from a
// plain record of the values it needs, and one sender of the main window hands the
// list to the port. Building sends nothing, so the bytes can be checked without a port.

// One command as SendGpsMessage takes it: without checksum and line end.
struct ReceiverCommand
{
    QByteArray bytes;
    bool bWait = false;       // through SendCommandAndWait rather than SendGpsMessage
    int pauseBeforeMs = 0;    // a fixed pause of its own, beside the one after every command
    int pauseAfterMs = 0;

    bool operator==(const ReceiverCommand&) const = default;
};
using ReceiverCommandList = QList<ReceiverCommand>;

// The receiver-parameter values a set-up reads, as the parameter dialog holds them.
struct ReceiverParameters
{
    int gpsMode = 0;                 // 0 3-D, 1 2-D, 2 0-D position hold
    bool bRxOnLocalTime = false;
    bool bEmulatePvt6 = false;
    int ppsRate = 0;                 // 0 one pulse a second, 1 a hundred
    int ppsDuration = 0;             // 0 normal pulse, else short
    int elevationMask = 10;          // degrees
    int ionosphericDelay = 1;        // 0 corrected
    int troposphericDelay = 1;       // 0 corrected
    int positionFixMode = 0;
    int satelliteSelection = 0;
    int geometryButton = 1;
    int applicationType = 4;         // 0 air, 1 hand-held, 2 land, 3 marine, 4 static
    int alignMessages = 0;
    bool bDgpsActivate = false;
    int dgpsRate = 1;                // seconds
    uint32_t satelliteEnableMask = 0xFFFFFFFFu;  // bit n-1 for PRN n
    bool bSatGps = true;
    bool bSatGlonass = false;
    bool bSatGalileo = false;
    bool bSatBeidou = false;
    bool bSatQzss = false;
    bool bSatSbas = false;
    int navigationStatus = -1;       // 0 navigating, 1 position hold, 2 surveying
};

// Everything a sequence is built from, and the state it leaves behind. The builders
// read the inputs and update the state and effects; the main window gathers the
// inputs first and applies the rest after building.
struct ReceiverSetup
{
    // ---- Inputs ----
    int portMode = 2;                // GpsPortMode
    int receiverModel = 24;          // ReceiverModelCode
    int channelCountReported = -1;   // the second channel count, as the receiver answered
    bool bHasTraim = false;
    double ppsOffsetUs = 0.0;        // us after the second: makes the 1PPS late
    double cableDelayNs = 0.0;       // ns, cables and receiver: makes the 1PPS early
    double traimLimitNs = 0.0;       // ns; 0 or less switches T-RAIM off
    bool bTraimConditioned = false;  // the "kill 1pps on fail" switch
    ReceiverParameters rx;
    double refLatitude = 0.0;        // degrees, north positive
    double refLongitude = 0.0;       // degrees, east positive
    double refHeight = 0.0;          // metres above the WGS-84 ellipsoid
    QDateTime pcUtc;                 // the PC clock, for the time aid
    int localTimeOffsetMinutes = 0;  // local time minus UTC, for a receiver on local time

    // ---- State kept between set-ups, updated by the builders ----
    int channelCount = -1;           // the count the commands are built for
    std::array<uint8_t, 5> traimParameters = {0, 0, 10, 0, 1};
    uint8_t ppsRateSent = 0;
    uint8_t ppsDurationSent = 0;

    // ---- Effects for the main window to apply ----
    std::optional<int> epochOffsetMs;     // the offsets sent, for the displayed clock
    std::optional<uint32_t> ppsOffsetNs;
    std::optional<uint32_t> cableDelayNsSent;
    bool bConfigReplyPending = false;     // the next configuration reply is shown
    std::optional<bool> bLocalTimeNote;   // ", Local Time Mode" added (true) or removed
    std::optional<bool> bPvt6Note;        // ", PVT6 Mode" added (true) or removed
    bool bPositionHoldChosen = false;     // the surveying receiver is put on position hold
};

namespace InitSequences {

// The notes the set-up puts at the end of the status-bar label.
extern const QString kLocalTimeModeNote;
extern const QString kPvt6ModeNote;
// The label with the note added at its end (once) or with every copy of it taken out.
QString WithStatusNote(const QString& label, const QString& note, bool bPresent);

// Receivers that take the 12-channel commands (model 20 too, although it has 8).
bool InTwelveChannelGroup(int receiverModel);
// Receivers that take the 1PPS offset in nanoseconds alone.
bool InTimingGroup(int receiverModel);

// The T-RAIM command for the channel count, from the five T-RAIM parameter bytes.
QByteArray MakeTraimCommand(int channelCount, const std::array<uint8_t, 5>& traimParameters);

// A UBX frame without its checksum.
QByteArray UbxFrame(uint8_t msgClass, uint8_t msgId, const QByteArray& payload);

// The reference location in WGS-84 Earth-centred coordinates, in whole centimetres.
std::array<int32_t, 3> EarthCentredCm(double latitudeDeg, double longitudeDeg, double heightM);

ReceiverCommandList BuildTimingParameters(ReceiverSetup& setup);
ReceiverCommandList BuildDateTime(ReceiverSetup& setup);
ReceiverCommandList BuildReceiverPosition(const ReceiverSetup& setup);
ReceiverCommandList BuildInitializeReceiver(ReceiverSetup& setup);

}  // namespace InitSequences
