// The Motorola position, status and data messages of the 12-, 8- and 6-channel
// receivers: receiver time, position and motion, the working satellite table, the
// receiver status and the DOP texts.

#include "motorolahandlers.h"

#include "binaryfields.h"
#include "geoidmodel.h"
#include "gpsnavdialog.h"
#include "gpsrxdialog.h"
#include "mainwindow.h"
#include "nmeafields.h"
#include "ui_mainwindow.h"

#include <QLabel>

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace {

using namespace MotorolaDecoder;

constexpr double kMasPerDegree = 3600000.0;
constexpr double kKnotsPerCmPerSecond = 0.019425;
constexpr int kHoldoffSeconds = 5;

bool ModelIn(std::initializer_list<int> models)
{
    return std::find(models.begin(), models.end(), receiverInfo.receiverModel) != models.end();
}

// Receivers whose mean-sea-level height may come as 0, by message.
bool HaGeoidModel() { return ModelIn({3, 4, 5, 18}); }
bool EaGeoidAndAntennaModel() { return ModelIn({1, 2, 7, 8, 9, 17}); }
bool BaGeoidModel() { return ModelIn({1, 2, 3, 4, 5, 7, 8, 9, 17, 18}); }
// Receivers that report the signal on a logarithmic scale.
bool LogSignalModel() { return ModelIn({6, 10, 11}); }

int32_t ReadInt32(const QByteArray& msg, int offset)
{
    return static_cast<int32_t>(MainWindow::GetMotorolaUInt32(msg, offset));
}

// ---- Receiver time ----

// How a message's second is read: its whole seconds and nanoseconds rounded or cut, or
// whole seconds alone (a message with no nanoseconds after them).
enum class Second { Rounded, Cut, Whole };

// The date and time at the message's offsets 4 to 10 (and the nanoseconds after them);
// *utc is set only for an instant, *time to the time of day as the message gives it. The
// message is also the GPS log record of that time.
Nmea::ReceivedDate ReadMessageTime(MainWindow& w, const QByteArray& msg, Second second, QDateTime* utc,
                                   Nmea::Time* time = nullptr)
{
    Nmea::Time given;
    given.hours = ReadUInt8(msg, 8);
    given.minutes = ReadUInt8(msg, 9);
    const double seconds =
        second == Second::Whole ? ReadUInt8(msg, 10) : MainWindow::GetMotorolaSecondsNanoseconds(msg, 10);
    given.seconds = second == Second::Cut ? std::trunc(seconds) : seconds;
    given.conversions = 3;
    // A time message tells the receiver's rate; the others' times go by it.
    given = time ? w.receiverRate.Take(given, w.gpsPortThread.ArrivalMs())
                 : w.receiverRate.Mark(given, w.gpsPortThread.ArrivalMs());
    if (time)
        *time = given;
    const Nmea::ReceivedDate received =
        Nmea::ReceiverUtc(ReadBigEndianUInt16(msg, 6), ReadUInt8(msg, 4), ReadUInt8(msg, 5), given,
                          w.gpsRxDialog && w.gpsRxDialog->bRxOnLocalTime, utc);
    if (received == Nmea::ReceivedDate::Instant)
        w.gpsRecordUtc = *utc;
    return received;
}

// Sets the receiver clock from the message and answers the 1PPS handshake, by the rules
// every decoder shares. The 8-channel receiver's second is cut; the others' is named as
// the receiver's rate has it (ReceiverRate).
// These messages carry no range rule of their own: a date or time they cannot hold is
// no time message at all.
void TakeMessageTime(MainWindow& w, const QByteArray& msg, bool bRound, bool bAdvance)
{
    QDateTime utc;
    Nmea::Time time;
    const Nmea::ReceivedDate received = ReadMessageTime(w, msg, bRound ? Second::Rounded : Second::Cut, &utc, &time);
    w.TakeReceiverTime(received == Nmea::ReceivedDate::Instant ? received : Nmea::ReceivedDate::NoInstant, utc, time,
                       MainWindow::AwaitingAnyTime, bAdvance);
}

// ---- Position and motion ----

struct MotionFields
{
    int velocity;
    int heading;
    int visible;
    int tracked;
};

constexpr MotionFields kHaMotion = {47, 51, 55, 56};
constexpr MotionFields kEaBaMotion = {31, 33, 38, 39};

enum class MslFallback { None, Geoid };
enum class Antenna { Ignore, FromDopType };

void TakePosition(MainWindow& w, const QByteArray& msg, const MotionFields& fields,
                  MslFallback fallback, Antenna antenna)
{
    const double latitude = ReadInt32(msg, 15) / kMasPerDegree;
    const double longitude = ReadInt32(msg, 19) / kMasPerDegree;
    const double heightGps = ReadInt32(msg, 23) / 100.0;
    double heightMsl = ReadInt32(msg, 27) / 100.0;

    if (w.gpsNavDialog) {
        w.gpsNavDialog->SetSpeed(ReadBigEndianUInt16(msg, fields.velocity) * kKnotsPerCmPerSecond);
        w.gpsNavDialog->SetHeading(ReadBigEndianUInt16(msg, fields.heading) * 0.1);
    }
    if (fallback == MslFallback::Geoid && heightMsl == 0.0)
        heightMsl = heightGps - GeoidModel::GeoidSeparation(latitude, longitude);
    if (antenna == Antenna::FromDopType) {
        w.antennaState = ReadUInt8(msg, 37) >> 6;
        w.ShowAntennaStatus(w.antennaState);
    }
    w.AddPositionSample(latitude, longitude, heightGps, heightMsl);

    const unsigned visible = ReadUInt8(msg, fields.visible);
    const unsigned tracked = ReadUInt8(msg, fields.tracked);
    if (w.gpsNavDialog)
        w.gpsNavDialog->SetSatellitesUsed(static_cast<int>(tracked));
    w.ui->IDC_SATS_VISIBLE->setText(QString::asprintf("%1.1d Visible", visible));
    w.ui->IDC_SATS_TRACKED->setText(QString::asprintf("%1.1d Tracked", tracked));
}

// ---- Satellite table ----

struct ChannelReading
{
    uint8_t prn = 0;
    uint8_t mode = 0;
    int signalLevel = 0;
    int8_t statusFlags = 0;
};

// The level of a linear signal byte.
int LinearSignalLevel(int b)
{
    return std::max(b - 20, 0);
}

// 20 log10(argument) + offset, cut to a whole number; 0 where the logarithm has no
// value and for anything below 0.
int LogSignalLevel(double argument, double offset)
{
    if (!(argument > 0.0))
        return 0;
    const double level = 20.0 * std::log10(argument) + offset;
    if (!std::isfinite(level) || level < 0.0 || level > 1e6)
        return 0;
    return static_cast<int>(level);
}

// Every record loses its channel; the satellites in the channels get them back. An idle
// channel writes record 0, and a satellite in two channels keeps the later one.
void RebuildSatellites(MainWindow& w, const ChannelReading* channels, int count)
{
    for (SatelliteRecord& sat : w.satellites) {
        sat.prn = 0;
        sat.signalLevel = 0;
        sat.bTracked = false;
        sat.channelState = 9;
        sat.statusFlags = 0;
    }
    for (int k = 0; k < count; ++k) {
        SatelliteRecord& sat = w.satellites[channels[k].prn];
        sat.prn = channels[k].prn;
        sat.bTracked = true;
        sat.channelState = channels[k].mode;
        sat.statusFlags = channels[k].statusFlags;
        sat.signalLevel = channels[k].signalLevel;
    }
}

void TakeHaChannels(MainWindow& w, const QByteArray& msg)
{
    ChannelReading channels[12];
    for (int k = 0; k < 12; ++k) {
        const int b = 57 + 6 * k;
        ChannelReading& c = channels[k];
        c.prn = ReadUInt8(msg, b);
        c.mode = ReadUInt8(msg, b + 1);
        c.signalLevel = LinearSignalLevel(ReadUInt8(msg, b + 2));
        const unsigned high = ReadUInt8(msg, b + 4);
        const unsigned low = ReadUInt8(msg, b + 5);
        const unsigned flags = (low & 0xF0) + ((low & 0x0F) > 6 ? 0x08 : 0) + (high & 0x01);
        c.statusFlags = static_cast<int8_t>(flags);
    }
    RebuildSatellites(w, channels, 12);
}

// The four-byte channel blocks of the 8- and 6-channel messages from offset 40.
void TakeShortChannels(MainWindow& w, const QByteArray& msg, int count, bool bEa)
{
    ChannelReading channels[8];
    const bool logScale = LogSignalModel();
    for (int k = 0; k < count; ++k) {
        const int b = 40 + 4 * k;
        ChannelReading& c = channels[k];
        c.prn = ReadUInt8(msg, b);
        c.mode = ReadUInt8(msg, b + 1);
        if (!logScale)
            c.signalLevel = LinearSignalLevel(ReadUInt8(msg, b + 2));
        else if (bEa)
            c.signalLevel = LogSignalLevel(ReadInt8(msg, b + 2) + 4.6 - 17.0, 0.5);
        else
            c.signalLevel = LogSignalLevel(ReadUInt8(msg, b + 2), 4.6 - 17.0 + 0.5);
        c.statusFlags = ReadInt8(msg, b + 3);
    }
    RebuildSatellites(w, channels, count);
}

// ---- Receiver status ----

void CutTrailingSeparator(QString& text)
{
    if (!text.isEmpty())
        text.chop(2);
}

void ShowStatusAndDop(MainWindow& w, const MotorolaTexts& texts)
{
    w.ui->IDC_SATS_STATUS_MESSAGE->setText(texts.status);
    w.ui->IDC_SATS_DOPS_MESSAGE->setText(texts.dop);
}

// The 16-bit status word of "@@Ha" (bFull) and "@@Hb".
void TakeStatusWord(MainWindow& w, const QByteArray& msg, int offset, bool bFull, MotorolaTexts& texts)
{
    const unsigned high = ReadUInt8(msg, offset);
    const unsigned low = ReadUInt8(msg, offset + 1);
    const unsigned code = high >> 5;
    int navigationStatus = -1;
    int navMode = 0;  // 0: not set
    switch (code) {
    case 2:
        texts.status += QStringLiteral("Poor Geometry, ");
        navigationStatus = 1;
        break;
    case 3:
        texts.status += QStringLiteral("Acquiring Satellites, ");
        navMode = 1;
        navigationStatus = 1;
        break;
    case 4:
        texts.status += QStringLiteral("Position Hold, ");
        navMode = 1;
        navigationStatus = 1;
        break;
    case 5:
        texts.status += QStringLiteral("Position Propagate Mode, ");
        navigationStatus = 0;
        break;
    case 6:
        texts.status += QStringLiteral("Altitude Hold (2-D Fix), ");
        navMode = 2;
        navigationStatus = 0;
        break;
    case 7:
        texts.status += QStringLiteral("3-D Fix, ");
        navMode = 3;
        navigationStatus = 0;
        break;
    default:
        break;
    }
    if (bFull && navMode != 0 && w.gpsNavDialog)
        w.gpsNavDialog->SetNavMode(navMode);

    w.antennaState = static_cast<int>((low >> 1) & 3);
    if (bFull)
        w.ShowAntennaStatus(w.antennaState);

    if (low & 0x80)
        texts.status += QStringLiteral("Cold Start or Bad Almanac, ");
    else if (low & 0x08)
        texts.status += QStringLiteral("Insufficient Satellites (<3), ");
    if (low & 0x40)
        texts.status += QStringLiteral("DGPS, ");
    if (low & 0x20)
        navigationStatus = 1;
    if (low & 0x10)
        navigationStatus = 2;
    w.ShowNavigationStatus(navigationStatus);
    if (!bFull)
        return;

    CutTrailingSeparator(texts.status);
    int fixStatus = 0;
    if (code == 5)
        fixStatus = 4;
    else if (code == 7)
        fixStatus = (low & 0x20) ? 3 : 2;
    else if (code == 4)
        fixStatus = 1;
    if (w.gpsNavDialog) {
        w.gpsNavDialog->SetFixStatus(fixStatus);
        const double dop = ReadBigEndianUInt16(msg, 53) / 10.0;
        if (dop > 0.0) {
            const int mode = w.gpsNavDialog->GetNavMode();
            if (mode == 3)
                texts.dop = QString::asprintf("PDOP = %4.1f", dop);
            else if (mode == 2)
                texts.dop = QString::asprintf("HDOP = %4.1f", dop);
        }
    }
    ShowStatusAndDop(w, texts);
}

// The status byte of "@@Ea" and "@@Ba".
void TakeStatusByte(MainWindow& w, const QByteArray& msg, int offset, bool bEa, MotorolaTexts& texts)
{
    const unsigned r = ReadUInt8(msg, offset);
    const unsigned dopType = ReadUInt8(msg, 37);
    int navigationStatus = -1;
    auto setNavMode = [&w](int mode) {
        if (w.gpsNavDialog)
            w.gpsNavDialog->SetNavMode(mode);
    };
    if (r & 0x80) {
        texts.status += QStringLiteral("Position Propagate Mode, ");
        navigationStatus = 0;
    }
    if (r & 0x40) {
        texts.status += QStringLiteral("Poor Geometry (DOP>20), ");
        navigationStatus = 1;
    }
    if (r & 0x20) {
        texts.status += QStringLiteral("3-D Fix, ");
        setNavMode(3);
        navigationStatus = 0;
    }
    if (r & 0x10) {
        texts.status += QStringLiteral("Altitude Hold (2-D Fix), ");
        setNavMode(2);
        navigationStatus = 0;
    }
    if (r & 0x08) {
        texts.status += QStringLiteral("Acquiring Satellites or Position Hold, ");
        setNavMode(1);
        navigationStatus = 1;
    }
    if (r & 0x04)
        texts.status += QStringLiteral("DGPS, ");
    if (r & 0x01)
        texts.status += QStringLiteral("Bad Almanac, ");
    else if (r & 0x02)
        texts.status += QStringLiteral("Insufficient Satellites (<3), ");

    if (dopType & 0x20)
        navigationStatus = 2;
    w.ShowNavigationStatus(navigationStatus);
    CutTrailingSeparator(texts.status);

    int fixStatus = 0;
    if (r & 0x80)
        fixStatus = 4;
    else if ((r & 0x20) && (r & 0x04))
        fixStatus = 3;
    else if (r & 0x20)
        fixStatus = 2;
    else if (r & 0x08)
        fixStatus = 1;
    if (w.gpsNavDialog)
        w.gpsNavDialog->SetFixStatus(fixStatus);

    if (!bEa || LogSignalModel()) {
        if (!(r & 0x10) && w.gpsNavDialog)
            texts.dop = w.gpsNavDialog->DopText();
    } else {
        const double dop = ReadBigEndianUInt16(msg, 35) / 10.0;
        QString dopPart;
        if (dop > 0.0 && dopType == 0)
            dopPart = QString::asprintf("PDOP = %4.1f", dop);
        else if (dop > 0.0 && dopType == 1)
            dopPart = QString::asprintf("HDOP = %4.1f", dop);
        if (!texts.status.isEmpty() && !dopPart.isEmpty())
            texts.status += QStringLiteral(": ");
        texts.status += dopPart;
    }
    ShowStatusAndDop(w, texts);
}

void MarkHandled(MainWindow& w, int holdoff, MainWindow::AnswerFlag answer)
{
    w.UpdateSatelliteTable();
    w.messageHoldoff[holdoff] = kHoldoffSeconds;
    w.bAnswerReceived[answer] = true;
}

}  // namespace

void MotorolaDecoder::DecodeHa(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts)
{
    TakeMessageTime(w, msg, true, true);
    TakePosition(w, msg, kHaMotion, HaGeoidModel() ? MslFallback::Geoid : MslFallback::None,
                 Antenna::Ignore);
    TakeHaChannels(w, msg);
    TakeStatusWord(w, msg, 129, true, texts);
    if (FieldTextWanted(w)) {
        texts.pvtLine = PvtLineHa(msg);
        SetFieldLine(msg, texts.pvtLine, texts);
    }
    MarkHandled(w, 0, MainWindow::AnswerHa);
}

void MotorolaDecoder::DecodeHb(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts)
{
    QDateTime utc;
    ReadMessageTime(w, msg, Second::Rounded, &utc);
    TakeStatusWord(w, msg, 41, false, texts);
    if (FieldTextWanted(w)) {
        texts.pvtLine = PvtLineHb(msg);
        SetFieldLine(msg, texts.pvtLine, texts);
    }
    w.UpdateSatelliteTable();
}

void MotorolaDecoder::DecodeHr(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts)
{
    QDateTime utc;
    ReadMessageTime(w, msg, Second::Whole, &utc);
    if (FieldTextWanted(w)) {
        texts.pvtLine = PvtLineHr(msg);
        SetFieldLine(msg, texts.pvtLine, texts);
    }
}

void MotorolaDecoder::DecodeEa(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts)
{
    // A 12-channel receiver sends this too; its own message wins.
    if (w.messageHoldoff[0] > 0)
        return;
    const bool antennaModel = EaGeoidAndAntennaModel();
    TakeMessageTime(w, msg, false, true);
    TakePosition(w, msg, kEaBaMotion, antennaModel ? MslFallback::Geoid : MslFallback::None,
                 antennaModel ? Antenna::FromDopType : Antenna::Ignore);
    TakeShortChannels(w, msg, 8, true);
    TakeStatusByte(w, msg, 72, true, texts);
    if (FieldTextWanted(w)) {
        texts.pvtLine = PvtLineEa(msg);
        SetFieldLine(msg, texts.pvtLine, texts);
    }
    MarkHandled(w, 1, MainWindow::AnswerEa);
}

void MotorolaDecoder::DecodeBa(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts)
{
    if (w.messageHoldoff[0] > 0 || w.messageHoldoff[1] > 0)
        return;
    TakeMessageTime(w, msg, true, false);
    TakePosition(w, msg, kEaBaMotion, BaGeoidModel() ? MslFallback::Geoid : MslFallback::None,
                 Antenna::Ignore);
    TakeShortChannels(w, msg, 6, false);
    TakeStatusByte(w, msg, 64, false, texts);
    if (FieldTextWanted(w)) {
        texts.pvtLine = PvtLineBa(msg);
        SetFieldLine(msg, texts.pvtLine, texts);
    }
    MarkHandled(w, 2, MainWindow::AnswerBa);
}
