#pragma once

// Hand-built receiver messages and a main window to decode them.

#include "framebuilders.h"
#include "gpsnavdialog.h"
#include "gpsrxiddialog.h"
#include "gpsserialportthread.h"
#include "logtexts.h"
#include "mainwindow.h"
#include "receiverinfo.h"
#include "testsupport.h"

#include <QByteArray>
#include <QFile>
#include <QLabel>
#include <QSettings>
#include <QTest>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <memory>

// Bytes whose fields are set by offset, the most significant byte first or last.
template <class Self, bool bBigEndian>
struct FieldBytes
{
    Self& U8(int offset, unsigned value)
    {
        if (offset < 0 || offset >= bytes.size())
            qFatal("test message %s has no byte %d", bytes.left(4).toHex().constData(), offset);
        bytes[offset] = static_cast<char>(value & 0xFF);
        return static_cast<Self&>(*this);
    }
    Self& U16(int offset, unsigned value)
    {
        return bBigEndian ? U8(offset, value >> 8).U8(offset + 1, value) : U8(offset, value).U8(offset + 1, value >> 8);
    }
    Self& U32(int offset, uint32_t value)
    {
        return bBigEndian ? U16(offset, value >> 16).U16(offset + 2, value)
                          : U16(offset, value).U16(offset + 2, value >> 16);
    }
    Self& S32(int offset, int32_t value) { return U32(offset, static_cast<uint32_t>(value)); }
    Self& Text(int offset, const char* text)
    {
        for (const char* c = text; *c; ++c)
            U8(offset++, static_cast<unsigned char>(*c));
        return static_cast<Self&>(*this);
    }
    operator QByteArray() const { return bytes; }

    QByteArray bytes;
};

// A Motorola message as the framer hands it on: "@@", the id letters and the payload,
// without checksum and line end.
struct MotorolaMessage : FieldBytes<MotorolaMessage, true>
{
    // All payload bytes 0, at the length the framer delivers for the id.
    explicit MotorolaMessage(const char* id)
        : MotorolaMessage(id, GpsSerialPortThread::MotorolaMessageLength(QByteArray("@@") + id) - 3)
    {
    }
    MotorolaMessage(const char* id, int length)
    {
        bytes = QByteArray(length, '\0');
        bytes.replace(0, 4, QByteArray("@@") + QByteArray(id, 2));
    }
    MotorolaMessage& U24(int offset, unsigned value) { return U8(offset, value >> 16).U16(offset + 1, value); }
    // Month, day, year, hours, minutes, whole seconds and nanoseconds from offset 4.
    MotorolaMessage& DateTime(int year, int month, int day, int hour, int minute, int second, int32_t ns = 0)
    {
        return U8(4, month).U8(5, day).U16(6, year).U8(8, hour).U8(9, minute).U8(10, second).S32(11, ns);
    }
};

// A UBX payload of the given length, all 0, with little-endian fields set by offset.
struct UbxPayload : FieldBytes<UbxPayload, false>
{
    explicit UbxPayload(int length) { bytes = QByteArray(length, '\0'); }
    QByteArray Frame(unsigned cls, unsigned id) const { return FrameBuilders::Ubx(cls, id, bytes); }
};

// A NAV-TIMEUTC frame; valid 0x07 says that time of week, week and UTC are all known.
inline QByteArray UbxTimeUtc(int year, int month, int day, int hour, int minute, int second, unsigned valid = 0x07)
{
    return UbxPayload(20).U16(12, year).U8(14, month).U8(15, day).U8(16, hour).U8(17, minute).U8(18, second)
        .U8(19, valid).Frame(1, 0x21);
}

// The time message of t (whole second and ms into it) in the mode's protocol: a ZDA, a
// NAV-TIMEUTC or an @@Ha; with bSecond60, of second 60 where t is at second 59.
inline QByteArray TimeMessageAt(int mode, const QDateTime& t, bool bSecond60 = false)
{
    const QDate d = t.date();
    const QTime c = t.time();
    const int second = c.second() + (bSecond60 ? 1 : 0);
    if (mode == GpsPortModeGenericNmea)
        return FrameBuilders::Nmea(QString::asprintf("$GPZDA,%02d%02d%02d.%03d,%02d,%02d,%04d,00,00", c.hour(),
                                                     c.minute(), second, c.msec(), d.day(), d.month(), d.year())
                                       .toLatin1());
    if (mode == GpsPortModeUbloxUbx)
        return UbxPayload(20).S32(8, c.msec() * 1000000).U16(12, d.year()).U8(14, d.month()).U8(15, d.day())
            .U8(16, c.hour()).U8(17, c.minute()).U8(18, second).U8(19, 0x07).Frame(1, 0x21);
    return MotorolaMessage("Ha").DateTime(d.year(), d.month(), d.day(), c.hour(), c.minute(), second,
                                          c.msec() * 1000000);
}

// A copy whose storage ends exactly at its last byte, so that a read past the end is
// caught by the address sanitizer.
class ExactBuffer
{
public:
    explicit ExactBuffer(const QByteArray& source) : storage(new char[std::max<size_t>(source.size(), 1)])
    {
        std::memcpy(storage.get(), source.constData(), static_cast<size_t>(source.size()));
        view = QByteArray::fromRawData(storage.get(), source.size());
    }
    const QByteArray& Bytes() const { return view; }

private:
    std::unique_ptr<char[]> storage;
    QByteArray view;
};

// The ids the Motorola decoder handles with a line of their own, at the length the
// framer gives them.
inline const char* const kHandledMotorolaIds[] = {
    "AA", "AB", "AC", "AD", "AE", "AJ", "AM", "AN", "AO", "AP", "AQ", "AS", "Aa", "Ab", "Ac", "Ad",
    "Ae", "Af", "Ag", "Ah", "Ai", "Aj", "Ak", "Al", "Am", "An", "Ap", "Aq", "Ar", "As", "At", "Au",
    "Av", "Aw", "Ax", "Ay", "Az", "Ba", "Bb", "Bd", "Bf", "Bg", "Bj", "Bk", "Bn", "Bo", "Ca", "Cb",
    "Cc", "Ce", "Cf", "Cg", "Ck", "Ea", "Eg", "Ek", "En", "Eq", "Fa", "Ga", "Gb", "Gc", "Gd", "Ge",
    "Gf", "Gj", "Gk", "Ha", "Hb", "Hn", "Hr", "Ia", "Ir", "SP", "Sa", "Sc", "Sm", "So", "Sp", "St",
    "Sx", "Sz", "Tk", "Tr", "Wb", "Wm", "Wo", "Ws",
};

// The decoder's answer for a message it did not decode: its head, a blank and "...".
inline QString BareHead(const char* id)
{
    return QStringLiteral("@@") + QLatin1String(id) + QStringLiteral(" ...\n");
}

// The text with its "*hh", as the port hands NMEA sentences on.
inline QByteArray Sentence(const QByteArray& text)
{
    return FrameBuilders::Nmea(text);
}

// Qt reads the process time zone again for each local-time conversion.
inline void SetTimeZone(const char* zone)
{
    qputenv("TZ", zone);
    tzset();
}

// A configuration text as the configuration log keeps it: as lines.
inline QString AsLogged(const QString& text)
{
    return QString::fromUtf8(LogTexts::LogLines(text));
}

// A satellite record in one line: prn, elevation/azimuth, level, tracked and channel
// state, status flags, elevation trend.
inline QString Sat(const SatelliteRecord& s)
{
    return QString::asprintf("%d %d/%d L%d %c%d 0x%02x T%d", s.prn, s.elevation, s.azimuth, s.signalLevel,
                             s.bTracked ? '+' : '-', int(s.channelState), unsigned(uint8_t(s.statusFlags)),
                             s.elevationTrend);
}

// Everything a decoder may change, as one text: receiver time, the timing and answer
// state, the navigation values, the status texts and badges, the satellite records, the
// receiver ID window (its separator dropped) and the configuration log.
inline QString StateDigest(const MainWindow& w)
{
    const GpsNavDialog& nav = *w.gpsNavDialog;
    QString d = QString::asprintf(
        "%s saw=%g/%d utc=%d leap=%d ver=%d pps=%d nav=%d used=%d dops=%g/%g pos=%.7f/%.7f/%.3f/%.3f "
        "v=%g/%g/%d/%g/%g/%g h=%d,%d,%d acc=%d ant=%d dgps=%d cfg=%d ",
        qPrintable(w.receiverTime.dateTime.toString(Qt::ISODateWithMs)), w.sawtoothNs, w.bSawtoothValid,
        w.utcOffsetSecs, w.leapSecondPending, w.bAnswerReceived[MainWindow::AnswerMonVer], w.bPpsAwaitingTime[0],
        nav.GetNavMode(), nav.GetSatellitesUsed(), nav.pdop, nav.tdop, nav.currentLat, nav.currentLon,
        nav.currentAltGps, nav.currentAltMsl, nav.GetSpeed(), nav.GetHeading(), nav.GetFixStatus(), nav.gdop, nav.hdop,
        nav.vdop, w.messageHoldoff[0], w.messageHoldoff[1], w.messageHoldoff[2], w.timeAccuracyNs, w.antennaState,
        w.dgpsState, w.bConfigReplyPending);
    for (bool b : w.bAnswerReceived)
        d += QLatin1Char(b ? '1' : '0');
    for (bool b : w.bPpsAwaitingTime)
        d += QLatin1Char(b ? '1' : '0');
    for (const char* label :
         {"IDC_SATS_VISIBLE", "IDC_SATS_TRACKED", "IDC_SATS_STATUS_MESSAGE", "IDC_SATS_DOPS_MESSAGE"})
        d += QLatin1Char('|') + w.findChild<QLabel*>(label)->text();
    for (const QLabel* label : {w.navigationBadge, w.antennaBadge, w.findChild<QLabel*>("IDC_SATS_DGPS_MESSAGE")})
        d += QLatin1Char('|') + label->text();
    for (const SatelliteRecord& s : w.satellites)
        d += QLatin1Char('|') + Sat(s);
    return d + QLatin1Char('|') + QString(w.gpsRxIdDialog->rxIdText).remove(w.gpsRxIdDialog->rxIdSeparator) +
           QLatin1Char('|') + w.configurationBuffer;
}

// A main window ready to decode: settings and receiver record fresh, the search over,
// no pauses after commands and silent tick sounds.
inline std::unique_ptr<MainWindow> NewDecodingWindow(int portMode = GpsPortModeMotorolaBinary)
{
    TestSupport::ClearSettings();
    receiverInfo = ReceiverInfo();
    auto w = std::make_unique<MainWindow>();
    receiverInfo.gpsPortMode = portMode;
    if (portMode == GpsPortModeGenericNmea)
        receiverInfo.receiverModel = ReceiverModelGenericNmea;
    w->bGpsSearchActive = false;
    w->commandPauseMs = 0;
    w->playTickSound = [](QSoundEffect&) {};
    w->ticTimeTagFormat = 3;  // configuration entries without a time tag
    return w;
}

// In a replay test slot: the bytes of a receiver capture kept in the repository. A
// missing capture fails the slot: a skip would hide that the replay never ran.
#define READ_CAPTURE(name, bytes)                                                                \
    do {                                                                                         \
        QFile file(TestSupport::TestDataPath(QStringLiteral("receiver-captures/") + (name)));   \
        if (!file.open(QIODevice::ReadOnly))                                                     \
            QFAIL(qPrintable(QStringLiteral("missing capture ") + file.fileName()));             \
        (bytes) = file.readAll();                                                                \
    } while (false)

// The settings that make the next main window open the port in the given mode.
inline void SetReceiverPort(const QString& device, const char* mode)
{
    TestSupport::ClearSettings();
    QSettings settings;
    settings.setValue("GpsPortDialog/GPS Serial Port", device);
    settings.setValue("GpsPortDialog/GPS Serial Port Mode", mode);
    settings.setValue("GpsPortDialog/GPS Serial Port PPS Interface", 0);
    // A replay only listens: the u-blox modes would otherwise set the receiver up.
    settings.setValue("GpsPortDialog/GPS Do Not Initialize", true);
    settings.sync();
    receiverInfo = ReceiverInfo();
}
