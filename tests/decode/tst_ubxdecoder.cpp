// The UBX decoder: frame checks and labels, detail lines and their gate, what each
// message changes, the leap-second rule, and every handled frame cut short.

#include "decodetests.h"
#include "gpslogtypedialog.h"
#include "ubxhandlers.h"
#include "ui_mainwindow.h"

#include "messageframer.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>

namespace {

using Payload = UbxPayload;

// One NAV-SVINFO channel block.
void Channel(Payload& p, int i, unsigned svid, unsigned flags, unsigned cno, int elev, unsigned azim)
{
    const int at = 8 + 12 * i;
    p.U8(at, i).U8(at + 1, svid).U8(at + 2, flags).U8(at + 3, 7).U8(at + 4, cno).U8(at + 5, unsigned(elev)).U16(at + 6, azim);
}

// Every handled class and id at its layout's length (the shortest where more may follow).
constexpr struct { unsigned cls, id; int length; } kHandled[] = {
    {1, 0x01, 20}, {1, 0x02, 28}, {1, 0x03, 16}, {1, 0x04, 18}, {1, 0x12, 36}, {1, 0x20, 16}, {1, 0x21, 20},
    {1, 0x30, 20}, {6, 0x00, 20}, {6, 0x07, 20}, {6, 0x1D, 28}, {6, 0x24, 36}, {6, 0x31, 32}, {6, 0x3D, 28},
    {0x0A, 0x04, 40}, {0x0A, 0x09, 60}, {0x0A, 0x09, 68}, {0x0B, 0x02, 72}, {0x0D, 0x01, 16}, {0x0D, 0x04, 28},
    {0x0D, 0x11, 8},
};

}  // namespace

class TestUbxDecoder : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        w = NewDecodingWindow(GpsPortModeUbloxUbx);
        w->bGpsRawDataVisible = true;
        w->receiverTime.SetDateTime(QDateTime(QDate(2020, 5, 5), QTime(1, 2, 3), Qt::UTC));
        w->displayTime.SetDateTime(QDateTime(QDate(2017, 5, 20), QTime(0, 0), Qt::UTC));
    }
    void cleanup() { w.reset(); }

    // Each row: the frame, the display text with the detail gate open, and what the
    // frame changes in StateDigest() (the pieces that differ from a fresh window).
    void messages_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QString>("display");
        QTest::addColumn<QStringList>("changes");
        const auto row = [](const char* legend, const QByteArray& frame, const QString& display,
                            const QStringList& changes = {}) { QTest::newRow(legend) << frame << display << changes; };
        const QByteArray llh = Payload(28).U32(4, uint32_t(-1134395448)).U32(8, 535632563).U32(12, 635459).U32(16, 654413).Frame(1, 2);
        row("7 bytes", llh.left(7), QString());
        row("not 0xB5", "$" + llh.mid(1), QString());
        row("POSLLH of 27", Payload(27).Frame(1, 2), "UBX-NAV  ...\n");
        row("length beyond the frame", llh.left(llh.size() - 1), "UBX-NAV  ...\n");
        row("class 7", Payload(0).Frame(7, 1), "UBX-7 ??" "?-Unknown Message Class-??" "?  ...\n");
        row("ACK", Payload(2).Frame(5, 1), "UBX-ACK ACK\n");
        row("UPD-RBOOT", Payload(0).Frame(9, 0x0E), "UBX-UPD-RBOOT\n");
        row("UPD id 3", Payload(0).Frame(9, 0x03), QString());
        row("AID-HUI short", Payload(71).Frame(0x0B, 2), "UBX-AID  ...\n");
        row("POSLLH", llh, "UBX-NAV-POSLLH iTOW = 0, lon = -113.43954480, lat = 53.56325630, height = 635.459, MSL = 654.413, "
                           "hAcc = 0, vAcc = 0\n", {"pos=53.5632563/-113.4395448/635.459/654.413"});
        row("STATUS 3-D", Payload(16).U8(4, 3).U8(5, 0xDD).Frame(1, 3),
            "UBX-NAV-STATUS iTOW = 0, gpsFix = 3, flags = 0xDD, diffStat = 0x00, res = 0, ttff = 0, msss = 0\n",
            {"nav=3", "|3-D Fix|", "|Navigating|"});
        row("STATUS 7", Payload(16).U8(4, 7).Frame(1, 3), "UBX-NAV-STATUS iTOW = 0, gpsFix = 7, flags = 0x00, diffStat = "
                                                          "0x00, res = 0, ttff = 0, msss = 0\n", {"Tracked||xDOP message|Nav Unknown|"});
        row("DOP", Payload(18).U16(4, 280).U16(6, 242).U16(8, 140).U16(10, 213).U16(12, 115).Frame(1, 4),
            "UBX-NAV-DOP iTOW = 0, gDOP = 2.80, pDOP = 2.42, tDOP = 1.40, vDOP = 2.13, hDOP = 1.15, nDOP = 0.00, eDOP = 0.00\n",
            {"dops=2.42/1.4", "|DOPs: T = 1.4, P = 2.4, H = 1.1, V = 2.1|"});
        row("TIM-TP", Payload(16).U32(8, uint32_t(-1500)).Frame(0x0D, 1),
            "UBX-TIM-TP towMS = 0, towSubMS = 0, qErr = -1500, week = 0, flags = 0, res = 0\n", {"saw=-1.5/1"});
        row("TIM-SVIN", Payload(28).U32(0, 600).U32(20, 590).U8(25, 1).Frame(0x0D, 4),
            "UBX-TIM-SVIN Passed survey-in observation = 600 sec, position observations = 590 sec, valid = false, "
            "active = true\n", {"|Surveying|"});
        row("CFG-PRT port 7", Payload(20).U8(0, 7).U32(8, 9600).U16(14, 3).Frame(6, 0),
            "UBX-CFG-PRT portID = unknown, res0 = 0, res1 = 0, mode = 00000000, baudRate = 9600, inProtoMask = 0000, "
            "outProtoMask = 0003, flags = 0000, pad = 0\n");
        row("CFG-TP5 0x1F", Payload(32).U8(0, 1).U16(4, 50).U32(8, 1).U32(16, 100000).U32(24, uint32_t(-20)).U8(28, 0x1F).Frame(6, 0x31),
            "UBX-CFG-TP5 TimePulse1, res0 = 0, res1 = 0, antCableDelay = 50 ns, rfGroupDelay = 0 ns, freqPeriod = 1 Hz, "
            "freqPeriodLock = 0 Hz, pulseLenRatio = 100000 us, pulseLenRatioLock = 0 us, userDelay = -20 ns, ubx_flags = 0x1F\n");
        row("CFG-TP5 0x07", Payload(32).U32(8, 1000000).U32(16, 0x80000000u).U32(20, 0xFFFFu).U8(28, 0x07).Frame(6, 0x31),
            "UBX-CFG-TP5 TimePulse0, res0 = 0, res1 = 0, antCableDelay = 0 ns, rfGroupDelay = 0 ns, freqPeriod = 1000000 us, "
            "freqPeriodLock = 0 us, pulseLenRatio = 0.500000 ratio, pulseLenRatioLock = 0.000000 ratio, userDelay = 0 ns, "
            "ubx_flags = 0x7\n");
        const QString hw = QStringLiteral("UBX-MON-HW pinSel = 0000, pinBank = 0000, pinDir = 0000, pinVal = 0000, noisePerMS = 0, "
                                          "agcCnt = 0, aStatus = %1, aPower = 0, flags = 0, res1 = 0, usedMask = 0, jamInd = %2, "
                                          "pinIrq = 000%2, pullH = 000%3, pullL = 000%4\n");
        row("MON-HW of 68", Payload(68).U8(20, 2).U8(53, 9).U32(56, 9).U32(60, 0xB).U32(64, 0xC).Frame(0x0A, 9),
            hw.arg(2).arg(9).arg('B').arg('C'), {"|Ant OK"});
        row("MON-HW of 60", Payload(60).U8(20, 1).U8(45, 5).U32(48, 5).U32(52, 6).U32(56, 7).Frame(0x0A, 9),
            hw.arg(1).arg(5).arg(6).arg(7), {"|Ant Unknown"});
        Payload ver(160);
        ver.Text(0, "5.00    May 11 2006").Text(30, "00040001").Text(40, "EXT 0").Text(70, "EXT 1").Text(100, "EXT 2").Text(130, "EXT 3");
        row("MON-VER", ver.Frame(0x0A, 4), "UBX-MON-VER  Software Version 5.00    May 11 2006, Hardware Version 00040001, "
                                           "EXT 0, EXT 1, EXT 2, EXT 3\n",
            {"ver=1", "|u-blox Receiver/Software Version\nSoftware Version: 5.00    May 11 2006\nHardware Version: 00040001\n"
                      "ROM and extensions:\nEXT 0\nEXT 1\nEXT 2\nEXT 3\n"});
        row("MON-VER of 40", Payload(40).Frame(0x0A, 4), "UBX-MON-VER  Software Version , Hardware Version \n",
            {"ver=1", "\nROM and extensions:\n"});
        row("AID-HUI", Payload(72).U16(26, 18).U16(28, 1955).U16(30, 5).U16(32, 19).U8(68, 7).Frame(0x0B, 2),
            "UBX-AID-HUI  ... utcLS = 18, utcWNF = 1955, utcDN = 5, utcLSF = 19 ... valid = 0x07 -->> LS Pending = 1, "
            "NTP Leap Indicator = 1\n", {"utc=18 leap=1"});
    }
    void messages()
    {
        QFETCH(QByteArray, frame);
        QFETCH(QString, display);
        QFETCH(QStringList, changes);
        const QString before = StateDigest(*w);
        QCOMPARE(w->DecodeUbxMessage(frame), display);
        const QString after = StateDigest(*w);
        for (const QString& change : changes)
            QVERIFY2(after.contains(change), qPrintable(after));
        if (changes.isEmpty())
            QCOMPARE(after, before);
        // With the gate closed the same frame shows its labels only.
        w->bGpsRawDataVisible = false;
        if (display.contains(QLatin1String("=")))
            QCOMPARE(w->DecodeUbxMessage(frame), display.left(display.indexOf(QLatin1Char(' '), 8) + 1) + "\n");
    }

    void detailGoesToThePvtLog()
    {
        QTemporaryDir dir;
        w->gpsLogFile.setFileName(dir.filePath(QStringLiteral("pvt.csv")));
        QVERIFY(w->gpsLogFile.open(QIODevice::WriteOnly));
        w->gpsLogTypeDialog->gpsLogType = 2;
        const QByteArray dosc = Payload(8).U8(0, 2).U32(4, 7).Frame(0x0D, 0x11);
        w->bLogThisSecond = true;
        w->DecodeUbxMessage(dosc);
        w->DecodeUbxMessage(Payload(0).Frame(7, 1));
        // A second that is not logged adds nothing, whether or not the raw data window shows it.
        w->bLogThisSecond = false;
        for (const QByteArray& frame : {dosc, Payload(0).Frame(7, 1), Payload(2).Frame(5, 1)})
            w->DecodeUbxMessage(frame);
        w->gpsLogFile.close();
        QVERIFY(w->gpsLogFile.open(QIODevice::ReadOnly));
        // The line ends are the log writer's business.
        QCOMPARE(w->gpsLogFile.readAll().replace('\n', ""), QByteArray("ver = 2, D/A value = 7..."));
        w->gpsLogFile.close();
        QCOMPARE(w->configurationBuffer, QString());
    }

    void timeOnlyFixEverySecond()
    {
        QSignalSpy sent(w.get(), &MainWindow::sendGpsMessage);
        w->DecodeUbxMessage(Payload(28).U8(25, 1).Frame(0x0D, 4));  // a survey runs
        w->DecodeUbxMessage(Payload(16).U8(4, 3).Frame(1, 3));
        QCOMPARE(w->navigationBadge->text(), QStringLiteral("Surveying"));
        for (int second = 1; second <= 2; ++second) {
            w->DecodeUbxMessage(Payload(16).U8(4, 5).Frame(1, 3));
            QCOMPARE(sent.count(), second);
        }
        QCOMPARE(sent.last().at(0).toByteArray(), QByteArray("\xB5\x62\x06\x01\x03\x00\x0D\x04\x00\x1B\x6E", 11));
        QCOMPARE(w->navigationBadge->text(), QStringLiteral("Position Hold"));
        QCOMPARE(w->ui->IDC_SATS_STATUS_MESSAGE->text(), QStringLiteral("Time only fix (0-D Nav)"));
        w->DecodeUbxMessage(Payload(18).U16(8, 140).U16(6, 242).Frame(1, 4));
        QCOMPARE(w->ui->IDC_SATS_DOPS_MESSAGE->text(), QStringLiteral("DOPs: T = 1.4"));
    }

    void receiverTime_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<bool>("bTickWaiting");
        // empty: no such instant, so no time at all; "+1": a date out of range, whose
        // second still counts with the held time
        QTest::addColumn<QString>("after");
        QTest::newRow("on its own") << UbxTimeUtc(2009, 1, 28, 20, 35, 44) << false << "2009-01-28T20:35:45Z";
        QTest::newRow("after a tick") << UbxTimeUtc(2009, 1, 28, 20, 35, 44) << true << "2009-01-28T20:35:45Z";
        QTest::newRow("second 30 and 970,000,000 ns")
            << QByteArray(UbxPayload(20).S32(8, 970000000).U16(12, 2009).U8(14, 1).U8(15, 28).U8(16, 20).U8(17, 35)
                              .U8(18, 30).U8(19, 0x07).Frame(1, 0x21))
            << false << "2009-01-28T20:35:32Z";
        QTest::newRow("second 60") << UbxTimeUtc(2016, 12, 31, 23, 59, 60) << false << "";
        QTest::newRow("day 0") << UbxTimeUtc(2009, 1, 0, 20, 35, 44) << false << "+1";
        QTest::newRow("year 1899 after a tick") << UbxTimeUtc(1899, 12, 31, 20, 35, 44) << true << "+1";
        QTest::newRow("month 13") << UbxTimeUtc(2009, 13, 1, 20, 35, 44) << false << "+1";
        QTest::newRow("31 February") << UbxTimeUtc(2009, 2, 31, 20, 35, 44) << false << "";
        QTest::newRow("second 61") << UbxTimeUtc(2009, 1, 28, 20, 35, 61) << false << "";
        QTest::newRow("UTC not known") << UbxTimeUtc(2009, 1, 28, 20, 35, 44, 0x03) << false << "2020-05-05T01:02:03Z";
    }
    void receiverTime()
    {
        QFETCH(QByteArray, frame);
        QFETCH(bool, bTickWaiting);
        QFETCH(QString, after);
        std::fill(std::begin(w->bPpsAwaitingTime), std::end(w->bPpsAwaitingTime), bTickWaiting);
        if (after.isEmpty() || after == QLatin1String("+1"))
            QTest::ignoreMessage(QtDebugMsg, "WARNING: Illegal date or time decoding NAV-TIMEUTC.");
        if (after == QLatin1String("+1"))
            after = QStringLiteral("2020-05-05T01:02:04Z");
        w->DecodeUbxMessage(frame);
        QCOMPARE(w->receiverTime.dateTime.toString(Qt::ISODate), after.isEmpty() ? "2020-05-05T01:02:03Z" : after);
        const bool bTaken = !after.isEmpty() && after != QLatin1String("2020-05-05T01:02:03Z");
        QCOMPARE(w->bPpsAwaitingTime[0], bTickWaiting && !bTaken);
        QCOMPARE(w->bTimeMessageSeen, bTaken && !bTickWaiting);  // drove the second itself
    }

    void satellitesInView()
    {
        w->satelliteDisplayTable[40].prn = 3;
        Payload p(8 + 12 * 6);
        p.U8(4, 9);  // more channels than blocks: the six blocks are read
        Channel(p, 0, 21, 0x0D, 33, 73, 276);
        Channel(p, 1, 5, 0x01, 60, 95, 400);
        Channel(p, 2, 7, 0x00, 10, 5, 0);
        Channel(p, 3, 8, 0x00, 0, 6, 36);      // no signal
        Channel(p, 4, 9, 0x00, 30, -4, 90);    // below the horizon
        Channel(p, 5, 10, 0x01, 30, 10, 90);
        p.U8(8 + 12 * 5, 0xFF);                // no channel
        const QString display = w->DecodeUbxMessage(p.Frame(1, 0x30));
        const QString state = StateDigest(*w);
        QVERIFY2(state.contains("used=3 ") && state.contains("|5 Visible|3 Tracked|") &&
                     state.contains("|21 73/276 L16 +7 0x0d T0|5 90/359 L39 +7 0x01 T0|7 5/0 L0 -7 0x00 T0|"),
                 qPrintable(state));
        QVERIFY(w->satellites[3].prn == 0 && w->satellites[4].prn == 0 && w->satellites[5].prn == 0);
        QCOMPARE(w->satelliteDisplayTable[40].prn, 0);
        QVERIFY(display.startsWith("UBX-NAV-SVINFO chn=0, svid=21, flags=0d, quality=07, cno=33, elev=73, azim=276, "
                                   "prRes=0, chn=1, svid=5,"));
        QVERIFY(display.contains("elev=-4") && display.endsWith(", , \n" + QString(30, QLatin1Char(' ')) + "\n"));
        w->DecodeUbxMessage(Payload(20).Frame(1, 0x30));
        QCOMPARE(w->satellites[0].prn, 0);
        QCOMPARE(w->ui->IDC_SATS_TRACKED->text(), QStringLiteral("0 Tracked"));
    }

    void leapSecondState_data()
    {
        QTest::addColumn<unsigned>("lsf");
        QTest::addColumn<QDate>("event");
        QTest::addColumn<unsigned>("valid");
        QTest::addColumn<QString>("state");  // offset, pending, NTP indicator
        QTest::newRow("last year") << 19u << QDate(2016, 12, 31) << 7u << "19 -1 0";
        QTest::newRow("this month") << 19u << QDate(2017, 5, 4) << 7u << "19 -1 0";
        QTest::newRow("two months on") << 19u << QDate(2017, 7, 31) << 7u << "18 1 0";
        QTest::newRow("next month, removed") << 17u << QDate(2017, 6, 30) << 7u << "18 2 2";
        QTest::newRow("no change") << 18u << QDate(2017, 6, 30) << 7u << "18 5 3";
        QTest::newRow("not valid") << 19u << QDate(2017, 6, 30) << 3u << "0 -1 3";
        QTest::newRow("last weeks") << 19u << QDate() << 7u << "18 1 0";
    }
    void leapSecondState()
    {
        QFETCH(unsigned, lsf);
        QFETCH(QDate, event);
        QFETCH(unsigned, valid);
        QFETCH(QString, state);
        const qint64 days = QDate(1980, 1, 6).daysTo(event);  // as week and day number
        const UbxDecoder::LeapSecondState s = UbxDecoder::LeapSecondFromUtcParameters(
            18, event.isValid() ? days / 7 : 65535, event.isValid() ? days % 7 : 65535, lsf, valid, 2017, 5, 5);
        QCOMPARE(QString::asprintf("%d %d %d", s.utcOffsetSecs, s.leapSecondPending, s.ntpLeapIndicator), state);
    }

    // Every handled frame cut at every length: nothing is read past the end (the
    // address sanitizer watches) and nothing changes.
    void framesCutShort()
    {
        QRandomGenerator random(15);
        w->bLogThisSecond = true;
        std::fill(std::begin(w->bPpsAwaitingTime), std::end(w->bPpsAwaitingTime), true);
        for (const auto& h : kHandled) {
            Payload p(h.length);
            for (char& c : p.bytes)
                c = static_cast<char>(random.bounded(256));
            const QByteArray frame = p.Frame(h.cls, h.id);
            const QString before = StateDigest(*w);
            for (int cut = 0; cut < frame.size(); ++cut) {
                const ExactBuffer bytes(frame.left(cut));
                const QString display = w->DecodeUbxMessage(bytes.Bytes());
                QVERIFY2(cut < 8 ? display.isEmpty() : display.endsWith("  ...\n"), qPrintable(display));
            }
            QCOMPARE(StateDigest(*w), before);
            QVERIFY(!w->DecodeUbxMessage(ExactBuffer(frame).Bytes()).endsWith("  ...\n"));
        }
    }

    // A receiver that sends its fix in NAV-SOL only (the LEA-4T recording) gives no
    // position: the "Cur:" and "Avg:" rows stay empty and nothing is averaged, though the
    // recording locks the averaging. A NAV-POSLLH then fills both.
    void noPositionBeforeOneIsReceived()
    {
        QByteArray capture;
        READ_CAPTURE(QStringLiteral("ublox-lea-4t.log"), capture);
        const GpsNavDialog& nav = *w->gpsNavDialog;
        const auto rows = [&] {
            const QTableWidget* table = w->ui->GpsNavDataTableWidget;
            QStringList cells;
            for (int r = 1; r <= 2; ++r)
                cells << table->item(r, 1)->text() + ' ' + table->item(r, 4)->text();
            return cells.join('|') + '|' + w->ui->IDC_GRIDSQUARE->text();
        };
        const double countBefore = nav.positionFilterCount;
        int frames = 0;
        UbxNmeaFramer framer;
        framer.Frame(capture, [&](const QByteArray& m) { w->DecodeUbxMessage(m), ++frames; });
        QCOMPARE(frames, 31);
        w->UpdateClockDisplay();
        QCOMPARE(rows(), QStringLiteral(" | |"));
        QVERIFY(nav.bLocked && nav.GetNavMode() == 3);
        QCOMPARE(nav.positionFilterCount, countBefore);
        QCOMPARE(nav.averagedLat, 0.0);

        w->DecodeUbxMessage(Payload(28).S32(4, 116083000).S32(8, 481466000).S32(12, 560000).S32(16, 512000).Frame(1, 2));
        w->UpdateClockDisplay();
        QCOMPARE(rows(), QStringLiteral("48.14660000°      512m|48.14660000°      512m|JN58td.25"));
    }

private:
    std::unique_ptr<MainWindow> w;
};

HORALUX_TEST(TestUbxDecoder);
#include "tst_ubxdecoder.moc"
