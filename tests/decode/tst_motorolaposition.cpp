// The Motorola position, status and data messages: receiver time, position and motion,
// the satellite table, the status words and bytes, and the PVT lines.

#include "geoidmodel.h"
#include "gpsnavdialog.h"
#include "gpsrxdialog.h"
#include "motorolamessages.h"
#include "testsupport.h"
#include "ui_mainwindow.h"

#include <QLabel>
#include <QTest>

#include <ctime>

namespace {

// The position fields shared by the 12-, 8- and 6-channel messages, the 12-channel
// velocity and heading, and the counts.
MotorolaMessage& WithPosition(MotorolaMessage& m)
{
    m.DateTime(2021, 6, 1, 12, 34, 56, 123456789);
    m.S32(15, 3600000 * 45 + 123).S32(19, -7200000 - 456).S32(23, 12345).S32(27, 8765);
    return m;
}

MotorolaMessage HaMessage()
{
    MotorolaMessage m("Ha");
    WithPosition(m);
    m.S32(31, 162000124).S32(35, -7200457).S32(39, 12346).S32(43, 8766);
    m.U16(47, 150).U16(49, 120).U16(51, 2705).U16(53, 23).U8(55, 11).U8(56, 8);
    m.U8(57, 17).U8(58, 8).U8(59, 15).U8(60, 99).U16(61, 0x01A7);
    m.U8(63, 5).U8(64, 8).U8(65, 60).U8(66, 12).U16(67, 0x00A2);
    m.U16(129, 0xE020).U8(131, 1).U8(132, 2).U16(133, 300).U32(135, 0xFFFFFFF6).U16(139, 71);
    m.U8(141, 3).U8(142, 0x2B).U8(143, 1).U8(144, 30).Text(145, "TAG001");
    return m;
}

// "@@Ea" and "@@Ba" share their layout up to the channels.
MotorolaMessage ShortMessage(const char* id, int statusOffset, unsigned dopType)
{
    MotorolaMessage m(id);
    WithPosition(m);
    m.U16(31, 150).U16(33, 2705).U16(35, 23).U8(37, dopType).U8(38, 11).U8(39, 8);
    m.U8(40, 9).U8(41, 8).U8(42, 36).U8(43, 0xA2);
    m.U8(44, 7).U8(45, 8).U8(46, 56).U8(47, 0xA2);
    m.U8(48, 13);
    m.U8(statusOffset, 0x24);
    return m;
}

QString LabelText(QLabel* label)
{
    return label->text();
}

// Sets the process time zone; Qt reads it again for each local-time conversion.
void SetTimeZone(const char* zone)
{
    qputenv("TZ", zone);
    tzset();
}

QString UtcText(const UtcDateTime& t)
{
    return t.dateTime.toUTC().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

}  // namespace

class TestMotorolaPosition : public QObject
{
    Q_OBJECT

private slots:
    void init() { w = NewDecodingWindow(); }
    void cleanup()
    {
        w.reset();
        SetTimeZone("UTC");
    }

    void pvtLinesOfThePositionMessages()
    {
        w->bGpsRawDataVisible = true;
        QCOMPARE(w->DecodeMotorolaBinary(HaMessage()),
                 "@@Ha, 06/01/2021, 12:34:56.123456789, 1.62000123e+08, -7.20045600e+06, 123.45, 87.65, "
                 "1.62000124e+08, -7.20045700e+06, 123.46, 87.66, 1.50, 1.20, 270.5, PDOP, 2.3, 11, 8, "
                 "0xE020, 17, 8, 15, 99, 0x01a7, 5, 8, 60, 12, 0x00a2, 0, 0, 0, 0, 0x0000, 0, 0, 0, 0, "
                 "0x0000, 0, 0, 0, 0, 0x0000, 0, 0, 0, 0, 0x0000, 0, 0, 0, 0, 0x0000, 0, 0, 0, 0, 0x0000, "
                 "0, 0, 0, 0, 0x0000, 0, 0, 0, 0, 0x0000, 0, 0, 0, 0, 0x0000, 0, 0, 0, 0, 0x0000, 1, 2, "
                 "300, -10, 35.5, 0x03, 0x2b, 0x01, 0x1e, \"TAG001\"\n");

        MotorolaMessage hb("Hb");
        WithPosition(hb);
        hb.U16(31, 150).U16(33, 120).U16(35, 2705).U16(37, 23).U8(39, 11).U8(40, 8).U16(41, 0xC008);
        hb.Text(45, "HBTAG1");
        QCOMPARE(w->DecodeMotorolaBinary(hb),
                 "@@Hb, 06/01/2021, 12:34:56.123456789, 1.62000123e+08, -7.20045600e+06, 123.45, 87.65, "
                 "1.50, 1.20, 270.5, HDOP, 2.3, 11, 8,0xc008, \"HBTAG1\"\n");

        MotorolaMessage hr("Hr");
        hr.U8(4, 250).U8(5, 1).U16(6, 2021).U8(8, 12).U8(9, 34).U8(10, 56).U16(11, 40000).U32(13, 0x80000000);
        hr.S32(17, 3600000 * 45 + 123).S32(21, -7200000 - 456).S32(25, 12345).U16(29, 150).U16(31, 2705);
        hr.U16(33, 0x1234).U16(35, 23).U8(37, 1).U8(38, 9).U16(39, 0xBEEF).Text(161, "HRTAG1");
        QCOMPARE(w->DecodeMotorolaBinary(hr),
                 "@@Hr, -06/01/2021, 12:34:56, 40000, -2147483648, 1.62000123e+08, -7.20045600e+06, "
                 "123.45, 1.50, 270.5, HDOP, 2.3, 9, 0xbeef, 0x1234, \"HRTAG1\"\n");

        w->messageHoldoff[0] = 0;
        QCOMPARE(w->DecodeMotorolaBinary(ShortMessage("Ea", 72, 0)),
                 "@@Ea, 06/01/2021, 12:34:56.123456789, 1.62000123e+08, -7.20045600e+06, 123.45, 87.65, "
                 "1.50, 270.5, PDOP, 2.3, 11, 8, 9, 8, 36, 0xa2, 7, 8, 56, 0xa2, 13, 0, 0, 0x00, 0, 0, 0, "
                 "0x00, 0, 0, 0, 0x00, 0, 0, 0, 0x00, 0, 0, 0, 0x00, 0, 0, 0, 0x00, 0x24\n");

        // The 6-channel line prints its heights in centimetres.
        w->messageHoldoff[1] = 0;
        QCOMPARE(w->DecodeMotorolaBinary(ShortMessage("Ba", 64, 1)),
                 "@@Ba, 06/01/2021, 12:34:56.123456789, 1.62000123e+08, -7.20045600e+06, 12345.00, "
                 "8765.00, 1.50, 270.5, HDOP, 2.3, 11, 8, 9, 8, 36, 0xa2, 7, 8, 56, 0xa2, 13, 0, 0, "
                 "0x00, 0, 0, 0, 0x00, 0, 0, 0, 0x00, 0, 0, 0, 0x00, 0x24\n");
    }

    void linesOnlyWhileSomeoneReadsThem()
    {
        for (const char* id : {"Ha", "Hb", "Hr", "Ea", "Ba"}) {
            for (int& holdoff : w->messageHoldoff)
                holdoff = 0;
            MotorolaMessage m(id);
            m.DateTime(2021, 6, 1, 12, 0, 0);
            QCOMPARE(w->DecodeMotorolaBinary(m), BareHead(id));
        }
        w->bLogThisSecond = true;
        QVERIFY(w->DecodeMotorolaBinary(MotorolaMessage("Hr")).startsWith("@@Hr, "));
    }

    void receiverTimeRoundingAndTheAddedSecond_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("fields");  // yyyy-MM-dd hh:mm and the seconds byte
        QTest::addColumn<int>("second");
        QTest::addColumn<int>("nanoseconds");
        QTest::addColumn<QString>("taken");
        QTest::addColumn<QString>("receiver");
        QTest::newRow("Ea cuts") << "Ea" << "2021-06-01 12:00" << 30 << 900000000
                                 << "2021-06-01 12:00:30" << "2021-06-01 12:00:31";
        QTest::newRow("Ha rounds") << "Ha" << "2021-06-01 12:00" << 30 << 900000000
                                   << "2021-06-01 12:00:31" << "2021-06-01 12:00:32";
        QTest::newRow("Ba rounds, adds none") << "Ba" << "2021-06-01 12:00" << 30 << 900000000
                                              << "2021-06-01 12:00:31" << "2021-06-01 12:00:31";
        QTest::newRow("Ha on the second") << "Ha" << "2021-06-01 12:00" << 0 << 0
                                          << "2021-06-01 12:00:00" << "2021-06-01 12:00:01";
        QTest::newRow("Ba on the second") << "Ba" << "2021-06-01 12:00" << 0 << 0
                                          << "2021-06-01 12:00:00" << "2021-06-01 12:00:00";
        QTest::newRow("Ha rounds into a new year") << "Ha" << "2021-12-31 23:59" << 59 << 600000000
                                                   << "2022-01-01 00:00:00" << "2022-01-01 00:00:01";
        QTest::newRow("Ba rounds into a new minute") << "Ba" << "2021-06-01 12:00" << 59 << 500000000
                                                     << "2021-06-01 12:01:00" << "2021-06-01 12:01:00";
        QTest::newRow("Ea holds at 59") << "Ea" << "2021-06-01 12:00" << 59 << 999999999
                                        << "2021-06-01 12:00:59" << "2021-06-01 12:01:00";
        QTest::newRow("Ba leap second held at 59") << "Ba" << "2016-12-31 23:59" << 60 << 600000000
                                                   << "2016-12-31 23:59:59" << "2016-12-31 23:59:59";
        QTest::newRow("Ha leap second held at 59") << "Ha" << "2016-12-31 23:59" << 60 << 0
                                                   << "2016-12-31 23:59:59" << "2017-01-01 00:00:00";
    }

    void receiverTimeRoundingAndTheAddedSecond()
    {
        QFETCH(QString, id);
        QFETCH(QString, fields);
        QFETCH(int, second);
        QFETCH(int, nanoseconds);
        QFETCH(QString, taken);
        QFETCH(QString, receiver);
        const QDateTime minute = QDateTime::fromString(fields, QStringLiteral("yyyy-MM-dd hh:mm"));
        MotorolaMessage m(qPrintable(id));
        m.DateTime(minute.date().year(), minute.date().month(), minute.date().day(), minute.time().hour(),
                   minute.time().minute(), second, nanoseconds);
        w->DecodeMotorolaBinary(m);
        // No tick was waiting, so the clock showed the taken second before the advance.
        QCOMPARE(UtcText(w->displayTime), taken);
        QCOMPARE(UtcText(w->receiverTime), receiver);
        QCOMPARE(w->receiverTime.dateTime.timeSpec(), Qt::UTC);
        QVERIFY(w->bTimeMessageSeen);
    }

    void theTimeMessageAnswersTheTick()
    {
        const QString before = UtcText(w->displayTime);
        w->bPpsAwaitingTime[0] = true;
        w->DecodeMotorolaBinary(MotorolaMessage("Ha").DateTime(2021, 6, 1, 12, 0, 0));
        QVERIFY(!w->bPpsAwaitingTime[0]);
        QVERIFY(!w->bTimeMessageSeen);
        QCOMPARE(UtcText(w->displayTime), before);  // the tick refreshes the clock
        QCOMPARE(UtcText(w->receiverTime), QStringLiteral("2021-06-01 12:00:01"));
    }

    void impossibleTimesAreNoTimeMessage_data()
    {
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::addColumn<int>("hour");
        QTest::addColumn<int>("second");
        QTest::newRow("month 13") << 13 << 1 << 12 << 0;
        QTest::newRow("month 0") << 0 << 1 << 12 << 0;
        QTest::newRow("31 June") << 6 << 31 << 12 << 0;
        QTest::newRow("hour 24") << 6 << 1 << 24 << 0;
        QTest::newRow("second 61") << 6 << 1 << 12 << 61;
        QTest::newRow("second -5") << 6 << 1 << 12 << 0xFB;
    }

    void impossibleTimesAreNoTimeMessage()
    {
        QFETCH(int, month);
        QFETCH(int, day);
        QFETCH(int, hour);
        QFETCH(int, second);
        w->DecodeMotorolaBinary(MotorolaMessage("Ba").DateTime(2021, 6, 1, 12, 0, 0));
        const QString before = UtcText(w->receiverTime);
        w->bPpsAwaitingTime[0] = true;
        MotorolaMessage ba("Ba");
        ba.DateTime(2021, month, day, hour, 0, second).U8(39, 6);
        w->messageHoldoff[2] = 0;
        w->DecodeMotorolaBinary(ba);
        QCOMPARE(UtcText(w->receiverTime), before);
        QVERIFY(w->receiverTime.dateTime.isValid());
        // The tick will count the second as one without a time message.
        QVERIFY(w->bPpsAwaitingTime[0]);
        // The rest of the message still counts.
        QCOMPARE(w->gpsNavDialog->GetSatellitesUsed(), 6);
    }

    void receiverTimeStaysUtcWhenThePcChangesDaylightSaving_data()
    {
        QTest::addColumn<QString>("sent");
        QTest::addColumn<QString>("clock");
        QTest::newRow("before spring") << "2021-03-28 00:59:59" << "00:59.59";
        QTest::newRow("spring change") << "2021-03-28 01:00:00" << "01:00.00";
        QTest::newRow("in the local gap") << "2021-03-28 02:30:00" << "02:30.00";
        QTest::newRow("autumn, first 02:30 local") << "2021-10-31 00:30:00" << "00:30.00";
        QTest::newRow("autumn, second 02:30 local") << "2021-10-31 01:30:00" << "01:30.00";
        QTest::newRow("in the doubled local hour") << "2021-10-31 02:30:00" << "02:30.00";
    }

    void receiverTimeStaysUtcWhenThePcChangesDaylightSaving()
    {
        QFETCH(QString, sent);
        QFETCH(QString, clock);
        SetTimeZone("Europe/Berlin");
        const QDateTime t = QDateTime::fromString(sent, QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        w->DecodeMotorolaBinary(MotorolaMessage("Ha").DateTime(t.date().year(), t.date().month(), t.date().day(),
                                                                t.time().hour(), t.time().minute(),
                                                                t.time().second()));
        QCOMPARE(w->receiverTime.dateTime.timeSpec(), Qt::UTC);
        QCOMPARE(UtcText(w->displayTime), sent);
        QCOMPARE(w->displayTime.ToString(QStringLiteral("yyyy-MM-dd hh:mm:ss")), sent);
        QVERIFY2(w->ui->IDC_GPS_CLOCK_DATA->text().contains(clock), qPrintable(w->ui->IDC_GPS_CLOCK_DATA->text()));
        QCOMPARE(w->receiverTime.ToMSecsSinceEpoch() - w->displayTime.ToMSecsSinceEpoch(), 1000);
    }

    void aReceiverOnLocalTimeIsTakenToUtc()
    {
        SetTimeZone("Europe/Berlin");
        w->gpsRxDialog->bRxOnLocalTime = true;
        w->DecodeMotorolaBinary(MotorolaMessage("Ba").DateTime(2021, 7, 1, 14, 0, 0));
        QCOMPARE(UtcText(w->receiverTime), QStringLiteral("2021-07-01 12:00:00"));
        w->messageHoldoff[2] = 0;
        w->DecodeMotorolaBinary(MotorolaMessage("Ba").DateTime(2021, 1, 15, 14, 0, 0));
        QCOMPARE(UtcText(w->receiverTime), QStringLiteral("2021-01-15 13:00:00"));
        QCOMPARE(w->receiverTime.dateTime.timeSpec(), Qt::UTC);

        // A local time that the spring change skipped names no instant: no time message.
        w->messageHoldoff[2] = 0;
        w->DecodeMotorolaBinary(MotorolaMessage("Ba").DateTime(2021, 3, 28, 2, 30, 0));
        QCOMPARE(UtcText(w->receiverTime), QStringLiteral("2021-01-15 13:00:00"));
    }

    void positionSpeedHeadingAndCounts()
    {
        MotorolaMessage ha = HaMessage();
        ha.U16(47, 1000);
        w->DecodeMotorolaBinary(ha);
        const GpsNavDialog& nav = *w->gpsNavDialog;
        QCOMPARE(nav.currentLat, (3600000 * 45 + 123) / 3600000.0);
        QCOMPARE(nav.currentLon, (-7200000 - 456) / 3600000.0);
        QCOMPARE(nav.currentAltGps, 123.45);
        QCOMPARE(nav.currentAltMsl, 87.65);
        QCOMPARE(nav.GetSpeed(), 19.425);
        QCOMPARE(nav.GetHeading(), 270.5);
        QCOMPARE(nav.GetSatellitesUsed(), 8);
        QCOMPARE(LabelText(w->ui->IDC_SATS_VISIBLE), QStringLiteral("11 Visible"));
        QCOMPARE(LabelText(w->ui->IDC_SATS_TRACKED), QStringLiteral("8 Tracked"));
        QVERIFY(!w->ui->IDC_GRIDSQUARE->text().isEmpty());

        // The 8-channel message has its velocity and heading elsewhere.
        w->messageHoldoff[0] = 0;
        MotorolaMessage ea = ShortMessage("Ea", 72, 0);
        ea.U16(31, 200).U16(33, 900).U8(38, 10).U8(39, 3);
        w->DecodeMotorolaBinary(ea);
        QCOMPARE(nav.GetSpeed(), 200 * 0.019425);
        QCOMPARE(nav.GetHeading(), 90.0);
        QCOMPARE(nav.GetSatellitesUsed(), 3);
        QCOMPARE(LabelText(w->ui->IDC_SATS_VISIBLE), QStringLiteral("10 Visible"));
    }

    void geoidFallbackByModelGroup_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<int>("model");
        QTest::addColumn<bool>("fallback");
        QTest::newRow("Ha M12") << "Ha" << 3 << true;
        QTest::newRow("Ha SIGNAV") << "Ha" << 18 << true;
        QTest::newRow("Ha UT+") << "Ha" << 9 << false;
        QTest::newRow("Ea UT+") << "Ea" << 9 << true;
        QTest::newRow("Ea CNXT") << "Ea" << 17 << true;
        QTest::newRow("Ea M12") << "Ea" << 3 << false;
        QTest::newRow("Ba M12") << "Ba" << 3 << true;
        QTest::newRow("Ba GT") << "Ba" << 1 << true;
        QTest::newRow("Ba PVT6") << "Ba" << 6 << false;
        QTest::newRow("Ba unidentified") << "Ba" << 24 << false;
    }

    void geoidFallbackByModelGroup()
    {
        QFETCH(QString, id);
        QFETCH(int, model);
        QFETCH(bool, fallback);
        receiverInfo.receiverModel = model;
        MotorolaMessage m(qPrintable(id));
        m.DateTime(2021, 6, 1, 12, 0, 0).S32(15, 3600000 * 45).S32(19, 3600000 * 10).S32(23, 10000).S32(27, 0);
        w->DecodeMotorolaBinary(m);
        const double expected = fallback ? 100.0 - GeoidModel::GeoidSeparation(45.0, 10.0) : 0.0;
        QVERIFY(GeoidModel::GeoidSeparation(45.0, 10.0) != 0.0);
        QCOMPARE(w->gpsNavDialog->currentAltMsl, expected);

        // A height above sea level that came with the message is kept.
        for (int& holdoff : w->messageHoldoff)
            holdoff = 0;
        m.S32(27, 5000);
        w->DecodeMotorolaBinary(m);
        QCOMPARE(w->gpsNavDialog->currentAltMsl, 50.0);
    }

    void channelRecordsOfTheTwelveChannelMessage()
    {
        SatelliteRecord& gone = w->satellites[30];
        gone.prn = 30;
        gone.bTracked = true;
        gone.elevation = 40;
        gone.azimuth = 120;
        gone.signalLevel = 33;
        MotorolaMessage ha = HaMessage();
        // Satellite 5 is in two channels: the later one counts.
        ha.U8(69, 5).U8(70, 7).U8(71, 70).U16(73, 0x0080);
        w->DecodeMotorolaBinary(ha);

        const SatelliteRecord& s17 = w->satellites[17];
        QCOMPARE(s17.prn, 17);
        QVERIFY(s17.bTracked);
        QCOMPARE(int(s17.channelState), 8);
        QCOMPARE(s17.signalLevel, 0);  // 15 is below the floor of 20
        QCOMPARE(uint8_t(s17.statusFlags), uint8_t(0xA9));
        const SatelliteRecord& s5 = w->satellites[5];
        QCOMPARE(int(s5.channelState), 7);
        QCOMPARE(s5.signalLevel, 50);
        QCOMPARE(uint8_t(s5.statusFlags), uint8_t(0x80));
        // Idle channels land on record 0.
        QVERIFY(w->satellites[0].bTracked);
        QCOMPARE(gone.prn, 0);
        QVERIFY(!gone.bTracked);
        QCOMPARE(int(gone.channelState), 9);
        QCOMPARE(gone.signalLevel, 0);
        QCOMPARE(gone.elevation, 40);
        QCOMPARE(gone.azimuth, 120);
    }

    void signalLevelsOfTheEightAndSixChannelMessages_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("signal");
        QTest::addColumn<int>("level");
        QTest::newRow("Ea linear") << "Ea" << 24 << 56 << 36;
        QTest::newRow("Ea linear floor") << "Ea" << 24 << 12 << 0;
        QTest::newRow("Ea log") << "Ea" << 6 << 50 << 32;
        QTest::newRow("Ea log strong") << "Ea" << 10 << 127 << 41;
        QTest::newRow("Ea log at 12 has no logarithm") << "Ea" << 11 << 12 << 0;
        QTest::newRow("Ea log below 0") << "Ea" << 11 << 13 << 0;
        QTest::newRow("Ea log of a negative byte") << "Ea" << 6 << 200 << 0;
        QTest::newRow("Ba linear") << "Ba" << 9 << 60 << 40;
        QTest::newRow("Ba log") << "Ba" << 6 << 100 << 28;
        QTest::newRow("Ba log weak") << "Ba" << 6 << 20 << 14;
        QTest::newRow("Ba log below 0") << "Ba" << 6 << 1 << 0;
        QTest::newRow("Ba log of 0") << "Ba" << 6 << 0 << 0;
    }

    void signalLevelsOfTheEightAndSixChannelMessages()
    {
        QFETCH(QString, id);
        QFETCH(int, model);
        QFETCH(int, signal);
        QFETCH(int, level);
        receiverInfo.receiverModel = model;
        MotorolaMessage m(qPrintable(id));
        m.DateTime(2021, 6, 1, 12, 0, 0).U8(40, 21).U8(41, 8).U8(42, signal).U8(43, 0xA5);
        w->DecodeMotorolaBinary(m);
        const SatelliteRecord& s = w->satellites[21];
        QVERIFY(s.bTracked);
        QCOMPARE(s.signalLevel, level);
        QCOMPARE(uint8_t(s.statusFlags), uint8_t(0xA5));
        QCOMPARE(int(s.channelState), 8);
    }

    void statusWordOfTheTwelveChannelMessage_data()
    {
        QTest::addColumn<int>("word");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("dop");
        QTest::addColumn<int>("navMode");
        QTest::addColumn<int>("navigation");
        QTest::addColumn<int>("fix");
        QTest::addColumn<QString>("antenna");
        QTest::newRow("3-D fix, position hold") << 0xE020 << "3-D Fix" << "PDOP =  2.3" << 3 << 1 << 3 << "Ant OK";
        QTest::newRow("3-D fix") << 0xE000 << "3-D Fix" << "PDOP =  2.3" << 3 << 0 << 2 << "Ant OK";
        QTest::newRow("2-D fix") << 0xC04E << "Altitude Hold (2-D Fix), Insufficient Satellites (<3), DGPS"
                                 << "HDOP =  2.3" << 2 << 0 << 0 << "Ant No Pwr";
        QTest::newRow("propagate") << 0xA002 << "Position Propagate Mode" << "" << 0 << 0 << 4 << "Ant OC Short";
        QTest::newRow("position hold, surveying") << 0x8014 << "Position Hold" << "" << 1 << 2 << 1 << "Ant Open";
        QTest::newRow("acquiring, cold start") << 0x6088 << "Acquiring Satellites, Cold Start or Bad Almanac"
                                               << "" << 1 << 1 << 0 << "Ant OK";
        QTest::newRow("poor geometry") << 0x4000 << "Poor Geometry" << "" << 0 << 1 << 0 << "Ant OK";
        QTest::newRow("nothing") << 0x0000 << "" << "" << 0 << -1 << 0 << "Ant OK";
    }

    void statusWordOfTheTwelveChannelMessage()
    {
        QFETCH(int, word);
        QFETCH(QString, status);
        QFETCH(QString, dop);
        QFETCH(int, navMode);
        QFETCH(int, navigation);
        QFETCH(int, fix);
        QFETCH(QString, antenna);
        MotorolaMessage ha = HaMessage();
        ha.U16(129, word);
        w->DecodeMotorolaBinary(ha);
        QCOMPARE(LabelText(w->ui->IDC_SATS_STATUS_MESSAGE), status);
        QCOMPARE(LabelText(w->ui->IDC_SATS_DOPS_MESSAGE), dop);
        QCOMPARE(w->gpsNavDialog->GetNavMode(), navMode);
        QCOMPARE(w->gpsRxDialog->navigationStatus, navigation);
        QCOMPARE(w->gpsNavDialog->GetFixStatus(), fix);
        QCOMPARE(w->antennaBadge->text(), antenna);
    }

    void statusWordOfTheShortTwelveChannelMessage()
    {
        w->gpsNavDialog->SetNavMode(3);
        w->ui->IDC_SATS_STATUS_MESSAGE->setText(QStringLiteral("earlier"));
        const QString antennaBefore = w->antennaBadge->text();
        MotorolaMessage hb("Hb");
        hb.U16(41, 0xC034);
        w->DecodeMotorolaBinary(hb);
        QCOMPARE(w->antennaState, 2);
        QCOMPARE(w->antennaBadge->text(), antennaBefore);
        QCOMPARE(w->gpsRxDialog->navigationStatus, 2);
        QCOMPARE(w->navigationBadge->text(), QStringLiteral("Surveying"));
        QCOMPARE(w->gpsNavDialog->GetNavMode(), 3);
        QCOMPARE(w->gpsNavDialog->GetFixStatus(), -1);
        QCOMPARE(LabelText(w->ui->IDC_SATS_STATUS_MESSAGE), QStringLiteral("earlier"));
    }

    void statusByteOfTheEightAndSixChannelMessages_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("dopType");
        QTest::addColumn<QString>("statusText");
        QTest::addColumn<bool>("dopText");
        QTest::addColumn<int>("navMode");
        QTest::addColumn<int>("navigation");
        QTest::addColumn<int>("fix");
        QTest::newRow("Ea 3-D DGPS") << "Ea" << 24 << 0x24 << 0 << "3-D Fix, DGPS: PDOP =  2.3" << false << 3 << 0 << 3;
        QTest::newRow("Ea acquiring") << "Ea" << 24 << 0x09 << 1
                                      << "Acquiring Satellites or Position Hold, Bad Almanac: HDOP =  2.3" << false
                                      << 1 << 1 << 1;
        QTest::newRow("Ea nothing but the DOP") << "Ea" << 24 << 0x00 << 0 << "PDOP =  2.3" << false << 0 << -1 << 0;
        QTest::newRow("Ea other DOP type") << "Ea" << 24 << 0x20 << 2 << "3-D Fix" << false << 3 << 0 << 2;
        QTest::newRow("Ea propagating, surveying")
            << "Ea" << 24 << 0xC2 << 0x20 << "Position Propagate Mode, Poor Geometry (DOP>20), Insufficient Satellites (<3)"
            << false << 0 << 2 << 4;
        QTest::newRow("Ea 2-D") << "Ea" << 24 << 0x10 << 0 << "Altitude Hold (2-D Fix): PDOP =  2.3" << false << 2 << 0 << 0;
        QTest::newRow("Ea log model") << "Ea" << 10 << 0x20 << 0 << "3-D Fix" << true << 3 << 0 << 2;
        QTest::newRow("Ea log model 2-D") << "Ea" << 10 << 0x10 << 0 << "Altitude Hold (2-D Fix)" << false << 2 << 0 << 0;
        QTest::newRow("Ba 3-D DGPS") << "Ba" << 24 << 0x24 << 0 << "3-D Fix, DGPS" << true << 3 << 0 << 3;
        QTest::newRow("Ba 2-D") << "Ba" << 24 << 0x14 << 0 << "Altitude Hold (2-D Fix), DGPS" << false << 2 << 0 << 0;
    }

    void statusByteOfTheEightAndSixChannelMessages()
    {
        QFETCH(QString, id);
        QFETCH(int, model);
        QFETCH(int, status);
        QFETCH(int, dopType);
        QFETCH(QString, statusText);
        QFETCH(bool, dopText);
        QFETCH(int, navMode);
        QFETCH(int, navigation);
        QFETCH(int, fix);
        receiverInfo.receiverModel = model;
        w->gpsNavDialog->SetDops(1.5, 2.5, 1.2, 2.0, 1.1);
        const bool ea = id == QLatin1String("Ea");
        MotorolaMessage m = ShortMessage(ea ? "Ea" : "Ba", ea ? 72 : 64, dopType);
        m.U8(ea ? 72 : 64, status);
        w->DecodeMotorolaBinary(m);
        QCOMPARE(LabelText(w->ui->IDC_SATS_STATUS_MESSAGE), statusText);
        QCOMPARE(LabelText(w->ui->IDC_SATS_DOPS_MESSAGE), dopText ? w->gpsNavDialog->DopText() : QString());
        QCOMPARE(w->gpsNavDialog->GetNavMode(), navMode);
        QCOMPARE(w->gpsRxDialog->navigationStatus, navigation);
        QCOMPARE(w->gpsNavDialog->GetFixStatus(), fix);
    }

    void antennaOfTheEightChannelMessage()
    {
        MotorolaMessage ea = ShortMessage("Ea", 72, 0x80);
        w->DecodeMotorolaBinary(ea);
        QCOMPARE(w->antennaState, -1);  // not a receiver that reports it here
        receiverInfo.receiverModel = 9;
        w->messageHoldoff[1] = 0;
        w->DecodeMotorolaBinary(ea);
        QCOMPARE(w->antennaState, 2);
        QCOMPARE(w->antennaBadge->text(), QStringLiteral("Ant Open"));
    }

private:
    std::unique_ptr<MainWindow> w;
};

HORALUX_TEST(TestMotorolaPosition);
#include "tst_motorolaposition.moc"
