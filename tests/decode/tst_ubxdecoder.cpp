// The UBX decoder: frame checks and labels, the detail lines and their gate, what the
// navigation, timing, leap-second and monitor messages change, and frames cut short.

#include "../receiver/framebuilders.h"
#include "decodetests.h"
#include "gpslogtypedialog.h"
#include "gpsrxdialog.h"
#include "gpsrxiddialog.h"
#include "ubxhandlers.h"
#include "ui_mainwindow.h"

#include <QLabel>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

// A payload of the given length, all 0, with little-endian fields set by offset.
class Payload
{
public:
    explicit Payload(int length) : bytes(length, '\0') {}
    Payload& U8(int offset, unsigned value)
    {
        if (offset < 0 || offset >= bytes.size())
            qFatal("test payload has no byte %d", offset);
        bytes[offset] = static_cast<char>(value & 0xFF);
        return *this;
    }
    Payload& U16(int offset, unsigned value) { return U8(offset, value).U8(offset + 1, value >> 8); }
    Payload& U32(int offset, uint32_t value) { return U16(offset, value).U16(offset + 2, value >> 16); }
    Payload& Text(int offset, const char* text)
    {
        for (const char* c = text; *c; ++c)
            U8(offset++, static_cast<unsigned char>(*c));
        return *this;
    }
    QByteArray Frame(unsigned cls, unsigned id) const { return FrameBuilders::Ubx(cls, id, bytes); }

    QByteArray bytes;
};

// Every handled class and id at its layout's length (the shortest where more may follow).
struct Handled
{
    unsigned cls, id;
    int length;
};
constexpr Handled kHandled[] = {
    {1, 0x01, 20}, {1, 0x02, 28}, {1, 0x03, 16}, {1, 0x04, 18}, {1, 0x12, 36}, {1, 0x20, 16},
    {1, 0x21, 20}, {1, 0x30, 20}, {6, 0x00, 20}, {6, 0x07, 20}, {6, 0x1D, 28}, {6, 0x24, 36},
    {6, 0x31, 32}, {6, 0x3D, 28}, {0x0A, 0x04, 40}, {0x0A, 0x09, 60}, {0x0A, 0x09, 68},
    {0x0B, 0x02, 72}, {0x0D, 0x01, 16}, {0x0D, 0x04, 28}, {0x0D, 0x11, 8},
};

// A NAV-TIMEUTC of the given date and time with its valid bits.
QByteArray TimeUtc(int year, int month, int day, int hour, int minute, int second, unsigned valid = 0x07)
{
    return Payload(20).U16(12, year).U8(14, month).U8(15, day).U8(16, hour).U8(17, minute).U8(18, second)
        .U8(19, valid).Frame(1, 0x21);
}

// One NAV-SVINFO channel block at index i.
void Channel(Payload& p, int i, unsigned svid, unsigned flags, unsigned cno, int elev, unsigned azim)
{
    const int at = 8 + 12 * i;
    p.U8(at, i).U8(at + 1, svid).U8(at + 2, flags).U8(at + 3, 7).U8(at + 4, cno).U8(at + 5, unsigned(elev) & 0xFF)
        .U16(at + 6, azim);
}

// What a UBX handler may change, as one text.
QString StateDigest(const MainWindow& w)
{
    QString d = QString::asprintf("t=%lld saw=%g/%d utc=%d leap=%d ", static_cast<long long>(w.receiverTime.ToMSecsSinceEpoch()),
                                  w.sawtoothNs, w.bSawtoothValid, w.utcOffsetSecs, w.leapSecondPending);
    for (bool b : w.bAnswerReceived)
        d += QLatin1Char(b ? '1' : '0');
    for (bool b : w.bPpsAwaitingTime)
        d += QLatin1Char(b ? '1' : '0');
    for (int i = 0; i < 32; ++i)
        d += QLatin1Char('|') + Sat(w.satellites[i]);
    const GpsNavDialog& nav = *w.gpsNavDialog;
    d += QString::asprintf(" nav=%d %d %g %g %g", nav.GetNavMode(), nav.GetSatellitesUsed(), nav.pdop, nav.tdop,
                           nav.currentLat);
    for (const QLabel* label : {w.ui->IDC_SATS_VISIBLE, w.ui->IDC_SATS_TRACKED, w.ui->IDC_SATS_STATUS_MESSAGE,
                                w.ui->IDC_SATS_DOPS_MESSAGE, w.navigationBadge, w.antennaBadge})
        d += QLatin1Char('|') + label->text();
    return d + w.gpsRxIdDialog->rxIdText;
}

}  // namespace

class TestUbxDecoder : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        w = NewDecodingWindow(GpsPortModeUbloxUbx);
        w->bGpsRawDataVisible = true;
    }
    void cleanup() { w.reset(); }

    void labelsAndFrameChecks_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QString>("display");
        const QByteArray nav = Payload(28).Frame(1, 0x02);
        QTest::newRow("7 bytes") << nav.left(7) << QString();
        QTest::newRow("not 0xB5") << "$" + nav.mid(1) << QString();
        QTest::newRow("unknown NAV id") << Payload(4).Frame(1, 0x06) << "UBX-NAV  ...\n";
        QTest::newRow("POSLLH of 27") << Payload(27).Frame(1, 0x02) << "UBX-NAV  ...\n";
        QTest::newRow("length beyond the frame") << nav.left(nav.size() - 1) << "UBX-NAV  ...\n";
        QTest::newRow("class 7") << Payload(0).Frame(7, 1) << "UBX-7 ??" "?-Unknown Message Class-??" "?  ...\n";
        QTest::newRow("RXM") << Payload(272).Frame(2, 0x10) << "UBX-RXM  ...\n";
        QTest::newRow("INF") << Payload(3).Frame(4, 0x02) << "UBX-INF  ...\n";
        QTest::newRow("CFG-MSG") << Payload(3).Frame(6, 0x01) << "UBX-CFG  ...\n";
        QTest::newRow("NAK") << Payload(2).Frame(5, 0) << "UBX-ACK NAK\n";
        QTest::newRow("ACK") << Payload(0).Frame(5, 1) << "UBX-ACK ACK\n";
        QTest::newRow("ACK id 2") << Payload(2).Frame(5, 2) << "UBX-ACK Unknown ID ???\n";
        QTest::newRow("UPD-RBOOT") << Payload(0).Frame(9, 0x0E) << "UBX-UPD-RBOOT\n";
        QTest::newRow("UPD-SOS") << Payload(4).Frame(9, 0x14) << "UBX-UPD-SOS\n";
        QTest::newRow("UPD id 3") << Payload(0).Frame(9, 0x03) << QString();
        QTest::newRow("MON-VER of 39") << Payload(39).Frame(0x0A, 0x04) << "UBX-MON  ...\n";
        QTest::newRow("MON-HW of 59") << Payload(59).Frame(0x0A, 0x09) << "UBX-MON  ...\n";
        QTest::newRow("AID-HUI short") << Payload(68).Frame(0x0B, 0x02) << "UBX-AID  ...\n";
        QTest::newRow("SVINFO of 19") << Payload(19).Frame(1, 0x30) << "UBX-NAV  ...\n";
        QTest::newRow("TIM-DOSC") << Payload(8).U32(4, 1234).Frame(0x0D, 0x11) << "UBX-TIM-DOSC ver = 0, D/A value = 1234\n";
    }
    void labelsAndFrameChecks()
    {
        QFETCH(QByteArray, frame);
        QFETCH(QString, display);
        QCOMPARE(w->DecodeUbxMessage(frame), display);
    }

    void detailLines_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QString>("display");
        QTest::newRow("POSLLH") << Payload(28).U32(0, 1000).U32(4, uint32_t(-1134395448)).U32(8, 535632563)
                                       .U32(12, 635459).U32(16, 654413).U32(20, 2500).U32(24, 4000).Frame(1, 0x02)
                                << "UBX-NAV-POSLLH iTOW = 1000, lon = -113.43954480, lat = 53.56325630, height = 635.459, "
                                   "MSL = 654.413, hAcc = 2500, vAcc = 4000\n";
        QTest::newRow("TIMEUTC") << TimeUtc(2009, 1, 28, 20, 35, 44)
                                 << "UBX-NAV-TIMEUTC iTOW = 0, tAcc = 0, nano = 0, date (YMD) 2009, 1, 28, "
                                    "Time = 20:35:44, valid = 07\n";
        QTest::newRow("VELNED") << Payload(36).U32(20, 150).U32(24, uint32_t(-1234567)).Frame(1, 0x12)
                                << "UBX-NAV-VELNED iTOW = 0, Ground Speed = 150 cm/sec, Heading = -12.3 degrees\n";
        QTest::newRow("TIM-SVIN") << Payload(28).U32(0, 600).U32(20, 590).U8(24, 1).Frame(0x0D, 0x04)
                                  << "UBX-TIM-SVIN Passed survey-in observation = 600 sec, position observations = "
                                     "590 sec, valid = true, active = false\n";
        QTest::newRow("CFG-PRT port 7") << Payload(20).U8(0, 7).U32(8, 9600).U16(14, 3).Frame(6, 0x00)
                                        << "UBX-CFG-PRT portID = unknown, res0 = 0, res1 = 0, mode = 00000000, "
                                           "baudRate = 9600, inProtoMask = 0000, outProtoMask = 0003, flags = 0000, pad = 0\n";
        QTest::newRow("CFG-TP5 Hz and us")
            << Payload(32).U8(0, 1).U16(4, 50).U32(8, 1).U32(12, 10).U32(16, 100000).U32(20, 100).U32(24, uint32_t(-20))
                   .U8(28, 0x1F).Frame(6, 0x31)
            << "UBX-CFG-TP5 TimePulse1, res0 = 0, res1 = 0, antCableDelay = 50 ns, rfGroupDelay = 0 ns, freqPeriod = 1 Hz, "
               "freqPeriodLock = 10 Hz, pulseLenRatio = 100000 us, pulseLenRatioLock = 100 us, userDelay = -20 ns, "
               "ubx_flags = 0x1F\n";
        QTest::newRow("CFG-TP5 us and ratio")
            << Payload(32).U32(8, 1000000).U32(16, 0x80000000u).U32(20, 0x0000FFFFu).U8(28, 0x07).Frame(6, 0x31)
            << "UBX-CFG-TP5 TimePulse0, res0 = 0, res1 = 0, antCableDelay = 0 ns, rfGroupDelay = 0 ns, "
               "freqPeriod = 1000000 us, freqPeriodLock = 0 us, pulseLenRatio = 0.500000 ratio, "
               "pulseLenRatioLock = 0.000000 ratio, userDelay = 0 ns, ubx_flags = 0x7\n";
        const QString hwHead = QStringLiteral("UBX-MON-HW pinSel = 0000, pinBank = 0000, pinDir = 0000, pinVal = 0000, "
                                              "noisePerMS = 0, agcCnt = 0, aStatus = 2, aPower = 1, flags = 0, res1 = 0, "
                                              "usedMask = 0, ");
        Payload hw68(68);
        hw68.U8(20, 2).U8(21, 1).U8(53, 9).U32(56, 0xA).U32(60, 0xB).U32(64, 0xC);
        QTest::newRow("MON-HW of 68") << hw68.Frame(0x0A, 0x09)
                                      << hwHead + "jamInd = 9, pinIrq = 000A, pullH = 000B, pullL = 000C\n";
        for (int length : {60, 66}) {
            Payload hw(length);
            hw.U8(20, 2).U8(21, 1).U8(45, 5).U32(48, 0x1).U32(52, 0x2).U32(56, 0x3);
            QTest::newRow(qPrintable(QStringLiteral("MON-HW of %1").arg(length)))
                << hw.Frame(0x0A, 0x09) << hwHead + "jamInd = 5, pinIrq = 0001, pullH = 0002, pullL = 0003\n";
        }
    }
    void detailLines()
    {
        QFETCH(QByteArray, frame);
        QFETCH(QString, display);
        QCOMPARE(w->DecodeUbxMessage(frame), display);
        // The gate closed: labels only.
        w->bGpsRawDataVisible = false;
        QCOMPARE(w->DecodeUbxMessage(frame), display.left(display.indexOf(QLatin1Char(' '), 8) + 1) + "\n");
    }

    void detailGoesToThePvtLog()
    {
        QTemporaryDir dir;
        w->gpsLogFile.setFileName(dir.filePath(QStringLiteral("pvt.csv")));
        QVERIFY(w->gpsLogFile.open(QIODevice::WriteOnly));
        w->gpsLogTypeDialog->gpsLogType = 2;
        const QByteArray dosc = Payload(8).U8(0, 2).U32(4, 7).Frame(0x0D, 0x11);
        w->DecodeUbxMessage(dosc);
        w->bGpsRawDataVisible = false;
        for (const QByteArray& frame : {dosc, Payload(0).Frame(7, 1), Payload(2).Frame(5, 1)})
            w->DecodeUbxMessage(frame);
        w->gpsLogFile.close();
        QVERIFY(w->gpsLogFile.open(QIODevice::ReadOnly));
        // The line ends are the log writer's business.
        QCOMPARE(w->gpsLogFile.readAll().replace('\n', ""), QByteArray("ver = 2, D/A value = 7........."));
        QCOMPARE(w->configurationBuffer, QString());
    }

    void navStatusFixesAndBadges()
    {
        QSignalSpy sent(w.get(), &MainWindow::sendGpsMessage);
        const auto status = [](unsigned fix) { return Payload(16).U8(4, fix).Frame(1, 0x03); };
        const QByteArray dop = Payload(18).U16(4, 280).U16(6, 242).U16(8, 140).U16(10, 213).U16(12, 115).Frame(1, 0x04);

        w->DecodeUbxMessage(Payload(28).U8(25, 1).Frame(0x0D, 0x04));  // a survey runs
        QCOMPARE(w->navigationBadge->text(), QStringLiteral("Surveying"));
        w->DecodeUbxMessage(status(3));
        QCOMPARE(w->navigationBadge->text(), QStringLiteral("Surveying"));
        QCOMPARE(w->ui->IDC_SATS_STATUS_MESSAGE->text(), QStringLiteral("3-D Fix"));
        w->DecodeUbxMessage(dop);
        QCOMPARE(w->ui->IDC_SATS_DOPS_MESSAGE->text(), QStringLiteral("DOPs: T = 1.4, P = 2.4, H = 1.1, V = 2.1"));
        QCOMPARE(w->gpsNavDialog->pdop, 2.42);
        QCOMPARE(sent.count(), 0);

        for (int second = 1; second <= 2; ++second) {
            w->DecodeUbxMessage(status(5));
            QCOMPARE(sent.count(), second);
        }
        QCOMPARE(sent.last().at(0).toByteArray(), QByteArray("\xB5\x62\x06\x01\x03\x00\x0D\x04\x00\x1B\x6E", 11));
        QCOMPARE(w->navigationBadge->text(), QStringLiteral("Position Hold"));
        QCOMPARE(w->ui->IDC_SATS_STATUS_MESSAGE->text(), QStringLiteral("Time only fix (0-D Nav)"));
        QCOMPARE(w->gpsNavDialog->GetNavMode(), 1);
        w->DecodeUbxMessage(dop);
        QCOMPARE(w->ui->IDC_SATS_DOPS_MESSAGE->text(), QStringLiteral("DOPs: T = 1.4"));

        w->DecodeUbxMessage(status(7));
        QCOMPARE(w->ui->IDC_SATS_STATUS_MESSAGE->text(), QString());
        QCOMPARE(w->navigationBadge->text(), QStringLiteral("Nav Unknown"));
        QCOMPARE(w->gpsNavDialog->GetNavMode(), 1);  // not told
        w->DecodeUbxMessage(status(1));
        QCOMPARE(w->ui->IDC_SATS_STATUS_MESSAGE->text(), QStringLiteral("Dead reckoning only"));
        QCOMPARE(w->navigationBadge->text(), QStringLiteral("Navigating"));
        QCOMPARE(w->gpsNavDialog->GetNavMode(), 2);
    }

    void positionGoesToTheAveraging()
    {
        w->DecodeUbxMessage(Payload(28).U32(4, uint32_t(-1134395448)).U32(8, 535632563).U32(12, 635459)
                                .U32(16, 654413).Frame(1, 0x02));
        double lat = 0, lon = 0, altGps = 0, altMsl = 0;
        w->gpsNavDialog->GetCurrentPosition(&lat, &lon, &altGps, &altMsl);
        QCOMPARE(QString::asprintf("%.7f %.7f %.3f %.3f", lat, lon, altGps, altMsl),
                 QStringLiteral("53.5632563 -113.4395448 635.459 654.413"));
    }

    void receiverTime_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<bool>("bTickWaiting");
        QTest::addColumn<QDateTime>("expected");  // invalid: unchanged
        QTest::addColumn<bool>("bTaken");
        const QDateTime next = QDateTime(QDate(2009, 1, 28), QTime(20, 35, 45), Qt::UTC);
        QTest::newRow("on its own") << TimeUtc(2009, 1, 28, 20, 35, 44) << false << next << true;
        QTest::newRow("after a tick") << TimeUtc(2009, 1, 28, 20, 35, 44) << true << next << true;
        QTest::newRow("leap second held at 59") << TimeUtc(2016, 12, 31, 23, 59, 60) << false
                                                << QDateTime(QDate(2017, 1, 1), QTime(0, 0), Qt::UTC) << true;
        QTest::newRow("day 0") << TimeUtc(2009, 1, 0, 20, 35, 44) << false << QDateTime() << true;
        QTest::newRow("31 February") << TimeUtc(2009, 2, 31, 20, 35, 44) << false << QDateTime() << true;
        QTest::newRow("second 61") << TimeUtc(2009, 1, 28, 20, 35, 61) << false << QDateTime() << true;
        QTest::newRow("hour 24") << TimeUtc(2009, 1, 28, 24, 0, 0) << false << QDateTime() << true;
        QTest::newRow("UTC not known") << TimeUtc(2009, 1, 28, 20, 35, 44, 0x03) << false << QDateTime() << false;
    }
    void receiverTime()
    {
        QFETCH(QByteArray, frame);
        QFETCH(bool, bTickWaiting);
        QFETCH(QDateTime, expected);
        QFETCH(bool, bTaken);
        const QDateTime before = QDateTime(QDate(2020, 5, 5), QTime(1, 2, 3), Qt::UTC);
        w->receiverTime.SetDateTime(before);
        std::fill(std::begin(w->bPpsAwaitingTime), std::end(w->bPpsAwaitingTime), bTickWaiting);
        w->bTimeMessageSeen = false;
        if (bTaken && !expected.isValid())
            QTest::ignoreMessage(QtDebugMsg, "WARNING: Illegal date or time decoding NAV-TIMEUTC.");
        w->DecodeUbxMessage(frame);
        // An illegal date keeps the time, which still moves on with the second.
        const QDateTime after = expected.isValid() ? expected : bTaken ? before.addSecs(1) : before;
        QCOMPARE(w->receiverTime.dateTime, after);
        QCOMPARE(w->receiverTime.dateTime.timeSpec(), Qt::UTC);
        QCOMPARE(w->bPpsAwaitingTime[0], bTickWaiting && !bTaken);
        QCOMPARE(w->bTimeMessageSeen, bTaken && !bTickWaiting);  // drove the second itself
    }

    void satellitesInView()
    {
        w->satelliteDisplayTable[40].prn = 3;
        QCOMPARE(w->DecodeUbxMessage(Payload(20).Frame(1, 0x30)).left(15), QStringLiteral("UBX-NAV-SVINFO "));
        QCOMPARE(w->satelliteDisplayTable[40].prn, 0);
        QCOMPARE(w->ui->IDC_SATS_VISIBLE->text(), QStringLiteral("0 Visible"));
        QCOMPARE(w->ui->IDC_SATS_TRACKED->text(), QStringLiteral("0 Tracked"));

        Payload p(8 + 12 * 6);
        p.U8(4, 9);  // more channels than blocks: only the six blocks are read
        Channel(p, 0, 21, 0x0D, 33, 73, 276);
        Channel(p, 1, 5, 0x01, 60, 95, 400);
        Channel(p, 2, 7, 0x00, 10, 5, 0);
        Channel(p, 3, 8, 0x00, 0, 6, 36);      // no signal
        Channel(p, 4, 9, 0x00, 30, -4, 90);    // below the horizon
        Channel(p, 5, 10, 0x01, 30, 10, 90);
        p.U8(8 + 12 * 5, 0xFF);                // no channel
        const QString display = w->DecodeUbxMessage(p.Frame(1, 0x30));
        QStringList sats;
        for (int i = 0; i < 7; ++i)
            sats << Sat(w->satellites[i]);
        QCOMPARE(sats.join(QStringLiteral("; ")),
                 QStringLiteral("21 73/276 L16 +7 0x0d T0; 5 90/359 L39 +7 0x01 T0; 7 5/0 L0 -7 0x00 T0; "
                                "0 0/0 L0 -0 0x00 T0; 0 0/0 L0 -0 0x00 T0; 0 0/0 L0 -0 0x00 T0; 0 0/0 L0 -0 0x00 T0"));
        QCOMPARE(w->ui->IDC_SATS_VISIBLE->text(), QStringLiteral("5 Visible"));
        QCOMPARE(w->ui->IDC_SATS_TRACKED->text(), QStringLiteral("3 Tracked"));
        QCOMPARE(w->gpsNavDialog->GetSatellitesUsed(), 3);
        QVERIFY(display.startsWith("UBX-NAV-SVINFO chn=0, svid=21, flags=0d, quality=07, cno=33, elev=73, azim=276, "
                                   "prRes=0, chn=1, svid=5,"));
        QVERIFY(display.contains("elev=-4"));
        QVERIFY(display.endsWith(", , \n" + QString(30, QLatin1Char(' ')) + "\n"));
    }

    void sawtoothAndLeapSecond()
    {
        w->DecodeUbxMessage(Payload(16).U32(8, uint32_t(-1500)).Frame(0x0D, 0x01));
        QCOMPARE(w->sawtoothNs, -1.5);
        QVERIFY(w->bSawtoothValid);

        // The receiver's UTC parameters as the LEA-4T sent them: 14 s, 15 s from week 1512.
        w->displayTime.SetDateTime(QDateTime(QDate(2009, 1, 28), QTime(20, 0), Qt::UTC));
        const QByteArray hui = Payload(72).U16(26, 14).U16(28, 1512).U16(30, 7).U16(32, 15).U8(68, 0x07).Frame(0x0B, 0x02);
        QCOMPARE(w->DecodeUbxMessage(hui), QStringLiteral("UBX-AID-HUI  ... utcLS = 14, utcWNF = 1512, utcDN = 7, "
                                                          "utcLSF = 15 ... valid = 0x07 -->> LS Pending = -1, NTP Leap "
                                                          "Indicator = 0\n"));
        QCOMPARE(w->utcOffsetSecs, 15);
    }

    void leapSecondState_data()
    {
        QTest::addColumn<unsigned>("ls");
        QTest::addColumn<unsigned>("lsf");
        QTest::addColumn<QDate>("event");
        QTest::addColumn<unsigned>("valid");
        QTest::addColumn<QString>("state");  // offset, pending, NTP indicator
        QTest::newRow("last year") << 17u << 18u << QDate(2016, 12, 31) << 7u << "18 -1 0";
        QTest::newRow("this month") << 17u << 18u << QDate(2017, 5, 4) << 7u << "18 -1 0";
        QTest::newRow("two months on") << 18u << 19u << QDate(2017, 7, 31) << 7u << "18 1 0";
        QTest::newRow("next month") << 18u << 19u << QDate(2017, 6, 30) << 7u << "18 1 1";
        QTest::newRow("next month, removed") << 18u << 17u << QDate(2017, 6, 30) << 7u << "18 2 2";
        QTest::newRow("no change announced") << 18u << 18u << QDate(2017, 6, 30) << 7u << "18 5 3";
        QTest::newRow("not valid") << 18u << 19u << QDate(2017, 6, 30) << 3u << "0 -1 3";
        QTest::newRow("far weeks") << 18u << 19u << QDate() << 7u << "18 1 0";
    }
    void leapSecondState()
    {
        QFETCH(unsigned, ls);
        QFETCH(unsigned, lsf);
        QFETCH(QDate, event);
        QFETCH(unsigned, valid);
        QFETCH(QString, state);
        // The week and day number that the calendar turns into the event's date.
        const qint64 days = QDate(1980, 1, 6).daysTo(event);
        const unsigned week = event.isValid() ? unsigned(days / 7) : 65535;
        const unsigned dayNumber = event.isValid() ? unsigned(days % 7) : 65535;
        const UbxDecoder::LeapSecondState s =
            UbxDecoder::LeapSecondFromUtcParameters(ls, week, dayNumber, lsf, valid, 2017, 5, 5);
        QCOMPARE(QString::asprintf("%d %d %d", s.utcOffsetSecs, s.leapSecondPending, s.ntpLeapIndicator), state);
    }

    void versionAndAntenna()
    {
        Payload ver(160);
        ver.Text(0, "5.00    May 11 2006 14:40:17").Text(30, "00040001");
        for (int k = 0; k < 4; ++k)
            ver.Text(40 + 30 * k, qPrintable(QStringLiteral("EXT %1").arg(k)));
        QCOMPARE(w->DecodeUbxMessage(ver.Frame(0x0A, 0x04)),
                 QStringLiteral("UBX-MON-VER  Software Version 5.00    May 11 2006 14:40:17, Hardware Version 00040001, "
                                "EXT 0, EXT 1, EXT 2, EXT 3\n"));
        QVERIFY(w->bAnswerReceived[MainWindow::AnswerMonVer]);
        QCOMPARE(w->gpsRxIdDialog->rxIdText,
                 QStringLiteral("u-blox Receiver/Software Version\nSoftware Version: 5.00    May 11 2006 14:40:17\n"
                                "Hardware Version: 00040001\nROM and extensions:\nEXT 0\nEXT 1\nEXT 2\nEXT 3\n") +
                     w->gpsRxIdDialog->rxIdSeparator);

        delete w->gpsRxIdDialog;
        w->gpsRxIdDialog = nullptr;
        w->bAnswerReceived[MainWindow::AnswerMonVer] = false;
        QCOMPARE(w->DecodeUbxMessage(Payload(40).Frame(0x0A, 0x04)),
                 QStringLiteral("UBX-MON-VER  Software Version , Hardware Version \n"));
        QVERIFY(w->bAnswerReceived[MainWindow::AnswerMonVer]);

        const QList<QPair<unsigned, const char*>> antenna = {{2, "Ant OK"}, {3, "Ant OC Short"}, {4, "Ant Open"},
                                                             {1, "Ant Unknown"}};
        for (const auto& [status, badge] : antenna) {
            w->DecodeUbxMessage(Payload(60).U8(20, status).Frame(0x0A, 0x09));
            QCOMPARE(w->antennaBadge->text(), QLatin1String(badge));
        }
    }

    // Every handled message cut at every length: nothing is read past the end (the
    // address sanitizer watches) and a cut frame changes nothing.
    void framesCutShort()
    {
        QRandomGenerator random(15);
        w->bLogThisSecond = true;
        std::fill(std::begin(w->bPpsAwaitingTime), std::end(w->bPpsAwaitingTime), true);
        for (const Handled& h : kHandled) {
            Payload p(h.length);
            for (char& c : p.bytes)
                c = static_cast<char>(random.bounded(256));
            if (h.cls == 1 && h.id == 0x21)
                p.U8(19, 7);
            const QByteArray frame = p.Frame(h.cls, h.id);
            const QString before = StateDigest(*w);
            for (int cut = 0; cut < frame.size(); ++cut) {
                const ExactBuffer bytes(frame.left(cut));
                const QString display = w->DecodeUbxMessage(bytes.Bytes());
                QVERIFY2(cut < 8 ? display.isEmpty() : display.endsWith("  ...\n"), qPrintable(display));
            }
            QCOMPARE(StateDigest(*w), before);
            const ExactBuffer whole(frame);
            QVERIFY(!w->DecodeUbxMessage(whole.Bytes()).endsWith("  ...\n"));
        }
    }

private:
    std::unique_ptr<MainWindow> w;
};

HORALUX_TEST(TestUbxDecoder);
#include "tst_ubxdecoder.moc"
