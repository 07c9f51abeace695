// The TIC port object: SCPI counters on the loopback and serial lines on a pair of
// pseudo-terminals.

#include "fakescpicounter.h"
#include "modalwatcher.h"
#include "scpisession.h"
#include "socatpair.h"
#include "testsupport.h"
#include "ticserialportthread.h"

#include <QSerialPort>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

void SetTicPort(int port, const char* key, const QVariant& value)
{
    QSettings().setValue(QStringLiteral("TicPortDialog/TIC%1 %2").arg(port).arg(QLatin1String(key)), value);
}

QList<QByteArray> Texts(const QSignalSpy& spy)
{
    QList<QByteArray> texts;
    for (const QList<QVariant>& args : spy)
        texts << args.at(0).toByteArray();
    return texts;
}

}  // namespace

class TestTicPort : public QObject
{
    Q_OBJECT

    std::unique_ptr<FakeScpiCounter> counter;
    std::unique_ptr<TicSerialPortThread> port;

    // Port 1 on the fake counter, with waits short enough for a test.
    void StartScpiPort(const QByteArray& setupOverride = {})
    {
        SetTicPort(1, "Serial Port", "TCP/IP");
        SetTicPort(1, "Serial Port TcpIp Address", counter->Address());
        SetTicPort(1, "Setup Commands", QString::fromLatin1(setupOverride));
        port->identifyWaitMs = 300;
        port->replyWaitMs = 150;
        port->reconnectFirstMs = 100;
        port->startTicSerialPort(1);
    }

private slots:
    void init()
    {
        TestSupport::ClearSettings();
        counter = std::make_unique<FakeScpiCounter>();
        QVERIFY(counter->Listen());
        port = std::make_unique<TicSerialPortThread>();
    }

    void cleanup()
    {
        port.reset();
        counter.reset();
    }

    void scpiSetUpAndPolling_data()
    {
        QTest::addColumn<QByteArray>("identity");
        QTest::addColumn<bool>("prompt");
        QTest::addColumn<bool>("echo");
        QTest::addColumn<QByteArray>("setupOverride");
        QTest::addColumn<QList<QByteArray>>("setup");
        QTest::newRow("53220A") << QByteArray("Keysight,53220A,1,A") << false << false << QByteArray()
                                << ScpiSession::DefaultSetup();
        QTest::newRow("53230A with prompt and echo") << QByteArray("Keysight,53230A,1,A") << true << true
                                                     << QByteArray() << ScpiSession::DefaultSetup();
        QTest::newRow("BNC1105, own set-up") << QByteArray("BNC1105 counter") << false << false
                                             << QByteArray(" *RST ;;CONF:TINT;") << QList<QByteArray>{"*RST", "CONF:TINT"};
    }

    void scpiSetUpAndPolling()
    {
        QFETCH(QByteArray, identity);
        QFETCH(bool, prompt);
        QFETCH(bool, echo);
        QFETCH(QByteArray, setupOverride);
        QFETCH(QList<QByteArray>, setup);
        counter->identity = identity;
        counter->bPrompt = prompt;
        counter->bEcho = echo;
        counter->readings = {"+1.000000000E-06", "9.91E+37"};
        QSignalSpy lines(port.get(), &TicSerialPortThread::newTicText);
        StartScpiPort(setupOverride);
        QVERIFY(TestSupport::WaitFor([&] { return counter->Count("READ?") == 3; }));
        QCOMPARE(Texts(lines), (QList<QByteArray>{"1 +1.000000000E-06", "1 9.91E+37"}));
        const QList<QByteArray> sent = QList<QByteArray>{"*IDN?"} + setup + QList<QByteArray>(3, "READ?");
        QCOMPARE(counter->commands, sent);
    }

    void unknownModelIsNeitherSetUpNorPolled()
    {
        counter->identity = "ACME,COUNTER9000";
        StartScpiPort();
        QVERIFY(TestSupport::WaitFor([&] { return port->Session().GetState() == ScpiSession::State::Unknown; }));
        QTest::qWait(100);
        QCOMPARE(counter->commands, QList<QByteArray>{"*IDN?"});
    }

    // A lost reply is asked for again; after three the port connects anew. Failures of
    // the link never reach a message box.
    void silentCounterIsAskedAgainThenReconnected()
    {
        QSignalSpy errors(port.get(), &TicSerialPortThread::showErrorMessageBox);
        StartScpiPort();
        QVERIFY(TestSupport::WaitFor([&] { return counter->Count("*IDN?") == 2; }));
        const qsizetype second = counter->commands.lastIndexOf("*IDN?");
        QCOMPARE(counter->commands.first(second).count("READ?"), ScpiSession::kMaxMisses);
        QCOMPARE(counter->connections, 2);
        QCOMPARE(errors.count(), 0);
    }

    // A closed link comes back; a start with unchanged settings leaves a live link
    // alone, a changed one connects anew.
    void closedLinkReconnectsAndRestartsOnlyWhenChanged()
    {
        ModalWatcher watcher;
        counter->readings = {"1.0E-06"};
        StartScpiPort();
        QVERIFY(TestSupport::WaitFor([&] { return counter->Count("READ?") == 2; }));
        counter->DropClient();
        QVERIFY(TestSupport::WaitFor([&] { return counter->Count("*IDN?") == 2; }));
        port->startTicSerialPort(1);
        QTest::qWait(100);
        QCOMPARE(counter->connections, 2);
        SetTicPort(1, "Units", 3);
        port->startTicSerialPort(1);
        QVERIFY(TestSupport::WaitFor([&] { return counter->connections == 3; }));
        QCOMPARE(port->Settings().units, 3);
        QVERIFY(watcher.boxes.isEmpty());
    }

    // A line split over two writes, CR LF and empty lines, and 5000 bytes without an end,
    // which are dropped with a warning: each line goes out with its port number.
    void serialLines()
    {
        SocatPair pair;
        START_SOCAT_OR_SKIP(pair);
        SetTicPort(3, "Serial Port", pair.ProgramEnd());
        QSignalSpy lines(port.get(), &TicSerialPortThread::newTicText);
        port->startTicSerialPort(3);
        QVERIFY(port->IsSerialOpen());
        QSerialPort counterEnd(pair.ReceiverEnd());
        QVERIFY(counterEnd.open(QIODevice::ReadWrite));
        QTest::ignoreMessage(QtWarningMsg, "TIC3: a line longer than 1024 bytes was dropped.");
        for (const QByteArray& chunk : {QByteArray("+1.5E-0"), QByteArray("6\r\n\r\n2.0\n"), QByteArray(5000, '7'),
                                        QByteArray("\r\n4.0\r\n")}) {
            counterEnd.write(chunk);
            QVERIFY(counterEnd.waitForBytesWritten(1000));
            QTest::qWait(50);
        }
        QVERIFY(TestSupport::WaitFor([&] { return lines.count() >= 3; }, 2000));
        QTest::qWait(50);
        QCOMPARE(Texts(lines), (QList<QByteArray>{"3 +1.5E-06", "3 2.0", "3 4.0"}));
    }

    void removedDeviceIsClosedAndReportedOnce()
    {
        SocatPair pair;
        START_SOCAT_OR_SKIP(pair);
        SetTicPort(2, "Serial Port", pair.ProgramEnd());
        QSignalSpy errors(port.get(), &TicSerialPortThread::showErrorMessageBox);
        port->startTicSerialPort(2);
        QVERIFY(port->IsSerialOpen());
        pair.Kill();
        QVERIFY(TestSupport::WaitFor([&] { return !port->IsSerialOpen(); }, 3000));
        QTest::qWait(200);
        QCOMPARE(errors.count(), 1);
        QVERIFY(errors.at(0).at(0).toString().startsWith("TIC2 Port"));
    }
};

HORALUX_TEST(TestTicPort);
#include "tst_ticport.moc"
