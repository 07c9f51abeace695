// The Motorola decoder: the binary field readers, the GPS calendar, the frame (what it
// rejects, messages too short for their handler, the text gates, the hold-offs between
// receiver generations); the position, status and data messages (receiver time,
// position and motion, the satellite table, the status words and bytes, the PVT lines);
// the satellite, channel and timing messages (visible satellites, almanac and ephemeris
// reports, channel measurements, T-RAIM and the sawtooth, leap seconds, UTC offset, DOPs).

#include "binaryfields.h"
#include "decodetests.h"
#include "geoidmodel.h"
#include "gpslogtypedialog.h"
#include "gpsrxdialog.h"
#include "ui_mainwindow.h"

#include <QTemporaryDir>

namespace {

// The position fields shared by the 12-, 8- and 6-channel messages.
MotorolaMessage WithPosition(const char* id)
{
    MotorolaMessage m(id);
    m.DateTime(2021, 6, 1, 12, 34, 56, 123456789);
    return m.S32(15, 3600000 * 45 + 123).S32(19, -7200000 - 456).S32(23, 12345).S32(27, 8765);
}

MotorolaMessage HaMessage()
{
    MotorolaMessage m = WithPosition("Ha");
    m.S32(31, 162000124).S32(35, -7200457).S32(39, 12346).S32(43, 8766);
    m.U16(47, 150).U16(49, 120).U16(51, 2705).U16(53, 23).U8(55, 11).U8(56, 8);
    m.U8(57, 17).U8(58, 8).U8(59, 15).U8(60, 99).U16(61, 0x01A7);
    m.U8(63, 5).U8(64, 8).U8(65, 60).U8(66, 12).U16(67, 0x00A2);
    m.U16(129, 0xE020).U8(131, 1).U8(132, 2).U16(133, 300).U32(135, 0xFFFFFFF6).U16(139, 71);
    return m.U8(141, 3).U8(142, 0x2B).U8(143, 1).U8(144, 30).Text(145, "TAG001");
}

// "@@Ea" and "@@Ba" share their layout up to the channels.
MotorolaMessage ShortMessage(const char* id, unsigned status, unsigned dopType)
{
    MotorolaMessage m = WithPosition(id);
    m.U16(31, 150).U16(33, 2705).U16(35, 23).U8(37, dopType).U8(38, 11).U8(39, 8);
    m.U8(40, 9).U8(41, 8).U8(42, 36).U8(43, 0xA2).U8(44, 7).U8(45, 8).U8(46, 56).U8(47, 0xA2).U8(48, 13);
    return m.U8(id[0] == 'E' ? 72 : 64, status);
}

// A message of the id with only its date and time: "yyyy-MM-dd hh:mm:ss.fff", where the
// seconds may be 60.
MotorolaMessage AtTime(const char* id, const QString& t)
{
    const double seconds = t.mid(17).toDouble();
    return MotorolaMessage(id).DateTime(t.left(4).toInt(), t.mid(5, 2).toInt(), t.mid(8, 2).toInt(),
                                        t.mid(11, 2).toInt(), t.mid(14, 2).toInt(), int(seconds),
                                        qRound((seconds - int(seconds)) * 1e9));
}

QString UtcText(const UtcDateTime& t)
{
    return t.dateTime.toUTC().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

// One "@@Bb" record: PRN, Doppler, elevation, azimuth and health.
void VisibleRecord(MotorolaMessage& m, int k, int prn, int doppler, int elevation, int azimuth, int health)
{
    const int b = 5 + 7 * k;
    m.U8(b, prn).U16(b + 1, doppler).U8(b + 3, elevation).U16(b + 4, azimuth).U8(b + 6, health);
}

MotorolaMessage ChannelData(const char* id)
{
    MotorolaMessage m(id);
    m.U24(4, 345600).S32(7, 123456789);
    m.U8(11, 5).U8(12, 0xA2).U24(13, 70000).S32(16, 5).U16(20, 1234).U16(22, 32768).U24(24, 0xFFFFFF).U16(27, 65535);
    return m.U8(29, 12).U8(30, 0x0F).U24(31, 1).S32(34, -1).U16(38, 0).U16(40, 1).U24(42, 7).U16(45, 8);
}

MotorolaMessage TraimMessage(const char* id)
{
    MotorolaMessage m(id);
    m.U8(5, 1).U16(6, 3000).U8(8, 3);
    for (int k = 0; k < 10; ++k)
        m.U8(9 + k, k);
    m.U8(19, 1).U8(20, 1).U8(21, 0).U8(22, 1).U16(23, 25).U8(25, 0xFB);
    return m.U8(26, 7).S32(27, 123).U8(31, 9).S32(32, -1500000000);
}

// The settings part of a T-RAIM line as the 6- and 8-channel messages word it.
const char* const kTraimSettings =
    "ENABLED, limit = 300000 nsec, 1PPS is ON if TRAIM is OK, 0123456789, pulse status is ON, "
    "1PPS pulse sync is referenced to GPS, Time RAIM solution status is OK, "
    "Time RAIM status is detection only possible, ";

QString Calendar(unsigned week, int seconds)
{
    uint8_t s = 0, mi = 0, h = 0, d = 0, mo = 0;
    int y = 0;
    MainWindow::GpsWeekSecondsToCalendar(week, seconds, s, mi, h, d, mo, y);
    return QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d", y, mo, d, h, mi, s);
}

}  // namespace

class TestMotorola : public QObject
{
    Q_OBJECT

private slots:
    void init() { w = NewDecodingWindow(); }
    void cleanup()
    {
        w.reset();
        SetTimeZone("UTC");
    }

    // The five PVT lines, and the position, motion and counts of the messages.
    void pvtLinesPositionAndMotion()
    {
        w->bGpsRawDataVisible = true;
        QCOMPARE(w->DecodeMotorolaBinary(HaMessage()),
                 "@@Ha, 06/01/2021, 12:34:56.123456789, 1.62000123e+08, -7.20045600e+06, 123.45, 87.65, "
                 "1.62000124e+08, -7.20045700e+06, 123.46, 87.66, 1.50, 1.20, 270.5, PDOP, 2.3, 11, 8, "
                 "0xE020, 17, 8, 15, 99, 0x01a7, 5, 8, 60, 12, 0x00a2, " +
                     QStringLiteral("0, 0, 0, 0, 0x0000, ").repeated(10) +
                     "1, 2, 300, -10, 35.5, 0x03, 0x2b, 0x01, 0x1e, \"TAG001\"\n");
        const GpsNavDialog& nav = *w->gpsNavDialog;
        QCOMPARE(nav.currentLat, (3600000 * 45 + 123) / 3600000.0);
        QCOMPARE(nav.currentLon, (-7200000 - 456) / 3600000.0);
        QCOMPARE(QString::asprintf("%g %g %g %g %d", nav.currentAltGps, nav.currentAltMsl, nav.GetSpeed(),
                                   nav.GetHeading(), nav.GetSatellitesUsed()),
                 "123.45 87.65 2.91375 270.5 8");
        QCOMPARE(w->ui->IDC_SATS_VISIBLE->text() + w->ui->IDC_SATS_TRACKED->text(), "11 Visible8 Tracked");

        MotorolaMessage hb = WithPosition("Hb");
        hb.U16(31, 150).U16(33, 120).U16(35, 2705).U16(37, 23).U8(39, 11).U8(40, 8).U16(41, 0xC008);
        QCOMPARE(w->DecodeMotorolaBinary(hb.Text(45, "HBTAG1")),
                 "@@Hb, 06/01/2021, 12:34:56.123456789, 1.62000123e+08, -7.20045600e+06, 123.45, 87.65, "
                 "1.50, 1.20, 270.5, HDOP, 2.3, 11, 8,0xc008, \"HBTAG1\"\n");

        MotorolaMessage hr("Hr");
        hr.U8(4, 250).U8(5, 1).U16(6, 2021).U8(8, 12).U8(9, 34).U8(10, 56).U16(11, 40000).U32(13, 0x80000000);
        hr.S32(17, 3600000 * 45 + 123).S32(21, -7200000 - 456).S32(25, 12345).U16(29, 150).U16(31, 2705);
        hr.U16(33, 0x1234).U16(35, 23).U8(37, 1).U8(38, 9).U16(39, 0xBEEF).Text(161, "HRTAG1");
        QCOMPARE(w->DecodeMotorolaBinary(hr),
                 "@@Hr, -06/01/2021, 12:34:56, 40000, -2147483648, 1.62000123e+08, -7.20045600e+06, "
                 "123.45, 1.50, 270.5, HDOP, 2.3, 9, 0xbeef, 0x1234, \"HRTAG1\"\n");

        // The 8-channel message has its velocity and heading elsewhere.
        w->messageHoldoff[0] = 0;
        QCOMPARE(w->DecodeMotorolaBinary(ShortMessage("Ea", 0x24, 0).U16(31, 200).U16(33, 900).U8(38, 10).U8(39, 3)),
                 "@@Ea, 06/01/2021, 12:34:56.123456789, 1.62000123e+08, -7.20045600e+06, 123.45, 87.65, "
                 "2.00, 90.0, PDOP, 2.3, 10, 3, 9, 8, 36, 0xa2, 7, 8, 56, 0xa2, 13, 0, 0, 0x00, " +
                     QStringLiteral("0, 0, 0, 0x00, ").repeated(5) + "0x24\n");
        QCOMPARE(QString::asprintf("%g %g %d", nav.GetSpeed(), nav.GetHeading(), nav.GetSatellitesUsed()), "3.885 90 3");
        QCOMPARE(w->ui->IDC_SATS_VISIBLE->text(), QStringLiteral("10 Visible"));

        // The 6-channel line prints its heights in centimetres.
        w->messageHoldoff[1] = 0;
        QCOMPARE(w->DecodeMotorolaBinary(ShortMessage("Ba", 0x24, 1)),
                 "@@Ba, 06/01/2021, 12:34:56.123456789, 1.62000123e+08, -7.20045600e+06, 12345.00, "
                 "8765.00, 1.50, 270.5, HDOP, 2.3, 11, 8, 9, 8, 36, 0xa2, 7, 8, 56, 0xa2, 13, 0, 0, 0x00, " +
                     QStringLiteral("0, 0, 0, 0x00, ").repeated(3) + "0x24\n");
    }

    // The second the message carries, and the one the next tick shows: "@@Ea" cuts,
    // the others name the nearest second (a receiver sending once a second); "@@Ba"
    // adds no second.
    void receiverTimeRoundingAndTheAddedSecond()
    {
        const char* const rows[][4] = {
            {"Ea", "2021-06-01 12:00:30.9", "2021-06-01 12:00:30", "2021-06-01 12:00:31"},
            {"Ha", "2021-06-01 12:00:30.9", "2021-06-01 12:00:31", "2021-06-01 12:00:32"},
            {"Ha", "2021-06-01 12:00:30.4", "2021-06-01 12:00:30", "2021-06-01 12:00:31"},
            {"Ba", "2021-06-01 12:00:30.9", "2021-06-01 12:00:31", "2021-06-01 12:00:31"},
            {"Ba", "2021-06-01 12:00:30.999", "2021-06-01 12:00:31", "2021-06-01 12:00:31"},
            {"Ha", "2021-12-31 23:59:59.6", "2022-01-01 00:00:00", "2022-01-01 00:00:01"},
            {"Ha", "2021-12-31 23:59:59.97", "2022-01-01 00:00:00", "2022-01-01 00:00:01"},
            {"Ea", "2021-06-01 12:00:59.999", "2021-06-01 12:00:59", "2021-06-01 12:01:00"},
        };
        for (const auto& row : rows) {
            w = NewDecodingWindow();
            w->DecodeMotorolaBinary(AtTime(row[0], row[1]));
            // No tick was waiting, so the message refreshed the clock with its own second.
            QCOMPARE(UtcText(w->displayTime) + " / " + UtcText(w->receiverTime), row[2] + QStringLiteral(" / ") + row[3]);
            QCOMPARE(w->receiverTime.dateTime.timeSpec(), Qt::UTC);
            QVERIFY(w->bTimeMessageSeen);
        }
    }

    // A time message answers the tick that waits for it. Fields that name no instant
    // are no time message, but the rest of the message counts.
    void theTickHandshakeAndImpossibleTimes()
    {
        const QString shown = UtcText(w->displayTime);
        w->bPpsAwaitingTime[0] = true;
        w->DecodeMotorolaBinary(AtTime("Ba", "2021-06-01 12:00:00"));
        QVERIFY(!w->bPpsAwaitingTime[0]);
        QVERIFY(!w->bTimeMessageSeen);
        QCOMPARE(UtcText(w->displayTime), shown);  // the tick refreshes the clock
        int used = 0;
        for (const char* t : {"2021-13-01 12:00:00", "2021-06-31 12:00:00", "2021-06-01 24:00:00",
                              "2021-06-01 12:00:60", "2021-06-01 12:00:61", "2021-06-01 12:00:-5"}) {
            w->bPpsAwaitingTime[0] = true;
            w->messageHoldoff[2] = 0;
            w->DecodeMotorolaBinary(AtTime("Ba", t).U8(39, ++used));
            QCOMPARE(UtcText(w->receiverTime), QStringLiteral("2021-06-01 12:00:00"));
            QVERIFY(w->bPpsAwaitingTime[0]);
            QCOMPARE(w->gpsNavDialog->GetSatellitesUsed(), used);
        }
    }

    // The receiver sends UTC: a change of the PC's daylight saving never shifts it. One
    // on local time is taken to UTC, and a local time the clock change skipped is none.
    void receiverTimeStaysUtcWhenThePcChangesDaylightSaving()
    {
        SetTimeZone("Europe/Berlin");
        for (const char* sent : {"2021-03-28 00:59:59", "2021-03-28 02:30:00", "2021-10-31 00:30:00",
                                 "2021-10-31 01:30:00"}) {
            w->DecodeMotorolaBinary(AtTime("Ha", sent));
            QCOMPARE(w->displayTime.ToString(QStringLiteral("yyyy-MM-dd hh:mm:ss")), sent);
            const QString clock = QString(sent).mid(11, 5) + QLatin1Char('.') + QString(sent).right(2);
            QVERIFY2(w->ui->IDC_GPS_CLOCK_DATA->text().contains(clock), qPrintable(w->ui->IDC_GPS_CLOCK_DATA->text()));
            QCOMPARE(w->receiverTime.ToMSecsSinceEpoch() - w->displayTime.ToMSecsSinceEpoch(), 1000);
        }
        w->gpsRxDialog->bRxOnLocalTime = true;
        for (const auto& [sent, utc] : {std::pair("2021-07-01 14:00:00", "2021-07-01 12:00:00"),
                                        std::pair("2021-01-15 14:00:00", "2021-01-15 13:00:00"),
                                        std::pair("2021-03-28 02:30:00", "2021-01-15 13:00:00")}) {
            w->messageHoldoff[0] = w->messageHoldoff[2] = 0;
            w->DecodeMotorolaBinary(AtTime("Ba", sent));
            QCOMPARE(UtcText(w->receiverTime), utc);
            QCOMPARE(w->receiverTime.dateTime.timeSpec(), Qt::UTC);
        }
    }

    // A height above sea level of 0 is worked out from the geoid for some receivers, by
    // message; the 8-channel ones of that group also report their antenna there.
    void geoidFallbackAndAntennaByModelGroup()
    {
        const double separation = GeoidModel::GeoidSeparation(45.0, 10.0);
        QVERIFY(separation != 0.0);
        const struct { const char* id; int model; bool bFallback; } rows[] = {
            {"Ha", 3, true}, {"Ha", 9, false}, {"Ea", 9, true}, {"Ea", 3, false}, {"Ba", 3, true}, {"Ba", 6, false},
        };
        for (const auto& row : rows) {
            w = NewDecodingWindow();
            receiverInfo.receiverModel = row.model;
            MotorolaMessage m(row.id);
            m.DateTime(2021, 6, 1, 12, 0, 0).S32(15, 3600000 * 45).S32(19, 3600000 * 10).S32(23, 10000).U8(37, 0x80);
            w->DecodeMotorolaBinary(m);
            QCOMPARE(w->gpsNavDialog->currentAltMsl, row.bFallback ? 100.0 - separation : 0.0);
            if (row.id[0] == 'E')
                QCOMPARE(w->antennaState == 2 && w->antennaBadge->text() == "Ant Open", row.bFallback);
            // A height above sea level that came with the message is kept.
            w->messageHoldoff[0] = w->messageHoldoff[1] = w->messageHoldoff[2] = 0;
            w->DecodeMotorolaBinary(m.S32(27, 5000));
            QCOMPARE(w->gpsNavDialog->currentAltMsl, 50.0);
        }
    }

    void channelRecordsOfTheTwelveChannelMessage()
    {
        SatelliteRecord& gone = w->satellites[30];
        gone = {30, 40, 120, 33, true, 8, 0, 1};
        // Satellite 5 is in two channels: the later one counts.
        w->DecodeMotorolaBinary(HaMessage().U8(69, 5).U8(70, 7).U8(71, 70).U16(73, 0x0080));
        QCOMPARE(Sat(w->satellites[17]), QStringLiteral("17 0/0 L0 +8 0xa9 T0"));
        QCOMPARE(Sat(w->satellites[5]), QStringLiteral("5 0/0 L50 +7 0x80 T0"));
        QVERIFY(w->satellites[0].bTracked);  // idle channels land on record 0
        // A satellite that left the channels keeps only its place in the sky.
        QCOMPARE(Sat(gone), QStringLiteral("0 40/120 L0 -9 0x00 T1"));
    }

    // Linear levels are the byte less 20; some receivers report a logarithmic scale,
    // whose level is 0 where the logarithm has no value or is negative.
    void signalLevelsOfTheEightAndSixChannelMessages()
    {
        const struct { const char* id; int model; int signal; int level; } rows[] = {
            {"Ea", 24, 56, 36}, {"Ea", 24, 12, 0}, {"Ea", 10, 127, 41}, {"Ea", 11, 12, 0},
            {"Ea", 11, 13, 0},  {"Ea", 6, 200, 0}, {"Ba", 9, 60, 40},   {"Ba", 6, 100, 28}, {"Ba", 6, 0, 0},
        };
        for (const auto& row : rows) {
            receiverInfo.receiverModel = row.model;
            w->messageHoldoff[1] = 0;
            MotorolaMessage m(row.id);
            w->DecodeMotorolaBinary(m.DateTime(2021, 6, 1, 12, 0, 0).U8(40, 21).U8(41, 8).U8(42, row.signal).U8(43, 0xA5));
            QCOMPARE(Sat(w->satellites[21]), QString::asprintf("21 0/0 L%d +8 0xa5 T0", row.level));
        }
    }

    // Status | DOP | nav mode, navigation state, fix status | antenna badge.
    void statusWordOfTheTwelveChannelMessage()
    {
        const std::pair<int, const char*> rows[] = {
            {0xE000, "3-D Fix|PDOP =  2.3|3 0 2|Ant OK"},
            {0xC04E, "Altitude Hold (2-D Fix), Insufficient Satellites (<3), DGPS|HDOP =  2.3|2 0 0|Ant No Pwr"},
            {0xA002, "Position Propagate Mode|HDOP =  2.3|2 0 4|Ant OC Short"},  // the mode stays
            {0x8014, "Position Hold||1 2 1|Ant Open"},
            {0x6088, "Acquiring Satellites, Cold Start or Bad Almanac||1 1 0|Ant OK"},
            {0x0000, "||1 -1 0|Ant OK"},
            {0xE020, "3-D Fix|PDOP =  2.3|3 1 3|Ant OK"},
        };
        for (const auto& [word, expected] : rows) {
            w->DecodeMotorolaBinary(HaMessage().U16(129, word));
            QCOMPARE(QString::asprintf("%s|%s|%d %d %d|%s", qPrintable(w->ui->IDC_SATS_STATUS_MESSAGE->text()),
                                       qPrintable(w->ui->IDC_SATS_DOPS_MESSAGE->text()), w->gpsNavDialog->GetNavMode(),
                                       w->gpsRxDialog->navigationStatus, w->gpsNavDialog->GetFixStatus(),
                                       qPrintable(w->antennaBadge->text())),
                     expected);
        }
        // The short 12-channel message stores the antenna and shows the navigation
        // state, and touches nothing else.
        const QString status = w->ui->IDC_SATS_STATUS_MESSAGE->text() + w->antennaBadge->text();
        w->DecodeMotorolaBinary(MotorolaMessage("Hb").U16(41, 0xC034));
        QCOMPARE(w->antennaState, 2);
        QCOMPARE(w->navigationBadge->text(), QStringLiteral("Surveying"));
        QCOMPARE(w->gpsNavDialog->GetNavMode() * 10 + w->gpsNavDialog->GetFixStatus(), 33);
        QCOMPARE(w->ui->IDC_SATS_STATUS_MESSAGE->text() + w->antennaBadge->text(), status);
    }

    // Status | DOP text shown | nav mode, navigation state, fix status.
    void statusByteOfTheEightAndSixChannelMessages()
    {
        const struct { const char* id; int model; int status; int dopType; const char* expected; } rows[] = {
            {"Ea", 24, 0x24, 0, "3-D Fix, DGPS: PDOP =  2.3|-|3 0 3"},
            {"Ea", 24, 0x0B, 1, "Acquiring Satellites or Position Hold, Bad Almanac: HDOP =  2.3|-|1 1 1"},
            {"Ea", 24, 0x20, 2, "3-D Fix|-|3 0 2"},
            {"Ea", 24, 0xC2, 0x20, "Position Propagate Mode, Poor Geometry (DOP>20), Insufficient Satellites (<3)|-|3 2 4"},
            {"Ea", 10, 0x20, 0, "3-D Fix|DOPs|3 0 2"},
            {"Ba", 24, 0x24, 0, "3-D Fix, DGPS|DOPs|3 0 3"},
            {"Ba", 24, 0x14, 0, "Altitude Hold (2-D Fix), DGPS|-|2 0 0"},
        };
        for (const auto& row : rows) {
            receiverInfo.receiverModel = row.model;
            w->messageHoldoff[1] = 0;
            w->gpsNavDialog->SetDops(1.5, 2.5, 1.2, 2.0, 1.1);
            w->DecodeMotorolaBinary(ShortMessage(row.id, row.status, row.dopType));
            const QString dop = w->ui->IDC_SATS_DOPS_MESSAGE->text();
            QVERIFY(dop.isEmpty() || dop == w->gpsNavDialog->DopText());
            QCOMPARE(QString::asprintf("%s|%s|%d %d %d", qPrintable(w->ui->IDC_SATS_STATUS_MESSAGE->text()),
                                       dop.isEmpty() ? "-" : "DOPs", w->gpsNavDialog->GetNavMode(),
                                       w->gpsRxDialog->navigationStatus, w->gpsNavDialog->GetFixStatus()),
                     row.expected);
        }
    }

    void visibleSatellites()
    {
        w->satellites[7] = {7, 0, 0, 44, true, 8, int8_t(0x80), 0};
        MotorolaMessage bb("Bb");
        VisibleRecord(bb, 0, 7, 0, 45, 270, 0);
        QCOMPARE(w->DecodeMotorolaBinary(bb), "@@Bb 0 Prn, Doppler, El, Az, Hlth; \n");
        QCOMPARE(w->satellites[7].elevation, 0);
        VisibleRecord(bb, 1, 12, 1200, 10, 5, 1);
        VisibleRecord(bb, 2, 255, 65535, 90, 359, 2);
        QCOMPARE(w->DecodeMotorolaBinary(bb.U8(4, 3)),
                 "@@Bb 3 Prn, Doppler, El, Az, Hlth; 7 0 45 270 0; 12 1200 10 5 1; 255 65535 90 359 2; \n");
        // The channel fields stay as the position messages left them.
        QCOMPARE(Sat(w->satellites[7]), QStringLiteral("7 45/270 L44 +8 0x80 T0"));
        QCOMPARE(Sat(w->satellites[12]), QStringLiteral("12 10/5 L0 -0 0x00 T1"));
        QCOMPARE(w->satellites[255].elevationTrend, 1);
        // No position message holds the table: it shows the satellite at once.
        QVERIFY(std::any_of(std::begin(w->satelliteDisplayTable), std::end(w->satelliteDisplayTable),
                            [](const SatelliteRecord& s) { return s.prn == 7 && s.elevation == 45; }));
        // While one does, the table waits for it.
        w->messageHoldoff[1] = 2;
        w->DecodeMotorolaBinary(bb.U8(8, 50));
        QCOMPARE(w->satellites[7].elevation, 50);
        for (const SatelliteRecord& s : w->satelliteDisplayTable)
            QVERIFY(s.prn != 7 || s.elevation == 45);

        // More than the twelve records the message has room for: twelve are read.
        MotorolaMessage many("Bb");
        for (int k = 0; k < 12; ++k)
            VisibleRecord(many, k, k + 1, 0, 10 + k, 100 + k, 0);
        const QString text = w->DecodeMotorolaBinary(many.U8(4, 15));
        QVERIFY(text.startsWith("@@Bb 15 Prn, Doppler, El, Az, Hlth; 1 0 10 100 0; "));
        QVERIFY(text.endsWith("; 12 0 21 111 0; \n"));
        QCOMPARE(text.count(QLatin1Char(';')), 13);
    }

    void channelMeasurementLines()
    {
        w->bGpsRawDataVisible = true;
        QCOMPARE(w->DecodeMotorolaBinary(ChannelData("Bg")),
                 "@@Bg, 345600.123456789,5, 0xA2, 70000.000000005, 1234.5000, 16777215,65535, 12, 0x0F, "
                 "0.999999999, 0.0000, 7,8" +
                     QStringLiteral(", 0, 0x00, 0.000000000, 0.0000, 0,0").repeated(4) + "\n");
        MotorolaMessage eg = ChannelData("Eg");
        eg.U8(137, 32).U8(138, 0xFF).S32(142, 500000000).U16(146, 2).U16(148, 16384).U24(150, 1).U16(153, 2);
        QCOMPARE(w->DecodeMotorolaBinary(eg),
                 "@@Eg, 345600.123456789,5,0xA2,70000.000000005,1234.5000,16777215,65535,12,0x0F,0.999999999,"
                 "0.0000,7,8" +
                     QStringLiteral(",0,0x00,0.000000000,0.0000,0,0").repeated(5) + ",32,0xFF,0.500000000,2.2500,1,2\n");
    }

    void almanacAndEphemerisReports()
    {
        QCOMPARE(w->DecodeMotorolaBinary(MotorolaMessage("Bd")), "@@Bd, No almanac in the receiver\n");
        MotorolaMessage bd("Bd");
        QCOMPARE(w->DecodeMotorolaBinary(bd.U8(4, 1).U8(5, 200).U8(6, 147).U8(7, 31).U32(8, 5)),
                 "@@Bd, Valid almanac in the receiver, week = 200, time = 147, Sats = 31, SV id mask = 0x0005 \n");
        QVERIFY(w->DecodeMotorolaBinary(bd.U32(8, 0xFFFFFFFE)).endsWith("SV id mask = 0xFFFFFFFE \n"));
        QCOMPARE(w->DecodeMotorolaBinary(bd.U8(4, 7)), "@@Bd, Message field error\n");
        QCOMPARE(w->DecodeMotorolaBinary(MotorolaMessage("Bf").U8(4, 7)), "@@Bf Sat 07, Ephemeris Data Message\n");
    }

    // The settings go to the configuration log, and the first reply to the receiver ID window.
    void traimStatusOfTheSixAndEightChannelReceivers()
    {
        w->gpsRxIdDialog->rxIdText.clear();
        const QString tail = QStringLiteral("Sawtooth = -5.00, One-Sigma Accuracy = 25, 7, 0.000000123, 9, -1.500000000");
        const QString zeroRecord = QStringLiteral(", 0, 0.000000000");
        const QString bn = w->DecodeMotorolaBinary(TraimMessage("Bn"));
        QCOMPARE(bn, QStringLiteral("@@Bn, TRAIM (6-ch) ") + kTraimSettings + tail + zeroRecord.repeated(4) + "\n");
        QCOMPARE(QString::asprintf("%g %d %d", w->sawtoothNs, w->timeAccuracyNs, w->bConfigReplyPending), "-5 25 0");
        QVERIFY(w->bAnswerReceived[MainWindow::AnswerBn]);
        QCOMPARE(w->configurationBuffer, QStringLiteral("@@Bn, TRAIM (6-ch) ") + kTraimSettings + "\n");
        QVERIFY(w->gpsRxIdDialog->rxIdText.contains(bn.chopped(1)));
        const QString idText = w->gpsRxIdDialog->rxIdText;

        w->bSawtoothValid = false;
        QCOMPARE(w->DecodeMotorolaBinary(TraimMessage("En")),
                 QStringLiteral("@@En, TRAIM (8-ch) ") + kTraimSettings + tail + zeroRecord.repeated(6) + "\n");
        QVERIFY(w->bSawtoothValid);
        QVERIFY(w->bAnswerReceived[MainWindow::AnswerEn]);
        QCOMPARE(w->gpsRxIdDialog->rxIdText, idText);
    }

    void traimWordsAndLimits()
    {
        const struct { const char* id; int offset; int value; const char* expected; } rows[] = {
            {"Bn", 5, 0, "(6-ch) DISBLED, "},         {"En", 5, 0, "(8-ch) DISABLED, "},
            {"Bn", 7, 3, "limit = 300 nsec"},         {"En", 7, 3, "limit = 300 nsec"},
            {"Bn", 8, 4, "1PPS is OFF always, "},     {"En", 8, 9, "1PPS state ERROR, "},
            {"Bn", 21, 2, "status is UNKNOWN, "},     {"En", 22, 9, "Time RAIM status is ERROR, "},
            {"Bn", 25, 0x0C, "Sawtooth = 12.00, "},
        };
        for (const auto& row : rows) {
            MotorolaMessage m = TraimMessage(row.id);
            if (row.offset == 7)
                m.U8(6, 0);  // the low byte of the limit alone
            const QString text = w->DecodeMotorolaBinary(m.U8(row.offset, row.value));
            QVERIFY2(text.contains(QLatin1String(row.expected)), qPrintable(text));
        }
    }

    void traimStatusOfTheTwelveChannelReceivers()
    {
        w->bConfigReplyPending = true;
        MotorolaMessage hn("Hn");
        hn.U8(4, 1).U8(5, 0).U8(6, 1).U8(7, 5).U32(8, 0x104).U16(12, 40).U8(14, 0x0C).U8(15, 3).S32(16, 1000);
        QCOMPARE(w->DecodeMotorolaBinary(hn),
                 "@@Hn , Pulse on, 1PPS Ref to UTC, T-RAIM Solution Status ALARM, T-RAIM Status Can't Detect "
                 "or Isolate, SVIDs Removed= 0x00000104, Sawtooth 12.00, One-Sigma Accuracy 40, 3, 0.000001000" +
                     QStringLiteral(", 0, 0.000000000").repeated(11) + "\n");
        QCOMPARE(QString::asprintf("%g %d %d", w->sawtoothNs, w->timeAccuracyNs, w->bConfigReplyPending), "12 40 0");
        QVERIFY(w->bAnswerReceived[MainWindow::AnswerHn]);
        QVERIFY(w->configurationBuffer.isEmpty());
        QVERIFY(w->gpsRxIdDialog->rxIdText.contains("@@Hn , Pulse on, 1PPS Ref to UTC"));

        hn.U8(4, 0).U8(5, 3).U8(6, 9).U8(7, 1).U8(14, 0xFB);
        const QString text = w->DecodeMotorolaBinary(hn);
        QVERIFY(text.startsWith("@@Hn , Pulse off, 1PPS Ref to GPS, T-RAIM Solution Status UNKNOWN, "
                                "T-RAIM Status Can Detect But Not Isolate, "));
        QCOMPARE(w->sawtoothNs, -5.0);
    }

    void leapSecondStatesAndUtcOffset()
    {
        for (const auto& [state, text] : {std::pair(1, "@@Bj, Addition of one leap second is pending\n"),
                                          std::pair(3, "@@Bj ...\n"), std::pair(-1, "@@Bj ...\n")}) {
            QCOMPARE(w->DecodeMotorolaBinary(MotorolaMessage("Bj").U8(4, state)), QString(text));
            QCOMPARE(w->leapSecondPending, state);
        }
        w->DecodeMotorolaBinary(MotorolaMessage("Bo").U8(4, 18));  // its line is in the dispatch test
        QCOMPARE(w->utcOffsetSecs, 18);
    }

    // The leap second data message: an event on the current day is still to come.
    void leapSecondEvents()
    {
        const struct { int current, future; const char* event; const char* today; int pending; } rows[] = {
            {18, 19, "2016-12-31", "2016-12-31", 1}, {18, 19, "2016-12-31", "2017-01-01", 0},
            {19, 18, "2017-06-30", "2017-01-01", 2}, {18, 18, "2017-06-30", "2017-01-01", 0},
            {17, 18, "2016-12-01", "2016-11-30", 1}, {17, 18, "2016-12-01", "2016-12-02", 0},
        };
        for (const auto& row : rows) {
            w->displayTime.SetDateTime(QDateTime(QDate::fromString(row.today, Qt::ISODate), QTime(12, 0), Qt::UTC));
            const QDate e = QDate::fromString(row.event, Qt::ISODate);
            MotorolaMessage gj("Gj");
            gj.U8(4, row.current).U8(5, row.future).U16(6, e.year()).U8(8, e.month()).U8(9, e.day());
            const QString text = w->DecodeMotorolaBinary(gj.U8(10, 5).U32(11, 12345).U8(15, 1).U8(16, 2).U8(17, 3));
            QCOMPARE(w->leapSecondPending, row.pending);
            if (row.pending == 1 && row.current == 18)
                QCOMPARE(text, "@@Gj,18,19,2016,12,31,5.000012345,1,2,3\n");
        }
    }

    void dilutionsOfPrecision()
    {
        MotorolaMessage bk("Bk");
        QCOMPARE(w->DecodeMotorolaBinary(bk.U16(4, 21).U16(6, 18).U16(8, 10).U16(10, 15).U16(12, 9)),
                 "@@Bk GDOP = 2.1, PDOP =  1.8, HDOP =  1.0, VDOP =  1.5 TDOP = 0.9 ... \n");
        const GpsNavDialog& nav = *w->gpsNavDialog;
        QVERIFY(StateDigest(*w).contains("dops=1.8/0.9 ") && nav.gdop == 2.1 && nav.hdop == 1.0 && nav.vdop == 1.5);
        w->DecodeMotorolaBinary(MotorolaMessage("Bk"));
        QVERIFY(nav.gdop + nav.pdop + nav.hdop + nav.vdop + nav.tdop == 0);
        QVERIFY(w->DecodeMotorolaBinary(MotorolaMessage("Ek").U16(4, 65535).U16(12, 1)).startsWith("@@Ek GDOP = 6553.5, "));
        QCOMPARE(nav.tdop, 0.1);
    }

    // The age is shown while differential corrections come in; an age of 0 ends them.
    void differentialAge()
    {
        QLabel* label = w->ui->IDC_SATS_DGPS_MESSAGE;
        label->setText(QStringLiteral("before"));
        const struct { const char* id; int state, age; const char* shown; } rows[] = {
            {"Bk", 0, 55, "before"}, {"Ek", 1, 55, "Receiving DGPS, Age 5.5 sec"},
            {"Bk", 1, 0, "Receiving DGPS, Age 0.0 sec"}, {"Bk", -1, 30, "Receiving DGPS, Age 0.0 sec"},
        };
        for (const auto& row : rows) {
            w->dgpsState = row.state < 0 ? w->dgpsState : row.state;
            w->DecodeMotorolaBinary(MotorolaMessage(row.id).U16(22, row.age));
            QCOMPARE(label->text(), QLatin1String(row.shown));
        }
        QCOMPARE(w->dgpsState, 0);
    }

    void fieldReaders()
    {
        const QByteArray minusTwo("\xFF\xFF\xFF\xFE", 4);
        QCOMPARE(ReadBigEndianInt32AsDouble(minusTwo, 0), -2.0);
        QCOMPARE(MainWindow::GetMotorolaUInt32(minusTwo, 0), 4294967294u);
        QCOMPARE(MainWindow::GetMotorolaUInt24(QByteArray("\x01\x02\x03"), 0), 66051u);
        QCOMPARE(MainWindow::GetMotorolaSecondsNanoseconds(QByteArray("\x3B\x00\x00\x01\xF4", 5), 0), 59.0000005);
        QCOMPARE(MainWindow::GetMotorolaSecondsNanoseconds(QByteArray(5, '\xFF'), 0), -1.000000001);
        QCOMPARE(ReadLittleEndianUInt32(QByteArray("\x78\x56\x34\x12"), 0), 305419896u);
        // A field that does not lie wholly inside the message reads 0.
        const QByteArray three("\x11\x22\x33");
        QCOMPARE(MainWindow::GetMotorolaUInt32(three, 0), 0u);
        QCOMPARE(ReadBigEndianUInt16(three, 2), uint16_t(0));
        QCOMPARE(ReadUInt8(three, -1), uint8_t(0));
        QCOMPARE(ReadLittleEndianUInt32(three, 0), 0u);
        QCOMPARE(ReadBigEndianInt32AsDouble(three, 0x7FFFFFFF), 0.0);
        QCOMPARE(MainWindow::GetMotorolaSecondsNanoseconds(three, 2), 51.0);
    }

    void gpsCalendar()
    {
        QCOMPARE(Calendar(0, -1), QStringLiteral("1980-01-05 23:59:59"));
        // Four-year cycles agree with the Gregorian calendar until 2100.
        const QDateTime epoch(QDate(1980, 1, 6), QTime(0, 0), Qt::UTC);
        for (unsigned week = 0; week < 6000; week += 7) {
            for (int seconds : {0, 302399, 604799}) {
                const QDateTime expected = epoch.addSecs(qint64(week) * 604800 + seconds);
                if (expected.date().year() < 2100)
                    QCOMPARE(Calendar(week, seconds), expected.toString("yyyy-MM-dd hh:mm:ss"));
            }
        }
    }

    void messagesWithoutHandler()
    {
        const QString before = StateDigest(*w);
        for (const char* rejected : {"@@H", "", "$GPGGA,045000.00,5742.7698333,N*4E", "@#Ha0000"})
            QCOMPARE(w->DecodeMotorolaBinary(QByteArray(rejected)), QString());
        QCOMPARE(w->DecodeMotorolaBinary(QByteArray("@@Zz\x01\x02", 6)), BareHead("Zz"));
        QCOMPARE(w->DecodeMotorolaBinary(MotorolaMessage("Dq", 10)), BareHead("Dq"));
        QCOMPARE(w->DecodeMotorolaBinary(MotorolaMessage("Bc")), BareHead("Bc"));
        // The 8-channel DOPs share their id with messages of other lengths.
        for (int length : {69, 80})
            QCOMPARE(w->DecodeMotorolaBinary(MotorolaMessage("Ek", length).U16(6, 35)), BareHead("Ek"));
        QCOMPARE(StateDigest(*w), before);
    }

    // A message shorter than its handler needs is an id without a handler: nothing is
    // read past its end (the buffer ends there, for the address sanitizer).
    void messagesTooShortForTheirHandler()
    {
        for (const char* id : kHandledMotorolaIds) {
            w = NewDecodingWindow();
            w->bGpsRawDataVisible = true;
            const QString before = StateDigest(*w);
            MotorolaMessage m(id);
            if (m.bytes.size() >= 15)
                m.DateTime(2021, 6, 1, 12, 0, 0);
            for (int length = 4; length < m.bytes.size(); ++length)
                QCOMPARE(w->DecodeMotorolaBinary(ExactBuffer(m.bytes.left(length)).Bytes()), BareHead(id));
            QVERIFY2(StateDigest(*w) == before, id);
            QVERIFY2(w->DecodeMotorolaBinary(ExactBuffer(m).Bytes()) != BareHead(id), id);
        }
    }

    // A newer receiver generation's position message holds the older ones off for five
    // ticks; without ticks, for ever.
    void newerGenerationsHoldTheOlderOff()
    {
        const QByteArray ha = MotorolaMessage("Ha").DateTime(2021, 6, 1, 12, 0, 0).U8(56, 7);
        const QByteArray ea = MotorolaMessage("Ea").DateTime(2021, 6, 1, 12, 0, 3).U8(39, 5);
        const QByteArray ba = MotorolaMessage("Ba").DateTime(2021, 6, 1, 12, 0, 3).U8(39, 4);
        w->DecodeMotorolaBinary(ha);
        for (int k = 0; k < 10; ++k)
            QCOMPARE(w->DecodeMotorolaBinary(ea) + w->DecodeMotorolaBinary(ba), BareHead("Ea") + BareHead("Ba"));
        for (int tick = 0; tick < 3; ++tick)
            w->OnClockTick();
        const QString before = StateDigest(*w);
        QCOMPARE(w->DecodeMotorolaBinary(ea), BareHead("Ea"));
        QCOMPARE(StateDigest(*w), before);

        for (int tick = 3; tick < 6; ++tick)
            w->OnClockTick();
        w->DecodeMotorolaBinary(ea);
        QCOMPARE(w->gpsNavDialog->GetSatellitesUsed(), 5);
        QVERIFY(w->bAnswerReceived[MainWindow::AnswerEa]);
        QCOMPARE(w->DecodeMotorolaBinary(ba), BareHead("Ba"));
        for (int tick = 0; tick < 5; ++tick)
            w->OnClockTick();
        w->DecodeMotorolaBinary(ba);
        QCOMPARE(w->gpsNavDialog->GetSatellitesUsed(), 4);
        QCOMPARE(w->messageHoldoff[2], 5);
        QVERIFY(w->bAnswerReceived[MainWindow::AnswerBa]);
    }

    // Lines are built only while the raw-data window is open or the second is logged;
    // the data model is updated all the same. A PVT log gets the position lines.
    void linesOnlyWhileSomeoneReadsThem()
    {
        QTemporaryDir dir;
        w->gpsLogFile.setFileName(dir.filePath("gps.csv"));
        QVERIFY(w->gpsLogFile.open(QIODevice::WriteOnly));
        w->gpsLogTypeDialog->gpsLogType = 2;
        for (const char* id : {"Ba", "Ea", "Hb", "Hr", "Bg", "Eg"})
            QCOMPARE(w->DecodeMotorolaBinary(MotorolaMessage(id)), BareHead(id));
        MotorolaMessage ha("Ha");
        ha.DateTime(2021, 6, 1, 12, 0, 0).S32(15, 3600000 * 45).S32(19, -3600000 * 2);
        ha.U8(56, 1).U8(57, 17).U8(58, 8).U8(59, 60).U16(61, 0x0080);
        // A 1PPS tick waits for each time message, so the log step ran with the tick.
        w->bPpsAwaitingTime[0] = true;
        QCOMPARE(w->DecodeMotorolaBinary(ha), BareHead("Ha"));
        QCOMPARE(w->receiverTime.ToUtcString("hh:mm:ss"), QStringLiteral("12:00:01"));
        QCOMPARE(w->gpsNavDialog->currentLon, -2.0);
        QCOMPARE(Sat(w->satellites[17]), QStringLiteral("17 0/0 L40 +8 0x80 T0"));
        w->gpsLogFile.flush();
        QCOMPARE(w->gpsLogFile.size(), 0);

        w->bLogThisSecond = w->bPpsAwaitingTime[0] = true;
        const QString text = w->DecodeMotorolaBinary(ha);
        QVERIFY(text.startsWith("@@Ha, 06/01/2021, 12:00:00.000000000, "));
        QVERIFY(w->DecodeMotorolaBinary(MotorolaMessage("Eg")).startsWith("@@Eg, "));  // shown only
        w->gpsLogTypeDialog->gpsLogType = 0;
        w->bPpsAwaitingTime[0] = true;
        w->DecodeMotorolaBinary(ha);  // not a PVT log
        w->gpsLogFile.close();
        QFile log(w->gpsLogFile.fileName());
        QVERIFY(log.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(log.readAll()), text.mid(6));  // the line with its LF
    }

private:
    std::unique_ptr<MainWindow> w;
};

HORALUX_TEST(TestMotorola);
#include "tst_motorola.moc"
