#include "gpsrawdatadialog.h"
#include "gpsrxiddialog.h"
#include "mainwindow.h"
#include "receiverinfo.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

constexpr int kStepMs = 100;

QByteArray Hex(const char* hex)
{
    return QByteArray::fromHex(hex);
}

QString RawDataText(MainWindow& window)
{
    return window.gpsRawDataDialog->findChild<QPlainTextEdit*>(QStringLiteral("PlainTextEdit"))
        ->toPlainText();
}

}  // namespace

// Commands to the receiver: checksums, echoes, and the waits for their answers, with a
// shortened wait step.
class TestSendCommands : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestSupport::ClearSettings();
        QTest::ignoreMessage(QtWarningMsg, "WARNING: Failed to open GPS serial port.");
        window = new MainWindow;
        window->answerWaitStepMs = kStepMs;
        window->commandPauseMs = 0;
        window->gpsRawDataDialog->ShowDialog();
        window->gpsRawDataDialog->SetWrapMode(2);  // echo lines exactly as built
    }

    void cleanupTestCase() { delete window; }

    void init()
    {
        for (bool& flag : window->bAnswerReceived)
            flag = false;
        window->gpsRxIdDialog->AppendRxIdText(QString());
        window->gpsRawDataDialog->findChild<QPlainTextEdit*>()->clear();
        receiverInfo.ResetIdentity();
    }

    void sendGpsMessageCompletesAndEchoes_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QString>("echo");
        QTest::newRow("NMEA") << QByteArray("$PMOTG,FOR,0") << QByteArray("$PMOTG,FOR,0*2A")
                              << QStringLiteral("<- $PMOTG,FOR,0*2A");
        QTest::newRow("any NMEA") << QByteArray("$GPGGA") << QByteArray("$GPGGA")
                                  << QStringLiteral("<- $GPGGA");
        QTest::newRow("UBX") << Hex("b5620a040000") << Hex("b5620a0400000e34")
                             << QStringLiteral("<- <B5><62><0A><04><00><00><0E><34>");
        QTest::newRow("Motorola") << QByteArray("@@Cj") << QByteArray("@@Cj\x29")
                                  << QStringLiteral("<- @@Cj<29>");
        QTest::newRow("Motorola binary") << QByteArray("@@Gd\x03", 5) << QByteArray("@@Gd\x03\x20", 6)
                                         << QStringLiteral("<- @@Gd<03><20>");
        QTest::newRow("too short for a checksum") << QByteArray("@@") << QByteArray("@@")
                                                  << QStringLiteral("<- @@");
        QTest::newRow("firmware load") << QByteArray("UU\x01", 3) << QByteArray("UU\x01", 3)
                                       << QStringLiteral("<- <55><55><01>");
        QTest::newRow("other") << QByteArray("Z") << QByteArray("Z") << QString();
        const QByteArray tk = "@@Tk" + QByteArray(55, 'A') + QByteArray("\x01\x02", 2);
        char sum = 0;
        for (char c : tk)
            sum ^= c;
        QTest::newRow("@@Tk text") << tk << tk + sum
                                   << QStringLiteral("<- @@Tk") + QString(55, QLatin1Char('A'))
                                          + QStringLiteral("<01><02><%1>").arg(int(uchar(sum)), 2, 16, QLatin1Char('0')).toUpper();
    }

    void sendGpsMessageCompletesAndEchoes()
    {
        QFETCH(QByteArray, message);
        QFETCH(QByteArray, sent);
        QFETCH(QString, echo);
        QSignalSpy out(window, &MainWindow::sendGpsMessage);
        window->SendGpsMessage(message);
        QCOMPARE(out.count(), 1);
        QCOMPARE(out.at(0).at(0).toByteArray(), sent);
        QCOMPARE(RawDataText(*window), echo);
    }

    void emptyMessageIsNotSent()
    {
        QSignalSpy out(window, &MainWindow::sendGpsMessage);
        window->SendGpsMessage(QByteArray());
        QCOMPARE(out.count(), 0);
    }

    void pauseAfterEachCommand()
    {
        window->commandPauseMs = 100;
        QElapsedTimer clock;
        clock.start();
        window->SendGpsMessage("@@Cj");
        window->commandPauseMs = 0;
        QVERIFY(clock.elapsed() >= 100);
    }

    void answeredCommands_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QString>("finding");
        QTest::newRow("$PMOTG") << QByteArray("$PMOTG,Gd,0") << int(MainWindow::AnswerPmotg)
                                << QByteArray("$PMOTG,Gd,0*52") << QString();
        QTest::newRow("$PGRM") << QByteArray("$PGRMI,") << int(MainWindow::AnswerGpalm)
                               << QByteArray("$PGRMI,*6D") << QString();
        QTest::newRow("$GPALM") << QByteArray("$GPALM,") << int(MainWindow::AnswerPgrm)
                                << QByteArray("$GPALM,*7B") << QString();
        QTest::newRow("@@Cj") << QByteArray("@@Cj") << int(MainWindow::AnswerCj)
                              << QByteArray("@@Cj\x29") << QString();
        QTest::newRow("@@Ba") << QByteArray("@@Ba\x00", 5) << int(MainWindow::AnswerBa)
                              << QByteArray("@@Ba\x00\x23", 6)
                              << QStringLiteral("@@Ba OK - must be a 6-channel Rcvr\n");
        QTest::newRow("@@Ea") << QByteArray("@@Ea\x00", 5) << int(MainWindow::AnswerEa)
                              << QByteArray("@@Ea\x00\x24", 6)
                              << QStringLiteral("@@Ea OK - must be a 8-channel Rcvr\n");
        QTest::newRow("@@Ha") << QByteArray("@@Ha\x00", 5) << int(MainWindow::AnswerHa)
                              << QByteArray("@@Ha\x00\x29", 6)
                              << QStringLiteral("@@Ha OK - must be a 12-channel Rcvr\n");
        QTest::newRow("@@Bh") << QByteArray("@@Bh\x00", 5) << int(MainWindow::AnswerBh)
                              << QByteArray("@@Bh\x00\x2A", 6)
                              << QStringLiteral("@@Bh OK - must be a DGPS Rcvr\n");
        QTest::newRow("@@En by @@Hn") << QByteArray("@@En\x00", 5) << int(MainWindow::AnswerHn)
                                      << QByteArray("@@En\x00\x2B", 6)
                                      << QStringLiteral("@@En OK - must have T-RAIM\n");
        QTest::newRow("@@Wb") << QByteArray("@@Wb") << int(MainWindow::AnswerWb)
                              << QByteArray("@@Wb\x35") << QString();
        QTest::newRow("LORAN") << QByteArray("T12") << int(MainWindow::AnswerLoran)
                               << QByteArray("T12") << QString();
        QTest::newRow("MON-VER") << Hex("b5620a040000") << int(MainWindow::AnswerMonVer)
                                 << Hex("b5620a0400000e34") << QString();
    }

    void answeredCommands()
    {
        QFETCH(QByteArray, command);
        QFETCH(int, answer);
        QFETCH(QByteArray, sent);
        QFETCH(QString, finding);
        window->bAnswerReceived[answer] = true;  // a stale answer must not count
        QSignalSpy out(window, &MainWindow::sendGpsMessage);
        QTimer::singleShot(kStepMs / 4, window, [this, answer] { window->bAnswerReceived[answer] = true; });
        QElapsedTimer clock;
        clock.start();
        QVERIFY(window->SendCommandAndWait(command));
        QVERIFY(clock.elapsed() >= kStepMs);        // a whole step, even for a quick answer
        QVERIFY(clock.elapsed() < 2 * kStepMs);
        QCOMPARE(out.count(), 1);
        QCOMPARE(out.at(0).at(0).toByteArray(), sent);
        QCOMPARE(window->gpsRxIdDialog->rxIdText, window->gpsRxIdDialog->rxIdSeparator + finding);
        QVERIFY(!window->bAnswerReceived[answer]);
    }

    void answersSetTheReceiverRecord()
    {
        QTimer::singleShot(5, window, [this] { window->bAnswerReceived[MainWindow::AnswerHa] = true; });
        QVERIFY(window->SendCommandAndWait(QByteArray("@@Ha\x00", 5)));
        QCOMPARE(receiverInfo.channelCount, 12);
        QCOMPARE(receiverInfo.channelCountReported, 12);
        QTimer::singleShot(5, window, [this] { window->bAnswerReceived[MainWindow::AnswerBh] = true; });
        QVERIFY(window->SendCommandAndWait(QByteArray("@@Bh\x00", 5)));
        QVERIFY(receiverInfo.bHasDgps);
        QTimer::singleShot(5, window, [this] { window->bAnswerReceived[MainWindow::AnswerBn] = true; });
        QVERIFY(window->SendCommandAndWait(QByteArray("@@Bn\x00", 5)));
        QVERIFY(receiverInfo.bHasTraim);
        QVERIFY(!window->SendCommandAndWait(QByteArray("@@Bh\x00", 5)));
        QVERIFY(!receiverInfo.bHasDgps);
        QVERIFY(!window->SendCommandAndWait(QByteArray("@@Hn\x00", 5)));
        QVERIFY(!receiverInfo.bHasTraim);
        QCOMPARE(receiverInfo.channelCount, 12);
    }

    void unansweredCommands_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QString>("finding");
        QTest::addColumn<QString>("warning");
        QTest::newRow("$PMOTG") << QByteArray("$PMOTG,Gd,0") << QString()
                                << QStringLiteral("Timeout: no response to Motorola Cmd $PMOTG,Gd,0*52");
        QTest::newRow("$PGRM") << QByteArray("$PGRMI,") << QString()
                               << QStringLiteral("Timeout: no response to Garmin Cmd $PGRMI,*6D");
        QTest::newRow("@@Cj") << QByteArray("@@Cj") << QStringLiteral("@@Cj Timeout - no valid version number!\n") << QString();
        QTest::newRow("@@Ba") << QByteArray("@@Ba\x00", 5) << QStringLiteral("@@Ba Timeout - not a 6-channel Rcvr\n") << QString();
        QTest::newRow("@@Ea") << QByteArray("@@Ea\x00", 5) << QStringLiteral("@@Ea Timeout - not a 8-channel Rcvr\n") << QString();
        QTest::newRow("@@Ha") << QByteArray("@@Ha\x00", 5) << QStringLiteral("@@Ha Timeout - not a 12-channel Rcvr\n") << QString();
        QTest::newRow("@@Bh") << QByteArray("@@Bh\x00", 5) << QStringLiteral("@@Bh Timeout - must be a non-DGPS Rcvr\n") << QString();
        QTest::newRow("@@Bn") << QByteArray("@@Bn\x00", 5) << QStringLiteral("@@Bn Timeout - must not have T-RAIM\n") << QString();
        QTest::newRow("@@Wb") << QByteArray("@@Wb") << QStringLiteral("@@Cj Timeout - no valid version number!\n") << QString();
        QTest::newRow("LORAN Z") << QByteArray("Z") << QStringLiteral("Timeout: no response to Motorola Loran Cmd Z\n") << QString();
        QTest::newRow("MON-VER") << Hex("b5620a040000") << QStringLiteral("Timeout - no response to MON-VER request\n") << QString();
    }

    void unansweredCommands()
    {
        QFETCH(QByteArray, command);
        QFETCH(QString, finding);
        QFETCH(QString, warning);
        if (!warning.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!window->SendCommandAndWait(command));
        // Two steps, whether the time-out is 3000 or 5000 ms in a 2500 ms step.
        QVERIFY(clock.elapsed() >= 2 * kStepMs);
        QVERIFY(clock.elapsed() < 3 * kStepMs);
        QCOMPARE(window->gpsRxIdDialog->rxIdText, window->gpsRxIdDialog->rxIdSeparator + finding);
    }

    void commandsWithoutAWait_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QByteArray>("sent");  // empty: not sent
        QTest::addColumn<int>("pauseMs");
        QTest::addColumn<QString>("echo");
        QTest::newRow("empty") << QByteArray() << false << QByteArray() << 0 << QString();
        QTest::newRow("other NMEA") << QByteArray("$GPGGA") << false << QByteArray() << 0 << QString();
        QTest::newRow("@@Ci") << QByteArray("@@Ci\x01", 5) << true << QByteArray("@@Ci\x01\x2B", 6)
                              << 500 << QStringLiteral("<- @@Ci<01><2B>");
        QTest::newRow("other @@") << QByteArray("@@Gd\x03", 5) << false
                                  << QByteArray("@@Gd\x03\x20", 6) << 0
                                  << QStringLiteral("<- @@Gd<03><20>");
        QTest::newRow("BIN") << QByteArray("BIN") << true << QByteArray("BIN") << 500 << QString();
        QTest::newRow("NMEA") << QByteArray("NMEA") << true << QByteArray("NMEA") << 500 << QString();
        QTest::newRow("other UBX") << Hex("b56206010300f00500") << true << QByteArray() << 0 << QString();
        QTest::newRow("short UBX") << Hex("b562") << true << QByteArray() << 0 << QString();
        QTest::newRow("anything else") << QByteArray("hello") << false << QByteArray() << 0 << QString();
    }

    void commandsWithoutAWait()
    {
        QFETCH(QByteArray, command);
        QFETCH(bool, result);
        QFETCH(QByteArray, sent);
        QFETCH(int, pauseMs);
        QFETCH(QString, echo);
        QSignalSpy out(window, &MainWindow::sendGpsMessage);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(window->SendCommandAndWait(command), result);
        QVERIFY(clock.elapsed() >= pauseMs);
        QVERIFY(clock.elapsed() < pauseMs + kStepMs);  // no wait step
        QCOMPARE(out.count(), sent.isEmpty() ? 0 : 1);
        if (!sent.isEmpty())
            QCOMPARE(out.at(0).at(0).toByteArray(), sent);
        QCOMPARE(RawDataText(*window), echo);
    }

    void formatQueryPausesBeforeItsWait()
    {
        QTimer::singleShot(0, window, [this] { window->bAnswerReceived[MainWindow::AnswerPmotg] = true; });
        QElapsedTimer clock;
        clock.start();
        QVERIFY(window->SendCommandAndWait("$PMOTG,FOR,0"));
        QVERIFY(clock.elapsed() >= 500 + kStepMs);
        QCOMPARE(RawDataText(*window), QStringLiteral("<- $PMOTG,FOR,0*2A"));
    }

    void waitLetsMessagesThrough()
    {
        window->bGpsSearchActive = true;
        bool activeDuringWait = true;
        QTimer::singleShot(5, window, [&] { activeDuringWait = window->bGpsSearchActive; });
        QVERIFY(window->WaitForReceiverAnswer());
        QVERIFY(!activeDuringWait);
        QVERIFY(window->bGpsSearchActive);
        window->bGpsSearchActive = false;
    }

    void loranAnswerTest()
    {
        QVERIFY(window->CheckLoranAnswer("ABC123"));
        QVERIFY(window->bAnswerReceived[MainWindow::AnswerLoran]);
        window->bAnswerReceived[MainWindow::AnswerLoran] = false;
        QVERIFY(!window->CheckLoranAnswer("AB C"));
        QVERIFY(!window->CheckLoranAnswer("AB\xC3\x84"));
        QVERIFY(!window->bAnswerReceived[MainWindow::AnswerLoran]);
        QVERIFY(window->CheckLoranAnswer(QByteArray()));
        QVERIFY(window->bAnswerReceived[MainWindow::AnswerLoran]);
    }

    // Last: it closes the window. A wait ends at once when the program is to end.
    void closingEndsAWait()
    {
        window->answerWaitStepMs = 2500;
        QTimer::singleShot(50, window, [this] { window->close(); });
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!window->SendCommandAndWait("@@Cj"));
        QVERIFY(window->bExitRequested);
        QVERIFY2(clock.elapsed() < 500, qPrintable(QString::number(clock.elapsed())));
        // Every wait after that returns at once.
        clock.restart();
        QVERIFY(!window->SendCommandAndWait(QByteArray("@@Ba\x00", 5)));
        QVERIFY(window->WaitForReceiverAnswer());
        QVERIFY(clock.elapsed() < 100);
    }

private:
    MainWindow* window = nullptr;
};

HORALUX_TEST(TestSendCommands);
#include "tst_sendcommands.moc"
