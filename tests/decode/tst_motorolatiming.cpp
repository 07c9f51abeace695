// The Motorola timing messages: T-RAIM and the sawtooth, leap seconds, the UTC offset
// and the DOPs.

#include "gpsnavdialog.h"
#include "gpsrxiddialog.h"
#include "motorolamessages.h"
#include "testsupport.h"
#include "ui_mainwindow.h"

#include <QLabel>
#include <QTest>

namespace {

MotorolaMessage TraimMessage(const char* id)
{
    MotorolaMessage m(id);
    m.U8(5, 1).U16(6, 3000).U8(8, 3);
    for (int k = 0; k < 10; ++k)
        m.U8(9 + k, k);
    m.U8(19, 1).U8(20, 1).U8(21, 0).U8(22, 1).U16(23, 25).U8(25, 0xFB);
    m.U8(26, 7).S32(27, 123).U8(31, 9).S32(32, -1500000000);
    return m;
}

// The settings part of a T-RAIM line as the 6- and 8-channel messages word it.
const char* const kTraimSettings =
    "ENABLED, limit = 300000 nsec, 1PPS is ON if TRAIM is OK, 0123456789, pulse status is ON, "
    "1PPS pulse sync is referenced to GPS, Time RAIM solution status is OK, "
    "Time RAIM status is detection only possible, ";

}  // namespace

class TestMotorolaTiming : public QObject
{
    Q_OBJECT

private slots:
    void init() { w = NewDecodingWindow(); }
    void cleanup() { w.reset(); }

    void traimStatusOfTheSixAndEightChannelReceivers()
    {
        const QString tail = QStringLiteral(
            "Sawtooth = -5.00, One-Sigma Accuracy = 25, 7, 0.000000123, 9, -1.500000000");
        const QString zeroRecord = QStringLiteral(", 0, 0.000000000");
        const QString bn = w->DecodeMotorolaBinary(TraimMessage("Bn"));
        QCOMPARE(bn, QStringLiteral("@@Bn, TRAIM (6-ch) ") + kTraimSettings + tail + zeroRecord.repeated(4) + "\n");
        QCOMPARE(w->sawtoothNs, -5.0);
        QVERIFY(w->bSawtoothValid);
        QCOMPARE(w->timeAccuracyNs, 25);
        QVERIFY(w->bAnswerReceived[MainWindow::AnswerBn]);
        // Only the settings go to the configuration log.
        QCOMPARE(w->configurationBuffer, QStringLiteral("@@Bn, TRAIM (6-ch) ") + kTraimSettings);

        w->bSawtoothValid = false;
        const QString en = w->DecodeMotorolaBinary(TraimMessage("En"));
        QCOMPARE(en, QStringLiteral("@@En, TRAIM (8-ch) ") + kTraimSettings + tail + zeroRecord.repeated(6) + "\n");
        QVERIFY(w->bSawtoothValid);
        QVERIFY(w->bAnswerReceived[MainWindow::AnswerEn]);
    }

    void traimWordsAndLimits_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Bn disabled") << "Bn" << 5 << 0 << "(6-ch) DISBLED, ";
        QTest::newRow("En disabled") << "En" << 5 << 0 << "(8-ch) DISABLED, ";
        QTest::newRow("T-RAIM error") << "En" << 5 << 2 << "(8-ch) ERROR, ";
        QTest::newRow("Bn small limit") << "Bn" << 7 << 3 << "limit = 300 nsec";
        QTest::newRow("En small limit") << "En" << 7 << 3 << "limit = 300 nsec";
        QTest::newRow("mode 4") << "Bn" << 8 << 4 << "1PPS is OFF always, ";
        QTest::newRow("mode 9") << "En" << 8 << 9 << "1PPS state ERROR, ";
        QTest::newRow("pulse error") << "Bn" << 19 << 2 << "pulse status is ERROR, ";
        QTest::newRow("sync error") << "En" << 20 << 7 << "sync is ERROR, ";
        QTest::newRow("unknown") << "Bn" << 21 << 2 << "solution status is UNKNOWN, ";
        QTest::newRow("solution error") << "Bn" << 21 << 3 << "solution status is ERROR, ";
        QTest::newRow("status error") << "En" << 22 << 9 << "Time RAIM status is ERROR, ";
        QTest::newRow("positive sawtooth") << "Bn" << 25 << 0x0C << "Sawtooth = 12.00, ";
    }

    void traimWordsAndLimits()
    {
        QFETCH(QString, id);
        QFETCH(int, offset);
        QFETCH(int, value);
        QFETCH(QString, expected);
        MotorolaMessage m = TraimMessage(qPrintable(id));
        if (offset == 7)
            m.U8(6, 0);  // the low byte of the limit alone
        m.U8(offset, value);
        const QString text = w->DecodeMotorolaBinary(m);
        QVERIFY2(text.contains(expected), qPrintable(text));
    }

    void traimStatusOfTheTwelveChannelReceivers()
    {
        MotorolaMessage hn("Hn");
        hn.U8(4, 1).U8(5, 0).U8(6, 1).U8(7, 5).U32(8, 0x104).U16(12, 40).U8(14, 0x0C).U8(15, 3).S32(16, 1000);
        QCOMPARE(w->DecodeMotorolaBinary(hn),
                 "@@Hn , Pulse on, 1PPS Ref to UTC, T-RAIM Solution Status ALARM, T-RAIM Status Can't Detect "
                 "or Isolate, SVIDs Removed= 0x00000104, Sawtooth 12.00, One-Sigma Accuracy 40, 3, 0.000001000" +
                     QStringLiteral(", 0, 0.000000000").repeated(11) + "\n");
        QCOMPARE(w->sawtoothNs, 12.0);
        QCOMPARE(w->timeAccuracyNs, 40);
        QVERIFY(w->bAnswerReceived[MainWindow::AnswerHn]);
        QVERIFY(w->configurationBuffer.isEmpty());

        hn.U8(4, 0).U8(5, 3).U8(6, 0).U8(7, 1).U8(14, 0xFB);
        const QString text = w->DecodeMotorolaBinary(hn);
        QVERIFY(text.startsWith("@@Hn , Pulse off, 1PPS Ref to GPS, T-RAIM Solution Status OK, "
                                "T-RAIM Status Can Detect But Not Isolate, "));
        QVERIFY(text.contains("Sawtooth -5.00, "));
        hn.U8(6, 9).U8(7, 0);
        QVERIFY(w->DecodeMotorolaBinary(hn).contains("Solution Status UNKNOWN, T-RAIM Status Can Detect and Isolate, "));
    }

    void traimRepliesGoToTheReceiverIdWindowOnce()
    {
        w->gpsRxIdDialog->rxIdText.clear();
        QVERIFY(w->bConfigReplyPending);
        const QString bn = w->DecodeMotorolaBinary(TraimMessage("Bn"));
        QVERIFY(!w->bConfigReplyPending);
        QVERIFY(w->gpsRxIdDialog->rxIdText.contains(bn.chopped(1)));
        const QString before = w->gpsRxIdDialog->rxIdText;
        w->DecodeMotorolaBinary(TraimMessage("En"));
        QCOMPARE(w->gpsRxIdDialog->rxIdText, before);

        w->bConfigReplyPending = true;
        const QString hn = w->DecodeMotorolaBinary(MotorolaMessage("Hn"));
        QVERIFY(!w->bConfigReplyPending);
        QVERIFY(w->gpsRxIdDialog->rxIdText.contains(hn.chopped(1)));
    }

    void leapSecondStates_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("pending");
        QTest::addColumn<QString>("text");
        QTest::newRow("none") << 0 << 0 << "@@Bj, No leap second pending\n";
        QTest::newRow("addition") << 1 << 1 << "@@Bj, Addition of one leap second is pending\n";
        QTest::newRow("subtraction") << 2 << 2 << "@@Bj, Subtraction of one leap second is pending\n";
        QTest::newRow("other") << 3 << 3 << "@@Bj ...\n";
        QTest::newRow("signed") << 0xFF << -1 << "@@Bj ...\n";
    }

    void leapSecondStates()
    {
        QFETCH(int, state);
        QFETCH(int, pending);
        QFETCH(QString, text);
        QCOMPARE(w->DecodeMotorolaBinary(MotorolaMessage("Bj").U8(4, state)), text);
        QCOMPARE(w->leapSecondPending, pending);
    }

    void leapSecondEvents_data()
    {
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("future");
        QTest::addColumn<QString>("event");
        QTest::addColumn<QString>("today");
        QTest::addColumn<int>("pending");
        QTest::newRow("on the day") << 18 << 19 << "2016-12-31" << "2016-12-31" << 1;
        QTest::newRow("passed") << 18 << 19 << "2016-12-31" << "2017-01-01" << 0;
        QTest::newRow("subtraction ahead") << 19 << 18 << "2017-06-30" << "2017-01-01" << 2;
        QTest::newRow("none ahead") << 18 << 18 << "2017-06-30" << "2017-01-01" << 0;
        QTest::newRow("later month") << 17 << 18 << "2016-12-01" << "2016-11-30" << 1;
        QTest::newRow("earlier day") << 17 << 18 << "2016-12-01" << "2016-12-02" << 0;
        QTest::newRow("later year") << 17 << 18 << "2017-01-01" << "2016-12-31" << 1;
    }

    void leapSecondEvents()
    {
        QFETCH(int, current);
        QFETCH(int, future);
        QFETCH(QString, event);
        QFETCH(QString, today);
        QFETCH(int, pending);
        w->displayTime.SetDateTime(QDateTime(QDate::fromString(today, Qt::ISODate), QTime(12, 0), Qt::UTC));
        const QDate e = QDate::fromString(event, Qt::ISODate);
        w->leapSecondPending = -1;
        MotorolaMessage gj("Gj");
        gj.U8(4, current).U8(5, future).U16(6, e.year()).U8(8, e.month()).U8(9, e.day());
        w->DecodeMotorolaBinary(gj);
        QCOMPARE(w->leapSecondPending, pending);
    }

    void leapSecondDataLine()
    {
        MotorolaMessage gj("Gj");
        gj.U8(4, 18).U8(5, 19).U16(6, 2016).U8(8, 12).U8(9, 31).U8(10, 5).U32(11, 12345);
        gj.U8(15, 1).U8(16, 2).U8(17, 3);
        QCOMPARE(w->DecodeMotorolaBinary(gj), "@@Gj,18,19,2016,12,31,5.000012345,1,2,3\n");
    }

    void utcOffset()
    {
        QCOMPARE(w->DecodeMotorolaBinary(MotorolaMessage("Bo").U8(4, 18)), "@@Bo - UTC offset = 18 seconds\n");
        QCOMPARE(w->utcOffsetSecs, 18);
        w->DecodeMotorolaBinary(MotorolaMessage("Bo").U8(4, 200));
        QCOMPARE(w->utcOffsetSecs, 200);
    }

    void dilutionsOfPrecision()
    {
        MotorolaMessage bk("Bk");
        bk.U16(4, 21).U16(6, 18).U16(8, 10).U16(10, 15).U16(12, 9);
        QCOMPARE(w->DecodeMotorolaBinary(bk),
                 "@@Bk GDOP = 2.1, PDOP =  1.8, HDOP =  1.0, VDOP =  1.5 TDOP = 0.9 ... \n");
        const GpsNavDialog& nav = *w->gpsNavDialog;
        QCOMPARE(nav.gdop, 2.1);
        QCOMPARE(nav.pdop, 1.8);
        QCOMPARE(nav.hdop, 1.0);
        QCOMPARE(nav.vdop, 1.5);
        QCOMPARE(nav.tdop, 0.9);

        QCOMPARE(w->DecodeMotorolaBinary(MotorolaMessage("Bk")),
                 "@@Bk GDOP = 0.0, PDOP =  0.0, HDOP =  0.0, VDOP =  0.0 TDOP = 0.0 ... \n");
        QCOMPARE(nav.gdop, 0.0);
        QCOMPARE(nav.tdop, 0.0);

        MotorolaMessage ek("Ek");
        ek.U16(4, 65535).U16(12, 1);
        QVERIFY(w->DecodeMotorolaBinary(ek).startsWith("@@Ek GDOP = 6553.5, "));
        QCOMPARE(nav.gdop, 6553.5);
        QCOMPARE(nav.tdop, 0.1);
    }

    void differentialAge()
    {
        QLabel* label = w->ui->IDC_SATS_DGPS_MESSAGE;
        label->setText(QStringLiteral("before"));
        w->DecodeMotorolaBinary(MotorolaMessage("Bk").U16(22, 55));
        QCOMPARE(label->text(), QStringLiteral("before"));

        w->dgpsState = 1;
        w->DecodeMotorolaBinary(MotorolaMessage("Ek").U16(22, 55));
        QCOMPARE(label->text(), QStringLiteral("Receiving DGPS, Age 5.5 sec"));
        QCOMPARE(w->dgpsState, 1);
        w->DecodeMotorolaBinary(MotorolaMessage("Bk").U16(22, 0));
        QCOMPARE(label->text(), QStringLiteral("Receiving DGPS, Age 0.0 sec"));
        QCOMPARE(w->dgpsState, 0);
        w->DecodeMotorolaBinary(MotorolaMessage("Bk").U16(22, 30));
        QCOMPARE(label->text(), QStringLiteral("Receiving DGPS, Age 0.0 sec"));
    }

private:
    std::unique_ptr<MainWindow> w;
};

HORALUX_TEST(TestMotorolaTiming);
#include "tst_motorolatiming.moc"
