#include "gpsrawdatadialog.h"
#include "gpsrxiddialog.h"
#include "mainwindow.h"
#include "receiverinfo.h"
#include "socatpair.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

// The wait step, shortened. A loaded machine may overrun any step: the steps are counted
// as they end, and their time only bounds the wait from below.
constexpr int kStepMs = 250;
constexpr int kPauseMs = 20;

QByteArray Hex(const char* hex) { return QByteArray::fromHex(hex); }

// What went to the port: nothing, or the one message.
QByteArray SentOnce(const QSignalSpy& out)
{
    if (out.isEmpty())
        return QByteArray();
    const QByteArray message = out.at(0).at(0).toByteArray();
    return out.count() == 1 && !message.isEmpty() ? message : QByteArray("(not one message)");
}

// The receiver record's fields that the probes write.
QString Record()
{
    return QStringLiteral("%1/%2%3%4")
        .arg(receiverInfo.channelCount)
        .arg(receiverInfo.channelCountReported)
        .arg(receiverInfo.bHasDgps ? " DGPS" : "")
        .arg(receiverInfo.bHasTraim ? " T-RAIM" : "");
}

// Counts the wait steps that end: the time-outs of the one-shot timers of a step's length.
class StepCount : public QObject
{
public:
    StepCount() { qApp->installEventFilter(this); }
    ~StepCount() override { qApp->removeEventFilter(this); }

    int steps = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const auto* timer = qobject_cast<QTimer*>(watched);
        steps += event->type() == QEvent::Timer && timer && timer->isSingleShot() && timer->interval() == kStepMs;
        return false;
    }
};

}  // namespace

// Commands to the receiver: checksums, echoes, and the waits for their answers, with a
// shortened wait step. The receiver port is one end of a pseudo-terminal pair.
class TestSendCommands : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        START_SOCAT_OR_SKIP(pair);
        UseProgramEndAsReceiverPort(pair);
        window = new MainWindow;
        QVERIFY(window->gpsPortThread.Port().isOpen());
        window->answerWaitStepMs = kStepMs;
        window->commandPauseMs = kPauseMs;
        window->gpsRawDataDialog->ShowDialog();
        window->gpsRawDataDialog->SetWrapMode(2);  // echo lines exactly as built
    }

    void cleanupTestCase() { delete window; }
    void init()
    {
        std::fill(std::begin(window->bAnswerReceived), std::end(window->bAnswerReceived), false);
        window->gpsRxIdDialog->AppendRxIdText(QString());
        window->gpsRawDataDialog->findChild<QPlainTextEdit*>()->clear();
        receiverInfo.ResetIdentity();
    }

    void sendGpsMessage_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QString>("echo");
        QTest::newRow("old checksum") << QByteArray("$PMOTG,FOR,0*00") << QByteArray("$PMOTG,FOR,0*2A")
                                      << QStringLiteral("<- $PMOTG,FOR,0*2A");
        QTest::newRow("UBX") << Hex("b5620a040000") << Hex("b5620a0400000e34")
                             << QStringLiteral("<- <B5><62><0A><04><00><00><0E><34>");
        QTest::newRow("Motorola") << QByteArray("@@Cj") << QByteArray("@@Cj\x29") << QStringLiteral("<- @@Cj<29>");
        // A payload byte that happens to be "*" is summed like any other.
        QTest::newRow("Motorola with *") << QByteArray("@@Ab\x01\x02*\x07")
                                         << QByteArray("@@Ab\x01\x02*\x07\x0D")
                                         << QStringLiteral("<- @@Ab<01><02><2A><07><0D>");
        QTest::newRow("short Motorola") << QByteArray("@@") << QByteArray("@@") << QStringLiteral("<- @@");
        const QByteArray tk = "@@Tk" + QByteArray(55, 'A') + "\x01\x02";
        QTest::newRow("@@Tk text") << tk << tk + '\x7D'
                                   << "<- @@Tk" + QString(55, QLatin1Char('A')) + "<01><02><7D>";
        QTest::newRow("short @@Tk") << QByteArray("@@Tk") << QByteArray("@@Tk?") << QStringLiteral("<- @@Tk?");
        QTest::newRow("firmware load") << QByteArray("UU\x01") << QByteArray("UU\x01")
                                       << QStringLiteral("<- <55><55><01>");
        QTest::newRow("other") << QByteArray("Z") << QByteArray("Z") << QString();
        QTest::newRow("empty") << QByteArray() << QByteArray() << QString();
    }

    void sendGpsMessage()
    {
        QFETCH(QByteArray, message);
        QFETCH(QByteArray, sent);
        QFETCH(QString, echo);
        QSignalSpy out(window, &MainWindow::sendGpsMessage);
        QElapsedTimer clock;
        clock.start();
        window->SendGpsMessage(message);
        QVERIFY(message.isEmpty() || clock.elapsed() >= kPauseMs);  // a pause after each
        QCOMPARE(SentOnce(out), sent);
        QCOMPARE(RawDataText(), echo);
    }

    // One row per awaited command: the ID window's text and the receiver record, when
    // the answer comes and when it does not (the record then starts "-1/-1 DGPS T-RAIM").
    void awaitedCommands_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("answered");
        QTest::addColumn<QString>("timedOut");
        QTest::addColumn<QString>("warning");
        const QString none = QStringLiteral("[-1/-1]");
        const QString kept = QStringLiteral("[-1/-1 DGPS T-RAIM]");
        const QString noVersion = QStringLiteral("@@Cj Timeout - no valid version number!\n") + kept;
        QTest::newRow("$PMOTG") << QByteArray("$PMOTG,Gd,0") << int(MainWindow::AnswerPmotg) << none << kept
                                << "Timeout: no response to Motorola Cmd $PMOTG,Gd,0*52";
        QTest::newRow("$PGRM") << QByteArray("$PGRMI,") << int(MainWindow::AnswerGpalm) << none << kept
                               << "Timeout: no response to Garmin Cmd $PGRMI,*6D";
        QTest::newRow("@@Cj") << QByteArray("@@Cj") << int(MainWindow::AnswerCj) << none << noVersion << "";
        QTest::newRow("@@Ba") << QByteArray("@@Ba\x00", 5) << int(MainWindow::AnswerBa)
                              << "@@Ba OK - must be a 6-channel Rcvr\n[6/6]"
                              << "@@Ba Timeout - not a 6-channel Rcvr\n" + kept << "";
        QTest::newRow("@@Ha") << QByteArray("@@Ha\x00", 5) << int(MainWindow::AnswerHa)
                              << "@@Ha OK - must be a 12-channel Rcvr\n[12/12]"
                              << "@@Ha Timeout - not a 12-channel Rcvr\n" + kept << "";
        QTest::newRow("@@Bh") << QByteArray("@@Bh\x00", 5) << int(MainWindow::AnswerBh)
                              << "@@Bh OK - must be a DGPS Rcvr\n[-1/-1 DGPS]"
                              << "@@Bh Timeout - must be a non-DGPS Rcvr\n[-1/-1 T-RAIM]" << "";
        QTest::newRow("@@En by @@Hn") << QByteArray("@@En\x00", 5) << int(MainWindow::AnswerHn)
                                      << "@@En OK - must have T-RAIM\n[-1/-1 T-RAIM]"
                                      << "@@En Timeout - must not have T-RAIM\n[-1/-1 DGPS]" << "";
        QTest::newRow("@@Wb") << QByteArray("@@Wb") << int(MainWindow::AnswerWb) << none << noVersion << "";
        QTest::newRow("LORAN") << QByteArray("Z") << int(MainWindow::AnswerLoran) << none
                               << "Timeout: no response to Motorola Loran Cmd Z\n" + kept << "";
        QTest::newRow("MON-VER") << Hex("b5620a040000") << int(MainWindow::AnswerMonVer) << none
                                 << "Timeout - no response to MON-VER request\n" + kept << "";
    }

    void awaitedCommands()
    {
        QFETCH(QByteArray, command);
        QFETCH(int, answer);
        QFETCH(QString, answered);
        QFETCH(QString, timedOut);
        QFETCH(QString, warning);
        const auto outcome = [this] {
            GpsRxIdDialog* id = window->gpsRxIdDialog;
            return id->rxIdText.mid(id->rxIdSeparator.size()) + '[' + Record() + ']';
        };
        QSignalSpy out(window, &MainWindow::sendGpsMessage);
        QTimer::singleShot(kStepMs / 4, window, [this, answer] { window->bAnswerReceived[answer] = true; });
        QElapsedTimer clock;
        clock.start();
        auto count = std::make_unique<StepCount>();
        QVERIFY(window->SendCommandAndWait(command));
        // A whole step, even for a quick answer.
        QCOMPARE(count->steps, 1);
        QVERIFY(clock.elapsed() >= kStepMs);
        QCOMPARE(out.count(), 1);
        QCOMPARE(outcome(), answered);
        QVERIFY(!window->bAnswerReceived[answer]);

        init();
        receiverInfo.bHasDgps = receiverInfo.bHasTraim = true;
        window->bAnswerReceived[answer] = true;  // a stale answer must not count
        if (!warning.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
        clock.restart();
        count = std::make_unique<StepCount>();
        QVERIFY(!window->SendCommandAndWait(command));
        // Two steps, whether the time-out is 3000 or 5000 ms in 2500 ms steps.
        QCOMPARE(count->steps, 2);
        QVERIFY(clock.elapsed() >= 2 * kStepMs);
        QCOMPARE(outcome(), timedOut);
    }

    void commandsWithoutAWait_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<int>("pauseMs");
        QTest::addColumn<QString>("echo");
        QTest::newRow("empty") << QByteArray() << false << QByteArray() << 0 << QString();
        QTest::newRow("other NMEA") << QByteArray("$GPGGA") << false << QByteArray() << 0 << QString();
        QTest::newRow("@@Ci") << QByteArray("@@Ci\x01", 5) << true << QByteArray("@@Ci\x01\x2B", 6) << 500
                              << QStringLiteral("<- @@Ci<01><2B>");
        QTest::newRow("other @@") << QByteArray("@@Gd\x03", 5) << false << QByteArray("@@Gd\x03\x20", 6) << 0
                                  << QStringLiteral("<- @@Gd<03><20>");
        QTest::newRow("BIN") << QByteArray("BIN") << true << QByteArray("BIN") << 500 << QString();
        QTest::newRow("other UBX") << Hex("b56206010300f00500") << true << QByteArray() << 0 << QString();
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
        const StepCount count;
        QCOMPARE(window->SendCommandAndWait(command), result);
        QVERIFY(clock.elapsed() >= pauseMs);
        QCOMPARE(count.steps, 0);  // no wait step
        QCOMPARE(SentOnce(out), sent);
        QCOMPARE(RawDataText(), echo);
    }

    void formatQueryPausesBeforeItsWait()
    {
        QTimer::singleShot(0, window, [this] { window->bAnswerReceived[MainWindow::AnswerPmotg] = true; });
        QElapsedTimer clock;
        clock.start();
        QVERIFY(window->SendCommandAndWait("$PMOTG,FOR,0"));
        QVERIFY(clock.elapsed() >= 500 + kStepMs);
        QCOMPARE(RawDataText(), QStringLiteral("<- $PMOTG,FOR,0*2A"));
    }

    // Last: it closes the window. A wait ends at once when the program is to end.
    void closingEndsAWait()
    {
        // A step of 10 s: ended by the closing, not by its time, however late the thread.
        window->answerWaitStepMs = 10000;
        QTimer::singleShot(50, window, [this] { window->close(); });
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!window->SendCommandAndWait("@@Cj"));
        QVERIFY(window->bExitRequested);
        QVERIFY2(clock.elapsed() < window->answerWaitStepMs, qPrintable(QString::number(clock.elapsed())));
        // Every wait after that returns at once.
        clock.restart();
        QVERIFY(!window->SendCommandAndWait(QByteArray("@@Ba\x00", 5)));
        QVERIFY(window->WaitForReceiverAnswer());
        QVERIFY(clock.elapsed() < window->answerWaitStepMs);
    }

private:
    QString RawDataText() const { return window->gpsRawDataDialog->findChild<QPlainTextEdit*>()->toPlainText(); }

    SocatPair pair;
    MainWindow* window = nullptr;
};

HORALUX_TEST(TestSendCommands);
#include "tst_sendcommands.moc"
