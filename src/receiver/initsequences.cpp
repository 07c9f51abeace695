// The receiver set-up sequences, built as lists of commands.

#include "initsequences.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace InitSequences {

const QString kLocalTimeModeNote = QStringLiteral(", Local Time Mode");
const QString kPvt6ModeNote = QStringLiteral(", PVT6 Mode");

namespace {

constexpr int kModeMotorolaBinary = 2;
constexpr int kModeUbloxUbx = 9;
constexpr int kModeUbloxNmea = 10;

bool IsUblox(int mode)
{
    return mode == kModeUbloxUbx || mode == kModeUbloxNmea;
}

// A value from a dialog or the settings store may be anything: a NaN counts 0, and
// the rest is held inside the range before it is made whole.
int64_t Truncate(double value, int64_t lowest, int64_t highest)
{
    if (std::isnan(value))
        return 0;
    if (value <= static_cast<double>(lowest))
        return lowest;
    if (value >= static_cast<double>(highest))
        return highest;
    return static_cast<int64_t>(std::trunc(value));
}

int32_t TruncateInt32(double value)
{
    return static_cast<int32_t>(Truncate(value, std::numeric_limits<int32_t>::min(),
                                         std::numeric_limits<int32_t>::max()));
}

char Byte(int64_t value)
{
    return static_cast<char>(static_cast<uint8_t>(value & 0xFF));
}

void PutBigEndian(QByteArray& out, uint64_t value, int size)
{
    for (int shift = 8 * (size - 1); shift >= 0; shift -= 8)
        out.append(Byte(static_cast<int64_t>(value >> shift)));
}

void PutLittleEndian(QByteArray& out, uint64_t value, int size)
{
    for (int shift = 0; shift < 8 * size; shift += 8)
        out.append(Byte(static_cast<int64_t>(value >> shift)));
}

void PutZeros(QByteArray& out, int size)
{
    out.append(QByteArray(size, '\0'));
}

QByteArray Bytes(std::initializer_list<int64_t> bytes)
{
    QByteArray out;
    for (int64_t b : bytes)
        out.append(Byte(b));
    return out;
}

QByteArray Motorola(const char* id, std::initializer_list<int64_t> bytes = {})
{
    return QByteArray("@@") + id + Bytes(bytes);
}

ReceiverCommand Send(QByteArray bytes)
{
    return ReceiverCommand{std::move(bytes)};
}

ReceiverCommand SendAndWait(QByteArray bytes)
{
    ReceiverCommand cmd{std::move(bytes)};
    cmd.bWait = true;
    return cmd;
}

// The 1PPS offset in whole nanoseconds within the second.
uint32_t PpsOffsetNs(double offsetUs)
{
    const auto ns = static_cast<uint32_t>(Truncate(offsetUs * 1000.0 + 0.5, 0, UINT32_MAX));
    return ns % 1000000000u;
}

void AppendTraimCommands(ReceiverSetup& setup, ReceiverCommandList& list)
{
    const bool bTwelve = InTwelveChannelGroup(setup.receiverModel);
    const bool bShortPulse = setup.rx.ppsDuration != 0;
    if (!setup.bHasTraim) {
        if (bTwelve)
            list << Send(Motorola("Gc", {setup.bTraimConditioned ? (bShortPulse ? 6 : 2)
                                                                 : (bShortPulse ? 5 : 1)}));
        return;
    }
    const bool bOff = !(setup.traimLimitNs > 0.0);
    const uint8_t enable = bOff ? 0 : 1;
    int64_t limit = bOff ? 10 : Truncate(setup.traimLimitNs / 100.0, 0, 0xFFFF);
    const bool bConditioned = bOff || setup.bTraimConditioned;
    const uint8_t ppsControl = bConditioned ? (bShortPulse ? 7 : 3) : (bShortPulse ? 5 : 1);
    auto& traim = setup.traimParameters;
    traim[1] = enable;
    traim[2] = static_cast<uint8_t>(limit & 0xFF);
    traim[3] = static_cast<uint8_t>(limit >> 8);
    traim[4] = ppsControl;
    list << Send(MakeTraimCommand(setup.channelCount, traim));
    setup.bConfigReplyPending = true;
    if (!bTwelve)
        return;
    limit = std::clamp<int64_t>(limit, 3, 10000);
    traim[2] = static_cast<uint8_t>(limit & 0xFF);
    traim[3] = static_cast<uint8_t>(limit >> 8);
    list << Send(Motorola("Gc", {ppsControl})) << Send(Motorola("Ge", {enable}));
    QByteArray gf = Motorola("Gf");
    PutBigEndian(gf, static_cast<uint64_t>(limit), 2);
    list << Send(gf);
}

// The UBX time aid and position aid share one message; each fills its own fields.
QByteArray AidMessage(const QByteArray& head, int zerosAfterHead, uint32_t flags)
{
    QByteArray payload = head;
    PutZeros(payload, zerosAfterHead);
    PutLittleEndian(payload, flags, 4);
    return UbxFrame(0x0B, 0x01, payload);
}

// Both timing-mode messages: off, fixed at the reference position, or (2-D) the
// time-mode byte alone.
void AppendTimingMode(const ReceiverSetup& setup, ReceiverCommandList& list)
{
    const int mode = setup.rx.gpsMode;
    if (mode < 0 || mode > 2)
        return;
    QByteArray tmode;
    QByteArray tmode2;
    if (mode == 2) {
        const auto xyz = EarthCentredCm(setup.refLatitude, setup.refLongitude, setup.refHeight);
        PutLittleEndian(tmode, 2, 4);
        PutLittleEndian(tmode2, 2, 4);  // time mode, a reserved byte, ECEF flags
        for (int32_t v : xyz) {
            PutLittleEndian(tmode, static_cast<uint32_t>(v), 4);
            PutLittleEndian(tmode2, static_cast<uint32_t>(v), 4);
        }
        PutLittleEndian(tmode, 2, 4);    // variance, mm squared
        PutLittleEndian(tmode2, 2, 4);   // accuracy, 0.1 mm
        PutZeros(tmode, 8);
        PutZeros(tmode2, 8);
    } else {
        tmode = QByteArray(28, '\0');
        tmode[0] = static_cast<char>(mode == 1 ? 2 : 0);
        tmode2 = tmode;
    }
    list << Send(UbxFrame(0x06, 0x1D, tmode)) << Send(UbxFrame(0x06, 0x3D, tmode2));
}

QByteArray ConstellationChoice(const ReceiverParameters& rx)
{
    struct Block { uint8_t id, reserved, maximum; bool bEnabled; };
    const Block blocks[7] = {
        {0, 8, 16, rx.bSatGps},     {1, 1, 3, rx.bSatSbas},   {2, 0, 16, rx.bSatGalileo},
        {3, 8, 16, rx.bSatBeidou},  {4, 0, 16, false},        {5, 0, 3, rx.bSatQzss},
        {6, 8, 14, rx.bSatGlonass},
    };
    QByteArray payload("\x00\x00\x20\x07", 4);
    for (const Block& b : blocks) {
        const char block[8] = {Byte(b.id), Byte(b.reserved), Byte(b.maximum), 0,
                               Byte(b.bEnabled ? 1 : 0), 0, 1, 1};
        payload.append(block, 8);
    }
    return UbxFrame(0x06, 0x3E, payload);
}

QByteArray NavigationSettings(const ReceiverParameters& rx)
{
    static const uint8_t kDynamicModel[5] = {8, 3, 0, 5, 2};
    QByteArray payload;
    PutLittleEndian(payload, 0x0007, 2);
    const int type = rx.applicationType;
    payload.append(Byte(type >= 0 && type < 5 ? kDynamicModel[type] : 0));
    payload.append(Byte(3));
    PutZeros(payload, 8);
    payload.append(Byte(rx.elevationMask < 0 ? 0 : rx.elevationMask));
    PutZeros(payload, 23);
    return UbxFrame(0x06, 0x24, payload);
}

// Sent at the end of every set-up, to the Motorola receivers too.
void AppendClosingPair(ReceiverCommandList& list)
{
    QByteArray save;
    PutLittleEndian(save, 0, 4);
    PutLittleEndian(save, 0x0000FFFF, 4);
    PutLittleEndian(save, 0, 4);
    save.append(Byte(0x03));
    list << Send(UbxFrame(0x06, 0x09, save)) << Send(UbxFrame(0x06, 0x04, QByteArray(4, '\0')));
}

ReceiverCommandList BuildMotorolaInitialize(ReceiverSetup& setup)
{
    ReceiverCommandList list;
    const ReceiverParameters& rx = setup.rx;
    if (rx.bEmulatePvt6) {
        if (setup.channelCount != 6) {
            setup.channelCount = 6;
            setup.bPvt6Note = true;
        }
    } else if (setup.channelCount != setup.channelCountReported) {
        setup.channelCount = setup.channelCountReported;
        setup.bPvt6Note = false;
    }
    list << BuildDateTime(setup);

    const int channels = setup.channelCount;
    const bool bFewChannels = channels <= 11;
    const bool bFullSet = bFewChannels || setup.receiverModel == 23 || setup.receiverModel == 24;
    setup.ppsRateSent = static_cast<uint8_t>(rx.ppsRate);
    list << Send(Motorola("AP", {rx.ppsRate == 1 ? 1 : 0}));
    setup.ppsDurationSent = static_cast<uint8_t>(rx.ppsDuration);
    list << Send(Motorola("Gc", {rx.ppsDuration == 0 ? 1 : 5}));
    list << Send(Motorola("Ag", {rx.elevationMask}));
    if (!bFewChannels)
        list << Send(Motorola("Gd", {rx.gpsMode == 1 ? 2 : rx.gpsMode == 2 ? 1 : 0}));
    else
        list << Send(Motorola("At", {rx.gpsMode == 2 ? 1 : 0}))
             << Send(Motorola("Av", {rx.gpsMode == 1 ? 1 : 0}));
    const bool bIono = rx.ionosphericDelay == 0;
    const bool bTropo = rx.troposphericDelay == 0;
    list << Send(Motorola("Aq", {bIono && bTropo ? 3 : bIono ? 1 : bTropo ? 2 : 0}));
    if (bFullSet)
        list << Send(Motorola("Ar", {rx.positionFixMode == 0 ? 1 : 0}))
             << Send(Motorola("Ah", {rx.satelliteSelection != 0 ? 2 : 0}))
             << Send(Motorola("Aj", {rx.geometryButton}))
             << Send(Motorola("AB", {rx.applicationType}))
             << Send(Motorola("AE", {rx.alignMessages}));
    list << Send(Motorola("Bh", {rx.bDgpsActivate ? rx.dgpsRate : 0}));
    QByteArray am = Motorola("Am", {0});
    PutBigEndian(am, ~rx.satelliteEnableMask, 4);
    list << Send(am) << Send(Motorola("Hb", {0}));

    if (channels <= 7)
        list << Send(Motorola("Ba", {1})) << Send(Motorola("Bk", {1}));
    else if (channels == 8)
        list << SendAndWait(Motorola("Ea", {1})) << Send(Motorola("Ek", {1}));
    else if (channels >= 12)
        list << Send(Motorola("Ha", {1}));

    if (setup.receiverModel == 23 || setup.receiverModel == 24) {
        const int mask = (rx.bSatGps ? 0x01 : 0) | (rx.bSatGlonass ? 0x02 : 0)
                       | (rx.bSatGalileo ? 0x04 : 0) | (rx.bSatBeidou ? 0x08 : 0)
                       | (rx.bSatQzss ? 0x10 : 0) | (rx.bSatSbas ? 0x80 : 0);
        list << Send(Motorola("Sc", {mask == 0 ? 1 : mask}));
    }

    // T-RAIM off for every kind of receiver first; the real values follow with the
    // timing parameters, which the callers send.
    setup.traimParameters = {0, 0, 10, 0, 1};
    for (int count : {6, 8, 12})
        list << Send(MakeTraimCommand(count, setup.traimParameters));
    setup.traimParameters[0] = 1;
    list << SendAndWait(MakeTraimCommand(channels, setup.traimParameters));
    setup.bConfigReplyPending = true;
    AppendClosingPair(list);
    return list;
}

ReceiverCommandList BuildUbloxInitialize(ReceiverSetup& setup)
{
    ReceiverCommandList list;
    list << Send(NavigationSettings(setup.rx));
    list << BuildDateTime(setup);
    const auto rate = static_cast<uint8_t>(setup.rx.ppsRate);
    const auto duration = static_cast<uint8_t>(setup.rx.ppsDuration);
    if (rate != setup.ppsRateSent || duration != setup.ppsDurationSent) {
        setup.ppsRateSent = rate;
        setup.ppsDurationSent = duration;
        list << BuildTimingParameters(setup);
    }
    if (setup.rx.navigationStatus == 2) {
        setup.rx.gpsMode = 2;
        setup.bPositionHoldChosen = true;
    }
    AppendTimingMode(setup, list);
    list << Send(ConstellationChoice(setup.rx));
    AppendClosingPair(list);
    return list;
}

}  // namespace

QString WithStatusNote(const QString& label, const QString& note, bool bPresent)
{
    if (bPresent)
        return label.contains(note) ? label : label + note;
    QString text = label;
    return text.remove(note);
}

bool InTwelveChannelGroup(int receiverModel)
{
    switch (receiverModel) {
    case 3: case 4: case 5: case 18: case 20: case 21: case 22: case 23: case 24:
        return true;
    default:
        return false;
    }
}

bool InTimingGroup(int receiverModel)
{
    return InTwelveChannelGroup(receiverModel) || receiverModel == 8 || receiverModel == 9
        || receiverModel == 17;
}

QByteArray MakeTraimCommand(int channelCount, const std::array<uint8_t, 5>& traim)
{
    if (channelCount >= 9)
        return Motorola("Hn", {traim[0]});
    // The alarm limit goes high byte first.
    QByteArray cmd = Motorola(channelCount == 8 ? "En" : "Bn",
                              {traim[0], traim[1], traim[3], traim[2], traim[4]});
    cmd.append(QByteArray("\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00", 10));
    return cmd;
}

QByteArray UbxFrame(uint8_t msgClass, uint8_t msgId, const QByteArray& payload)
{
    QByteArray frame("\xB5\x62", 2);
    frame.append(Byte(msgClass));
    frame.append(Byte(msgId));
    PutLittleEndian(frame, static_cast<uint64_t>(payload.size()), 2);
    return frame + payload;
}

std::array<int32_t, 3> EarthCentredCm(double latitudeDeg, double longitudeDeg, double heightM)
{
    // The receiver was always sent positions made with this value of pi.
    constexpr double kPi = 3.1415926535;
    const double lat = latitudeDeg * kPi / 180.0;
    const double lon = longitudeDeg * kPi / 180.0;
    const double n = 6378137.0 / std::sqrt(1.0 - 0.0066943799901413165 * std::sin(lat) * std::sin(lat));
    const double x = (n + heightM) * std::cos(lat) * std::cos(lon);
    const double y = (n + heightM) * std::cos(lat) * std::sin(lon);
    const double z = (n * 0.9933056200098587 + heightM) * std::sin(lat);
    return {TruncateInt32(x * 100.0), TruncateInt32(y * 100.0), TruncateInt32(z * 100.0)};
}

ReceiverCommandList BuildTimingParameters(ReceiverSetup& setup)
{
    ReceiverCommandList list;
    const int mode = setup.portMode;
    if (mode != kModeMotorolaBinary && !IsUblox(mode))
        return list;
    const int32_t cable = TruncateInt32(setup.cableDelayNs);
    const double offsetUs = setup.ppsOffsetUs;
    if (IsUblox(mode)) {
        setup.ppsRateSent = static_cast<uint8_t>(setup.rx.ppsRate);
        const uint32_t frequency = setup.rx.ppsRate == 0 ? 1 : 100;
        const uint32_t ratio = setup.rx.ppsDuration == 0 ? 0x33333333u : 0x0001F751u;
        QByteArray payload("\x01\x01", 2);
        PutZeros(payload, 6);
        PutLittleEndian(payload, frequency, 4);
        PutLittleEndian(payload, frequency, 4);
        PutLittleEndian(payload, ratio, 4);
        PutLittleEndian(payload, ratio, 4);
        const int64_t userDelay = int64_t(cable) - int64_t(PpsOffsetNs(offsetUs));
        PutLittleEndian(payload, static_cast<uint64_t>(userDelay), 4);
        PutLittleEndian(payload, 0x000008EF, 4);
        ReceiverCommand pulse = Send(UbxFrame(0x06, 0x31, payload));
        pulse.pauseBeforeMs = 10;
        pulse.pauseAfterMs = 10;
        list << pulse;
        if (setup.receiverModel == 24) {
            QByteArray once = payload;
            once[8] = 1;
            once[12] = 1;
            list << Send(UbxFrame(0x06, 0x31, once));
        }
    } else if (InTimingGroup(setup.receiverModel)) {
        setup.epochOffsetMs = 0;
        const uint32_t ns = PpsOffsetNs(offsetUs);
        QByteArray ay = Motorola("Ay");
        PutBigEndian(ay, ns, 4);
        QByteArray az = Motorola("Az");
        PutBigEndian(az, static_cast<uint32_t>(cable), 4);
        list << Send(ay) << Send(az);
        setup.ppsOffsetNs = ns;
        setup.cableDelayNsSent = static_cast<uint32_t>(cable);
    } else {
        const int64_t wholeMs = Truncate(offsetUs / 1000.0, INT32_MIN, INT32_MAX);
        const int epoch = static_cast<int>(wholeMs % 1000);
        const auto ns = static_cast<uint32_t>(
            Truncate((offsetUs - double(wholeMs) * 1000.0) * 1000.0 + 0.5, INT32_MIN, UINT32_MAX));
        QByteArray ax = Motorola("Ax");
        PutBigEndian(ax, static_cast<uint16_t>(epoch), 2);
        QByteArray ay = Motorola("Ay");
        PutBigEndian(ay, ns, 4);
        QByteArray az = Motorola("Az");
        PutBigEndian(az, static_cast<uint32_t>(cable), 4);
        list << Send(ax) << Send(ay) << SendAndWait(az);
        setup.epochOffsetMs = epoch;
        setup.ppsOffsetNs = ns;
        setup.cableDelayNsSent = static_cast<uint32_t>(cable);
    }
    AppendTraimCommands(setup, list);
    return list;
}

ReceiverCommandList BuildDateTime(ReceiverSetup& setup)
{
    ReceiverCommandList list;
    const QDateTime utc = setup.pcUtc.toUTC();
    if (IsUblox(setup.portMode)) {
        constexpr int64_t kGpsEpoch = 315964800;  // 1980-01-06 in seconds since 1970
        constexpr int64_t kWeekSecs = 604800;
        const int64_t sinceGpsEpoch = utc.toSecsSinceEpoch() - kGpsEpoch;
        int64_t week = sinceGpsEpoch / kWeekSecs;
        if (sinceGpsEpoch % kWeekSecs < 0)
            --week;
        const int64_t towMs = (sinceGpsEpoch - week * kWeekSecs) * 1000;
        QByteArray head(18, '\0');
        PutLittleEndian(head, static_cast<uint64_t>(week), 2);
        PutLittleEndian(head, static_cast<uint64_t>(towMs), 4);
        PutZeros(head, 8);
        PutLittleEndian(head, 1000, 4);  // time accuracy, ns
        list << Send(AidMessage(head, 8, 0x00000082));
        return list;
    }
    if (setup.portMode != kModeMotorolaBinary)
        return list;
    const QDate date = utc.date();
    const QTime time = utc.time();
    const QByteArray hms = Bytes({time.hour(), time.minute(), time.second()});
    QByteArray mdy = Bytes({date.month(), date.day()});
    PutBigEndian(mdy, static_cast<uint16_t>(date.year()), 2);
    QByteArray offset(3, '\0');
    if (setup.rx.bRxOnLocalTime) {
        // The receiver's own sign convention: 0xFF for an offset of zero or more.
        const int minutes = setup.localTimeOffsetMinutes;
        const int size = std::abs(minutes);
        offset = Bytes({minutes >= 0 ? 0xFF : 0x00, size / 60, size % 60});
    }
    setup.bLocalTimeNote = setup.rx.bRxOnLocalTime;
    list << Send(Motorola("Aw", {1}));
    if (InTwelveChannelGroup(setup.receiverModel))
        list << Send(Motorola("Gb") + mdy + hms + offset);
    else
        list << Send(Motorola("Aa") + hms) << Send(Motorola("Ab") + offset)
             << Send(Motorola("Ac") + mdy);
    return list;
}

ReceiverCommandList BuildReceiverPosition(const ReceiverSetup& setup)
{
    ReceiverCommandList list;
    if (IsUblox(setup.portMode)) {
        QByteArray head;
        PutLittleEndian(head, static_cast<uint32_t>(TruncateInt32(setup.refLatitude * 1e7)), 4);
        PutLittleEndian(head, static_cast<uint32_t>(TruncateInt32(setup.refLongitude * 1e7)), 4);
        PutLittleEndian(head, static_cast<uint32_t>(TruncateInt32(setup.refHeight * 1000.0)), 4);
        list << Send(AidMessage(head, 32, 0x00000004));
        return list;
    }
    if (setup.portMode != kModeMotorolaBinary)
        return list;
    QByteArray lat;
    PutBigEndian(lat, static_cast<uint32_t>(TruncateInt32(setup.refLatitude * 3600000.0)), 4);
    QByteArray lon;
    PutBigEndian(lon, static_cast<uint32_t>(TruncateInt32(setup.refLongitude * 3600000.0)), 4);
    QByteArray height;
    PutBigEndian(height, static_cast<uint32_t>(Truncate(setup.refHeight * 100.0, -100000, 1800000)), 4);
    height.append('\0');
    const int gpsMode = setup.rx.gpsMode;
    const bool bHoldMode = gpsMode > 0 && setup.channelCount > 11;
    if (bHoldMode)
        list << Send(Motorola("Gd", {0}));
    if (InTwelveChannelGroup(setup.receiverModel))
        list << Send(Motorola("Ga") + lat + lon + height);
    else
        list << Send(Motorola("Ad") + lat) << Send(Motorola("Ae") + lon)
             << Send(Motorola("Af") + height);
    list << Send(Motorola("As") + lat + lon + height) << Send(Motorola("Au") + height);
    if (bHoldMode)
        list << Send(Motorola("Gd", {gpsMode == 1 ? 2 : 1}));
    return list;
}

ReceiverCommandList BuildInitializeReceiver(ReceiverSetup& setup)
{
    if (setup.portMode == kModeMotorolaBinary)
        return BuildMotorolaInitialize(setup);
    if (IsUblox(setup.portMode))
        return BuildUbloxInitialize(setup);
    return ReceiverCommandList();
}

}  // namespace InitSequences
