// The Motorola satellite, channel and timing messages: visible satellites, almanac and
// ephemeris reports, channel measurements, T-RAIM and the sawtooth, leap seconds, the
// UTC offset and the DOPs.

#include "decodetests.h"
#include "ui_mainwindow.h"

namespace {

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

}  // namespace

class TestMotorolaSatellitesAndTiming : public QObject
{
    Q_OBJECT

private slots:
    void init() { w = NewDecodingWindow(); }
    void cleanup() { w.reset(); }

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

private:
    std::unique_ptr<MainWindow> w;
};

HORALUX_TEST(TestMotorolaSatellitesAndTiming);
#include "tst_motorolasatellitesandtiming.moc"
