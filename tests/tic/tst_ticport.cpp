// The TIC ports: SCPI counters on the loopback, serial lines on a pair of pseudo-terminals
// and the port dialog; the counter readings' arithmetic and what one line does to the
// main window.

#include "../rxconfig/widgetlookup.h"
#include "fakescpicounter.h"
#include "mainwindow.h"
#include "passingnotes.h"
#include "remoteline.h"
#include "modalwatcher.h"
#include "pctime.h"
#include "scpisession.h"
#include "socatpair.h"
#include "telnettcpserver.h"
#include "testsupport.h"
#include "ticcorrection.h"
#include "ticportdialog.h"
#include "ticprocesseddatadialog.h"
#include "ticrawdatadialog.h"
#include "ticserialportthread.h"
#include "timingdialog.h"
#include "ui_mainwindow.h"
#include "utcdatetime.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSerialPort>
#include <QSettings>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <cmath>
#include <memory>

namespace {

QString Key(int port, const char* key) { return QStringLiteral("TicPortDialog/TIC%1 %2").arg(port).arg(QLatin1String(key)); }
void SetTicPort(int port, const char* key, const QVariant& value) { QSettings().setValue(Key(port, key), value); }
QString Stored(int port, const char* key) { return QSettings().value(Key(port, key), "<none>").toString(); }

}  // namespace

class TestTicPort : public QObject
{
    Q_OBJECT

    std::unique_ptr<FakeScpiCounter> counter;
    std::unique_ptr<TicSerialPortThread> port;
    QByteArrayList lines;  // sent on, with their port numbers

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
        lines.clear();
        connect(port.get(), &TicSerialPortThread::newTicText, this, [this](const QByteArray& line) { lines << line; });
    }

    void cleanup() { port.reset(), counter.reset(), PcTime::SetFixedUtc(QDateTime()); }

    // Identity, prompt and echo, a stale reading waiting at connect, the set-up
    // override; the commands sent are the identity query, the set-up (the default one
    // when none) and the polls.
    void scpiSetUpAndPolling_data()
    {
        QTest::addColumn<QByteArrayList>("row");
        QTest::newRow("53220A") << QByteArrayList{"Keysight,53220A,1,A", "", ""};
        QTest::newRow("53230A with prompt and echo") << QByteArrayList{"Keysight,53230A,1,A", "PE", ""};
        QTest::newRow("stale reading first") << QByteArrayList{"Keysight,53220A,1,A", "S", ""};
        QTest::newRow("BNC1105, own set-up") << QByteArrayList{"BNC1105 counter", "", " *RST ;;CONF:TINT;", "*RST", "CONF:TINT"};
        QTest::newRow("unknown model: neither set up nor polled, tried again") << QByteArrayList{"ACME,COUNTER9000", "", ""};
    }
    void scpiSetUpAndPolling()
    {
        QFETCH(QByteArrayList, row);
        counter->identity = row[0];
        counter->bPrompt = row[1].contains('P');
        counter->bEcho = row[1].contains('E');
        counter->greeting = row[1].contains('S') ? "+9.91E+37\r\n" : "";
        counter->readings = {"+1.000000000E-06", "9.91E+37"};
        StartScpiPort(row[2]);
        if (row[0].startsWith("ACME")) {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^TIC1 unknown counter: "));
            QVERIFY(TestSupport::WaitFor([&] { return counter->Count("*IDN?") == 2; }));
            QCOMPARE(counter->commands, QList<QByteArray>(2, "*IDN?"));
            return;
        }
        QVERIFY(TestSupport::WaitFor([&] { return counter->Count("READ?") == 3; }));
        QCOMPARE(lines, (QByteArrayList{"1 +1.000000000E-06", "1 9.91E+37"}));
        const QList<QByteArray> setup = row.size() > 3 ? row.mid(3) : ScpiSession::DefaultSetup();
        QCOMPARE(counter->commands, QList<QByteArray>{"*IDN?"} + setup + QList<QByteArray>(3, "READ?"));
    }

    // A lost reply is waited on, never asked for again; at the third wait that runs out
    // the port connects anew, and says what the counter answered since its last reading,
    // if anything. Failures of the link never reach a message box. Answers to "READ?"
    // (";" between them)|"READ?"s on the first link|the note ("A" the address).
    void silentCounterIsWaitedOnThenReconnected_data()
    {
        QTest::addColumn<QString>("row");
        QTest::newRow("mute") << "|1|TIC1 no answer: the counter at A no longer answers READ?; connecting again";
        QTest::newRow("a word") << "ERROR|2|TIC1 no reading: the counter answers READ? with \"ERROR\"; connecting again";
        QTest::newRow("a word, a reading") << "ERROR;1.0E-06|3|TIC1 no answer: the counter at A no longer answers READ?; connecting again";
    }
    void silentCounterIsWaitedOnThenReconnected()
    {
        QFETCH(QString, row);
        const QStringList f = row.split('|');
        QSignalSpy errors(port.get(), &TicSerialPortThread::showErrorMessageBox);
        QSignalSpy said(port.get(), &TicSerialPortThread::linkStatusMessage);
        QList<int> missed;  // the waits run out at each new connection
        port->startReconnectWait = [&](QTimer& timer, int ms) { missed << port->Session().Misses(), timer.start(ms); };
        if (!f[0].isEmpty())
            counter->readings = f[0].toLatin1().split(';');
        StartScpiPort();
        QVERIFY(TestSupport::WaitFor([&] { return counter->Count("*IDN?") == 2; }));
        const qsizetype second = counter->commands.lastIndexOf("*IDN?");
        QCOMPARE(counter->commands.first(second).count("READ?"), f[1].toInt());
        QVERIFY(counter->connections == 2 && errors.isEmpty());
        QCOMPARE(missed.value(0), 3);
        QCOMPARE(said.value(0).value(2).toString().replace(counter->Address(), "A"), f[2]);
    }

    // Miss, reply, miss, miss, reading: any reply, a reading or a word, starts the count
    // of misses afresh, so the link is kept.
    void readingBetweenMissesKeepsTheLink_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::newRow("a reading") << QByteArray("2.0E-06");
        QTest::newRow("a word") << QByteArray("Error");
    }
    void readingBetweenMissesKeepsTheLink()
    {
        QFETCH(QByteArray, reply);
        QList<int> missed;
        port->startReconnectWait = [&](QTimer& timer, int ms) { missed << port->Session().Misses(), timer.start(ms); };
        counter->readings = {"1.0E-06", reply, "3.0E-06"};
        counter->replyDelaysMs = {0, 450, 750};  // against a wait of 300 ms
        QTest::ignoreMessage(QtDebugMsg, "TIC1 counter: no reading within the wait (1 of 3 missed), waiting on.");
        QTest::ignoreMessage(QtDebugMsg, "TIC1 counter: no reading within the wait (1 of 3 missed), waiting on.");
        QTest::ignoreMessage(QtDebugMsg, "TIC1 counter: no reading within the wait (2 of 3 missed), waiting on.");
        StartScpiPort();
        port->replyWaitMs = 300;
        QVERIFY(TestSupport::WaitFor([&] { return lines.size() == 3; }));
        QVERIFY(counter->connections == 1 && missed.isEmpty());
    }

    // A reply held as for 8 s against the 3 s wait (shortened to 800 and 300 ms), then
    // replies again, the counter's no-numbers and a unit among them: each miss is said
    // and waited on, one "READ?" at most waits, and the readings come on.
    void heldReplyKeepsOneReadWaiting()
    {
        counter->readings = {"+9.91E+37", "NAN", "+INF", "-INF", "1.0E-06 s"};
        counter->holdMs = 800;
        QTest::ignoreMessage(QtDebugMsg, "TIC1 counter: no reading within the wait (1 of 3 missed), waiting on.");
        StartScpiPort();
        port->replyWaitMs = 300;
        QVERIFY(TestSupport::WaitFor([&] { return lines.size() == 5; }));
        QCOMPARE(lines, (QByteArrayList{"1 +9.91E+37", "1 NAN", "1 +INF", "1 -INF", "1 1.0E-06 s"}));
        QCOMPARE(counter->mostReadsWaiting, 1);
    }

    // A counter that falls silent is lost after three misses and stays silent through
    // the reconnection, its "*IDN?" unanswered: it is tried again until it answers, and
    // its return is said once.
    void silentCounterIsPolledAgainWhenBack()
    {
        QSignalSpy said(port.get(), &TicSerialPortThread::linkStatusMessage);
        counter->readings = {"1.0E-06", "2.0E-06"};
        StartScpiPort();
        QVERIFY(TestSupport::WaitFor([&] { return lines.size() == 2; }));
        counter->bSilent = true;
        QVERIFY(TestSupport::WaitFor([&] { return counter->Count("*IDN?") == 3; }));
        counter->bSilent = false;
        counter->readings = {"3.0E-06", "4.0E-06"};
        QVERIFY(TestSupport::WaitFor([&] { return lines.size() == 4; }));
        QCOMPARE(lines.mid(2), (QByteArrayList{"1 3.0E-06", "1 4.0E-06"}));
        QCOMPARE(said.size(), 2);
        QVERIFY(!said.at(0).at(1).toBool() && said.at(1).at(1).toBool());
        QCOMPARE(said.at(1).at(2).toString(), "TIC1 back: the counter at " + counter->Address() + " answers again");
    }

    // A counter that says only something else while it is identified (a stale reading,
    // an error with an escape byte) is tried again until it names its model, then
    // polled; the note quotes what it said, made printable.
    void counterThatAnswersOtherThingsIsTriedAgain()
    {
        QSignalSpy said(port.get(), &TicSerialPortThread::linkStatusMessage);
        counter->greeting = "+9.91E+37\r\n\x1b]0;x\x07-113,\"Undefined header\"\r\n";
        counter->bSilent = true;
        counter->readings = {"1.0E-06"};
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^TIC1 unknown counter: "));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^TIC1 no answer: "));
        StartScpiPort();
        QVERIFY(TestSupport::WaitFor([&] { return said.size() == 1; }));
        // The next connection's silence is said as such, not as the last one's words.
        counter->greeting.clear();
        QVERIFY(TestSupport::WaitFor([&] { return said.size() == 2; }));
        counter->bSilent = false;
        QVERIFY(TestSupport::WaitFor([&] { return lines == QByteArrayList{"1 1.0E-06"}; }));
        QCOMPARE(said.size(), 3);
        QCOMPARE(said.at(0).at(2).toString(), "TIC1 unknown counter: the counter at " + counter->Address()
                                                  + " answered \"?]0;x?-113,\"Undefined header\"\"; trying again");
        QCOMPARE(said.at(1).at(2).toString(), "TIC1 no answer: the counter at " + counter->Address()
                                                  + " takes the connection but does not answer *IDN?; trying again");
    }

    // A counter that takes the connection and says nothing is tried again after 2, 4,
    // 8, 10 and 10 s; once it has given a reading, its next silence waits 2 s again.
    void silentCounterBacksOff()
    {
        QList<int> waits;
        port->startReconnectWait = [&waits](QTimer& timer, int ms) { waits << ms, timer.start(10); };
        counter->bSilent = true;
        SetTicPort(1, "Serial Port", "TCP/IP");
        SetTicPort(1, "Serial Port TcpIp Address", counter->Address());
        port->identifyWaitMs = 50;
        port->replyWaitMs = 50;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^TIC1 no answer: "));
        port->startTicSerialPort(1);
        QVERIFY(TestSupport::WaitFor([&] { return waits.size() == 5; }));
        QCOMPARE(waits, (QList<int>{2000, 4000, 8000, 10000, 10000}));
        counter->readings = {"1.0E-06"};
        counter->bSilent = false;
        QVERIFY(TestSupport::WaitFor([&] { return !lines.isEmpty(); }));
        waits.clear();
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^TIC1 no answer: "));
        QVERIFY(TestSupport::WaitFor([&] { return !waits.isEmpty(); }));
        QCOMPARE(waits.first(), 2000);
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
        QVERIFY(port->Settings().units == 3 && watcher.boxes.isEmpty());
    }

    // A line split over two writes, CR LF and empty lines, and 5000 bytes without an end,
    // which are dropped with a warning: each line goes out with its port number.
    void serialLines()
    {
        SocatPair pair;
        START_SOCAT_OR_SKIP(pair);
        SetTicPort(3, "Serial Port", pair.ProgramEnd());
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
        QCOMPARE(lines, (QByteArrayList{"3 +1.5E-06", "3 2.0", "3 4.0"}));
    }

    // A device missing at the start and one removed later are closed, said once (OK with
    // the same settings says nothing again) and opened again when they are back, each
    // return said once; readings come again, none joined to a line cut by the loss. No
    // box: nobody may be there to press OK. Another port or OFF ends the note.
    void removedDeviceIsOpenedAgain()
    {
        SocatPair pair;
        ModalWatcher watcher;
        // The window that shows a counter's box, so that a box would be seen.
        MainWindow window;
        connect(port.get(), &TicSerialPortThread::showErrorMessageBox, &window, &MainWindow::showErrorMessageBox);
        QSignalSpy errors(port.get(), &TicSerialPortThread::showErrorMessageBox);
        QSignalSpy said(port.get(), &TicSerialPortThread::linkStatusMessage);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^TIC2 port cannot be opened: /nonexistent/"));
        SetTicPort(2, "Serial Port", "/nonexistent/tic2");
        port->startTicSerialPort(2);
        port->startTicSerialPort(2);
        QCOMPARE(said.value(0).value(2).toString(),
                 "TIC2 port cannot be opened: /nonexistent/tic2 (No such file or directory), retrying every 5 s");
        const QString name = pair.ProgramEnd();
        port->reopenIntervalMs = 100;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^TIC2 port cannot be opened: /.*/gps "));
        SetTicPort(2, "Serial Port", name);
        port->startTicSerialPort(2);
        const auto read = [&](const QByteArray& reading, const QByteArray& cut = {}) {
            QSerialPort counterEnd(pair.ReceiverEnd());
            if (!TestSupport::WaitFor([&] { return port->IsSerialOpen(); }, 2000) || !counterEnd.open(QIODevice::ReadWrite))
                return false;
            counterEnd.write(reading + "\r\n" + cut);
            return counterEnd.waitForBytesWritten(1000)
                   && TestSupport::WaitFor([&] { return lines.contains("2 " + reading); }, 2000);
        };
        START_SOCAT_OR_SKIP(pair);
        QVERIFY(read("1.5E-06", "9.9E-"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^TIC2 port lost: "));
        pair.Kill();
        QVERIFY(TestSupport::WaitFor([&] { return said.size() == 5; }, 3000));
        QVERIFY(pair.Start());
        QVERIFY(read("2.5E-06"));
        QCOMPARE(lines, (QByteArrayList{"2 1.5E-06", "2 2.5E-06"}));
        SetTicPort(2, "Serial Port", "OFF");
        port->startTicSerialPort(2);
        QStringList notes;
        for (const QList<QVariant>& note : std::as_const(said))
            notes << (note.at(1).toBool() ? "up " : "down ") + note.at(2).toString().section(" (", 0, 0);
        QCOMPARE(notes, QStringList({"down TIC2 port cannot be opened: /nonexistent/tic2", "up ",
                                     "down TIC2 port cannot be opened: " + name, "up TIC2 port back: " + name,
                                     "down TIC2 port lost: " + name, "up TIC2 port back: " + name, "up "}));
        QCOMPARE(said.at(4).at(2).toString(), "TIC2 port lost: " + name + " (read error), retrying every 0.1 s");
        QVERIFY(errors.isEmpty() && watcher.boxes.isEmpty());
    }
};

// Two counters back 300 ms apart, their returns said for 600 ms here: each note ends
// through the timer at its own time, never before it and not as late as the other's; a
// return replaced by a new note never ends it. On a clock of the test's own, a note is
// still on show a millisecond before its time and gone at it.
class TestTicBackNotes : public QObject
{
    Q_OBJECT

private slots:
    void eachReturnEndsAtItsOwnTime()
    {
        QList<int> ended;
        QList<int64_t> endedAtMs;
        PassingNotes notes(8, [&](int k) { ended << k, endedAtMs << UtcDateTime::SteadyMSecs(); });
        notes.shownMs = 600;
        const int64_t firstMs = UtcDateTime::SteadyMSecs();
        notes.Begin(0);
        notes.Begin(2);
        notes.Cancel(2);
        QTest::qWait(300);
        const int64_t secondMs = UtcDateTime::SteadyMSecs();
        notes.Begin(5);
        QVERIFY(TestSupport::WaitFor([&] { return ended.size() == 2; }, 3000));
        QTest::qWait(50);
        QCOMPARE(ended, (QList<int>{0, 5}));
        QVERIFY(endedAtMs[0] >= firstMs + 600 && endedAtMs[1] >= secondMs + 600);
        QVERIFY2(endedAtMs[0] < secondMs + 600 && endedAtMs[1] < secondMs + 900,
                 qPrintable(QStringLiteral("%1 %2 ms late").arg(endedAtMs[0] - firstMs - 600).arg(endedAtMs[1] - secondMs - 600)));
        QVERIFY(!notes.IsShown(0) && !notes.IsShown(5));

        int64_t nowMs = 1000;
        notes.clockMs = [&nowMs] { return nowMs; };
        notes.Begin(7);
        QList<bool> shown;
        for (const int64_t atMs : {1599, 1600}) {
            nowMs = atMs;
            notes.EndDue();
            shown << notes.IsShown(7);
        }
        QCOMPARE(shown, (QList<bool>{true, false}));
        QCOMPARE(ended.last(), 7);
    }
};

// One port shown at a time; OK saves all eight, Cancel reloads them.
class TestTicPortDialog : public QObject
{
    Q_OBJECT

private slots:
    void init() { TestSupport::ClearSettings(); }

    void editSeveralPortsThenOkOrCancel()
    {
        TicPortDialog dialog;
        ModalWatcher watcher;
        auto* select = Child<QComboBox>(&dialog, "IDC_TIC_PORT_SELECT");
        auto* name = Child<QComboBox>(&dialog, "IDC_TIC_SERIAL_PORT");
        auto* address = Child<QLineEdit>(&dialog, "IDC_TIC_TCPIP_ADDRESS");
        QVERIFY(!address->isEnabled());
        select->setCurrentIndex(1);
        name->setCurrentText("/dev/ttyTIC2");
        Child<QComboBox>(&dialog, "IDC_TIC_UNITS")->setCurrentIndex(3);
        select->setCurrentIndex(4);
        name->setCurrentText("TCP/IP");
        QVERIFY(address->isEnabled());
        address->setText("10.0.0");  // malformed: OK warns and keeps the dialog
        select->setCurrentIndex(0);
        dialog.setResult(-1);
        Child<QPushButton>(&dialog, "OK")->click();
        QCOMPARE(watcher.boxes.value(0).title, QString("Illegal IP Address"));
        QVERIFY(dialog.result() == -1 && dialog.SelectedPort() == 5 && Stored(5, "Serial Port") == "<none>");
        address->setText("10.0.0.5:5025");
        Child<QPushButton>(&dialog, "OK")->click();
        QCOMPARE(dialog.result(), 1);
        QCOMPARE(QStringList({Stored(2, "Serial Port"), Stored(2, "Units"), QString::number(TicPortSettings::Load(5).TcpPort()),
                              QString::number(TicPortSettings::Load(4).TcpPort()), Stored(8, "Serial Port")}).join(' '),
                 "/dev/ttyTIC2 3 5025 5024 OFF");

        select->setCurrentIndex(1);
        name->setCurrentText("OFF");
        Child<QPushButton>(&dialog, "CANCEL")->click();
        QVERIFY(dialog.result() == 0 && name->currentText() == "/dev/ttyTIC2");
    }

    // A typed name with a control character names no device: OK shows its port and warns.
    void typedPortNameWithControlCharacterRefused()
    {
        TicPortDialog dialog;
        ModalWatcher watcher;
        Child<QComboBox>(&dialog, "IDC_TIC_PORT_SELECT")->setCurrentIndex(2);
        Child<QComboBox>(&dialog, "IDC_TIC_SERIAL_PORT")->setCurrentText("/dev/ttyS\x1b" "1");
        Child<QComboBox>(&dialog, "IDC_TIC_PORT_SELECT")->setCurrentIndex(0);
        Child<QPushButton>(&dialog, "OK")->click();
        QVERIFY(watcher.boxes.value(0).title == "Illegal Port Name" && dialog.SelectedPort() == 3);
        QCOMPARE(Stored(3, "Serial Port"), "<none>");
    }
};

class TestTicProcessing : public QObject
{
    Q_OBJECT

    std::unique_ptr<MainWindow> w;

    // Readings of the given ports, in µs.
    void Read(std::initializer_list<int> ports, const char* value)
    {
        for (int port : ports)
            w->OnNewTicText(QByteArray::number(port) + ' ' + value);
    }

private slots:
    void init()
    {
        TestSupport::ClearSettings();
        for (int port = 1; port <= 8; ++port)
            SetTicPort(port, "Units", 2);
        w = std::make_unique<MainWindow>();
        w->ticTimeTagFormat = 3;  // no tag: the lines do not depend on the clock
        w->timingDialog->sawtoothMode = 0;
        w->timingDialog->ppsOffsetLateUs = 0.0;
    }

    void cleanup() { w.reset(), PcTime::SetFixedUtc(QDateTime()); }

    // Reading|unit (0 s, 1 ms, 2 µs, 3 ns)|value in µs; no value is no number at all, "nan"
    // the counter's no-number or one that is not finite in µs. A unit the reading
    // carries is read whatever the port's choice, and any other word after it is a
    // label; the rows built from Latin-1 hold the bytes a counter sends.
    void readings_data()
    {
        QTest::addColumn<QString>("row");
        QTest::newRow("seconds, SCPI form") << "+1.000000000E-06|0|1";
        QTest::newRow("a unit with more glued is a label") << " 1.5 ms,x|3|0.0015";
        QTest::newRow("channel label") << "0.000000012345 TI(A->B)|0|0.012345";
        QTest::newRow("ns, then a label") << "1.5 ns chA|2|0.0015";
        QTest::newRow("sec") << "4.0E-09 sec|0|0.004";
        QTest::newRow("MSEC") << "1.5 MSEC|2|1500";
        QTest::newRow("usec glued") << "2usec|3|2";
        QTest::newRow("µsec in UTF-8") << QString::fromLatin1("0.5 \xc2\xb5sec|3|0.5");
        QTest::newRow("nSec") << "3 nSec|0|0.003";
        QTest::newRow("psec glued") << "250psec|0|0.00025";
        QTest::newRow("bare unit") << "ns|3|";
        QTest::newRow("exponent without digits, port in ms") << "+1.234E|1|";
        QTest::newRow("exponent without digits, then a unit") << "12E ns|0|";
        QTest::newRow("exponent sign without digits") << "1.5E+|2|";
        QTest::newRow("ns after a blank") << "100 ns|0|0.1";
        QTest::newRow("us after blanks") << "0.100  \tus|0|0.1";
        QTest::newRow("ms with an exponent") << "1.0E-04 ms|2|0.1";
        QTest::newRow("S glued") << "+3.0E-09S|3|0.003";
        QTest::newRow("MS glued, port in s") << "2MS|0|2000";
        QTest::newRow("ps") << "250 ps|0|0.00025";
        QTest::newRow("µs in Latin-1") << QString::fromLatin1("0.5 \xb5s|0|0.5");
        QTest::newRow("µS in UTF-8, glued") << QString::fromLatin1("0.5\xc2\xb5S|3|0.5");
        QTest::newRow("µ alone is a label") << QString::fromLatin1("0.5 \xc2\xb5|3|0.0005");
        QTest::newRow("s, port in ms") << "0.25 s|1|250000";
        QTest::newRow("a second in ms") << "1000 ms|2|long";
        QTest::newRow("a word after the number") << "2.0e-09 garbage|0|0.002";
        QTest::newRow("letters glued") << "+6.0E-09xyz|0|";
        QTest::newRow("two readings") << "+4.0E-09,+5.0E-09|0|";
        QTest::newRow("a word after the unit") << "1 ns x|0|0.001";
        QTest::newRow("s, then a word, port in ns") << "1.0e-07 s garbage|3|0.1";
        QTest::newRow("overflow with a unit") << "1e999 ns|0|nan";
        QTest::newRow("exponent letter without digits") << "12E|2|";
        QTest::newRow("lone sign") << "+|2|";
        QTest::newRow("ns") << "-250|3|-0.25";
        QTest::newRow("counter's no-number") << "9.91E+37|0|nan";
        QTest::newRow("NaN") << "NaN|2|nan";
        QTest::newRow("overflow by the unit") << "1e305|0|nan";
        QTest::newRow("text") << "ERROR -113|0|";
        // No interval between the reference and the 1PPS lasts a second, whatever the unit.
        QTest::newRow("huge") << "+1.0E+37|0|long";
        QTest::newRow("123456789 s") << "123456789|0|long";
        QTest::newRow("123456789 ns is 0.12 s") << "123456789|3|123456.789";
        QTest::newRow("minus one second in ms") << "-1000|1|long";
    }
    void readings()
    {
        QFETCH(QString, row);
        const QStringList f = row.split('|');
        double value = 0.0;
        const TicReadingKind kind = ParseTicReading(f[0].toLatin1(), f[1].toInt(), &value);
        QCOMPARE(int(kind), int(f[2].isEmpty() ? TicReadingKind::NoNumber
                                : f[2] == "nan" ? TicReadingKind::NotANumber
                                : f[2] == "long" ? TicReadingKind::OneSecondPlus : TicReadingKind::Number));
        QCOMPARE(value, f[2] == "nan" || f[2] == "long" ? 0.0 : f[2].toDouble());
    }

    // raw µs, sawtooth mode (0 automatic, 1 add, 2 subtract, 3 off), sawtooth ns, late 1PPS µs, result.
    void correction_data()
    {
        QTest::addColumn<QString>("row");
        QTest::newRow("automatic subtracts") << "10 0 5 0 9.995";
        QTest::newRow("add") << "10 1 5 0 10.005";
        QTest::newRow("subtract") << "10 2 -5 0 10.005";
        QTest::newRow("off") << "10 3 5 0 10";
        QTest::newRow("never set") << "10 -1 5 0 10";
        QTest::newRow("late 1PPS offset") << "300000 3 0 200000 100000";
        QTest::newRow("folds up") << "-600000 3 0 0 400000";
        QTest::newRow("+500000 folds to -500000") << "900000 3 0 400000 -500000";
        QTest::newRow("two seconds off") << "1999999.5 3 0 0 -0.5";
    }
    void correction()
    {
        QFETCH(QString, row);
        const QStringList f = row.split(' ');
        QCOMPARE(CorrectTicMicroseconds(f[0].toDouble(), TicSawtoothTermUs(f[1].toInt(), f[2].toDouble()), f[3].toDouble()),
                 f[4].toDouble());
        QVERIFY(std::isnan(FoldTicMicroseconds(std::nan(""))));
    }

    // As the receiver reports a sawtooth, every port corrects its next reading with it,
    // once; a port coming back from a gap takes none.
    void sawtoothOncePerPort()
    {
        Read({1, 2, 3}, "10");
        w->sawtoothNs = 5.0;
        w->bSawtoothValid = true;
        w->bTicPortStale[2] = true;
        QStringList lines;
        for (int port : {1, 1, 2, 2, 3}) {
            Read({port}, "10");
            lines << QString::fromLatin1(w->lastTicTimeLine);
        }
        QCOMPARE(lines, QStringList({"1,,9.995000,10.000000", "1,,10.000000,10.000000", "2,,9.995000,10.000000",
                                     "2,,10.000000,10.000000", "3,,10.000000,10.000000"}));
        QVERIFY(!w->bSawtoothValid);
    }

    // Average lines close a block of N readings; a gap starts a new block. The counter's
    // no-number, readings of a second or more and bad port numbers change nothing; the
    // long readings are counted in the debug log.
    void averagesAndLines()
    {
        const auto state = [&] {
            return w->lastTicTimeLine + " | " + w->lastTicAverageLine + " | " + QByteArray::number(w->ticDataAge[0]);
        };
        QCOMPARE(state(), "UNAVAILABLE | UNAVAILABLE | 0");
        w->ticAveragingPeriod = 4;
        w->ticTimeLogPeriod = 2;
        Read({1}, "100");
        w->bTicPortStale[0] = true;
        w->ticDataAge[0] = 3;
        for (const char* value : {"1", "2", "3"})
            Read({1}, value);
        QCOMPARE(state(), "1,,2.000000,2.000000 | UNAVAILABLE | 0");
        w->ticDataAge[0] = 1;
        Read({1}, "9.91E+37");
        int dropped = 0;
        for (const char* absurd : {"+1.0E+37", "-5e30", "123456789"}) {
            QTest::ignoreMessage(QtDebugMsg, qPrintable(QStringLiteral("TIC1: reading \"%1\" of 1 s or more dropped (%2 since the port was opened).")
                                                            .arg(absurd)
                                                            .arg(++dropped)));
            Read({1}, absurd);
        }
        for (const char* bad : {"9 1", "0 1", "x 1", ""}) {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("bad port number"));
            w->OnNewTicText(bad);
        }
        // Quoted in the debug log, an escape sequence would act on the terminal that shows it.
        QTest::ignoreMessage(QtWarningMsg, "TIC line with a bad port number dropped: \"5,?]0;x?\"");
        w->OnNewTicText("5,\033]0;x\a");
        QCOMPARE(w->ticDataAge[0], 1);
        Read({1}, "4");
        QCOMPARE(state(), "1,,4.000000,4.000000 | 1,,2.500000,1.290994,1.000000,4.000000,4 | 0");
    }

    // The clock follows the lowest-numbered port that is reading, in modes 6 and 7 only.
    void clockAndWindows_data()
    {
        QTest::addColumn<int>("mode");
        for (int mode : {0, 5, 6, 7})
            QTest::addRow("mode %d", mode) << mode;
    }
    void clockAndWindows()
    {
        QFETCH(int, mode);
        const QString ticData = mode == 7 ? "250.000" : "150.000";  // corrected, or raw in mode 7
        const QString clock = mode >= 6 ? ticData : "before";
        w->clockDisplayMode = mode;
        w->ui->ClockDisplay->setText("before");
        w->timingDialog->ppsOffsetLateUs = 100.0;
        w->sawtoothNs = 5.0;
        w->timeAccuracyNs = 7;
        w->ticRawDataDialog->ShowDialog();
        w->ticProcessedDataDialog->ShowDialog();
        w->bTicRawDataVisible = w->bTicProcessedDataVisible = true;
        Read({3}, "250");
        QCOMPARE(w->ui->ClockDisplay->text() + ' ' + w->ui->TIC_Data->text(), clock + ' ' + ticData);
        Read({4}, "400");
        QCOMPARE(w->ui->TIC_Data->text(), ticData);
        QCOMPARE(w->ticRawDataDialog->Text(), QString("3 250\n4 400"));
        QVERIFY(w->ticProcessedDataDialog->Text().startsWith("TIC3 150.000000 250.000000 5.000 7 100.000 \n"));
    }

    // An old reading never passes for a current one: the panel and the TIC clock keep it
    // over two ticks without a new one, then go blank, though port 2 went stale first.
    void staleReadingLeavesThePanel()
    {
        w->bGpsSearchActive = false;
        w->clockDisplayMode = 6;
        Read({1, 2}, "0.145");
        emit w->gpsPortThread.PpsTick();
        Read({1}, "0.145");
        for (const char* shown : {"0.145|0.145", "0.145|0.145", "0.145|0.145", "|"}) {
            QCOMPARE(w->ui->TIC_Data->text() + '|' + w->ui->ClockDisplay->text(), shown);
            emit w->gpsPortThread.PpsTick();
        }
        Read({1}, "0.150");
        QCOMPARE(w->ui->TIC_Data->text(), "0.150");
    }

    // An unreachable counter and a lost link are each said once in the debug log and stay
    // in the status bar however often connecting fails, the lost link blanking the panel;
    // each return is said.
    void counterLinkSaidOnce()
    {
        FakeScpiCounter counter;
        QVERIFY(counter.Listen());
        const quint16 tcpPort = counter.Port();
        const QString address = counter.Address();
        counter.SwitchOff();
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^TIC1 unreachable: .+ cannot be reached \\("));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^TIC1 link lost: .+ was lost \\("));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^TIC1 link lost: .+ was lost \\("));
        QTest::failOnWarning(QRegularExpression("^TIC1 "));
        QStringList said;
        const auto note = [&] {
            const QString text = w->ticLinkLabel->isHidden() ? QString() : w->ticLinkLabel->toolTip();
            said << text.section(" (", 0, 0).replace(address, "A") + '|' + w->ui->TIC_Data->text();
        };
        SetTicPort(1, "Serial Port", "TCP/IP");
        SetTicPort(1, "Serial Port TcpIp Address", address);
        TicSerialPortThread& port = w->ticPortThreads[0];
        port.reconnectFirstMs = port.reconnectMaxMs = 50;
        port.startTicSerialPort(1);
        for (const char* reading : {"0.145", "0.150"}) {
            QTest::qWait(300);  // refused every 50 ms
            note();
            counter.readings = {reading};
            QVERIFY(counter.Listen(tcpPort));
            QVERIFY(TestSupport::WaitFor([&] { return w->ui->TIC_Data->text() == reading; }));
            note();
            counter.SwitchOff();
        }
        // A port set to OFF ends its note.
        QVERIFY(TestSupport::WaitFor([&] { return w->ticLinkLabel->toolTip().startsWith("TIC1 link lost: "); }));
        note();
        SetTicPort(1, "Serial Port", "OFF");
        port.startTicSerialPort(1);
        note();
        const QString back = "TIC1 back: the counter at A answers again|";
        const QString lost = "TIC1 link lost: the link to the counter at A was lost|";
        QCOMPARE(said, QStringList({"TIC1 unreachable: the counter at A cannot be reached|", back + "0.145", lost,
                                    back + "0.150", lost, "|"}));
    }

    // Every reply answers its "READ?", and the next goes out at once (the wait is 5 s):
    // a unit glued to the number or after it is read, a label after it read past, an
    // overflow is no reading; a reply that is no reading is dropped and said naming the
    // counter. Three replies in a row that are no reading are said and the counter is
    // connected again; a reading ends the note, and starts the count afresh. Replies
    // (";" between them)|port's unit|"READ?"s the counter gets|the time line after
    // them|debug line|the counter's note ("A" its address).
    void counterReplies_data()
    {
        QTest::addColumn<QString>("row");
        QTest::newRow("unit glued") << "+3.0E-09S|0|2|1,,0.003000,0.003000||";
        QTest::newRow("overflow") << "1e999|0|2|UNAVAILABLE||";
        QTest::newRow("number and garbage") << "+1.5E-07#!x|0|2|UNAVAILABLE|TIC1: \"+1.5E-07#!x\" is no reading, dropped.|";
        QTest::newRow("notice") << "Info: ready|0|2|UNAVAILABLE|TIC1: \"Info: ready\" is no reading, dropped.|";
        QTest::newRow("bare unit") << "ns|3|2|UNAVAILABLE|TIC1: \"ns\" is no reading, dropped.|";
        QTest::newRow("a word once, then readings") << "Error;1.0E-06;2.0E-06|0|4|1,,2.000000,2.000000|TIC1: \"Error\" is no reading, dropped.|";
        QTest::newRow("ns, port in s") << "100 ns|0|2|1,,0.100000,0.100000||";
        QTest::newRow("us, port in s") << "0.100 us|0|2|1,,0.100000,0.100000||";
        QTest::newRow("ms with an exponent, port in ns") << "1.0E-04 ms|3|2|1,,0.100000,0.100000||";
        QTest::newRow("S glued, port in ns") << "+3.0E-09S|3|2|1,,0.003000,0.003000||";
        QTest::newRow("a word after the number") << "2.0e-09 garbage|0|2|1,,0.002000,0.002000||";
        QTest::newRow("-ERR three times, and on the new link") << "-ERR;-ERR;-ERR;-ERR|0|5|UNAVAILABLE|TIC1: \"-ERR\" is no reading, dropped."
                                             "|TIC1 no reading: the counter answers READ? with \"-ERR\"; connecting again";
        QTest::newRow("-ERR three times, then a reading")
            << "-ERR;+OK;-ERR;1.0E-06|0|5|1,,1.000000,1.000000||TIC1 back: the counter at A answers again";
        QTest::newRow("-ERR twice, a reading, -ERR twice") << "-ERR;-ERR;1.0E-06;-ERR;-ERR|0|6|1,,1.000000,1.000000||";
    }
    void counterReplies()
    {
        QFETCH(QString, row);
        const QStringList f = row.split('|');
        FakeScpiCounter counter;
        QVERIFY(counter.Listen());
        for (const QString& reply : f[0].split(';'))
            counter.readings << reply.toLatin1();
        const int reads = f[2].toInt();
        SetTicPort(1, "Units", f[1].toInt());
        SetTicPort(1, "Serial Port", "TCP/IP");
        SetTicPort(1, "Serial Port TcpIp Address", counter.Address());
        w->ticTimeLogPeriod = 1;
        if (!f[4].isEmpty())
            QTest::ignoreMessage(QtDebugMsg, qPrintable(f[4]));
        TicSerialPortThread& port = w->ticPortThreads[0];
        port.replyWaitMs = 5000;
        port.reconnectFirstMs = 50;
        port.startTicSerialPort(1);
        QVERIFY(TestSupport::WaitFor([&] { return counter.Count("READ?") == reads; }));
        QVERIFY(!TestSupport::WaitFor([&] { return counter.Count("READ?") > reads; }, 500));
        QCOMPARE(counter.connections, f[5].isEmpty() ? 1 : 2);
        QCOMPARE(QString::fromLatin1(w->lastTicTimeLine), f[3]);
        QCOMPARE(w->ticLinkLabel->isHidden() ? QString() : w->ticLinkLabel->toolTip().replace(counter.Address(), "A"), f[5]);
        SetTicPort(1, "Serial Port", "OFF");
        port.startTicSerialPort(1);
    }

    // A serial counter that delivers nothing is said to be silent since its port opened,
    // the note ends with the next line and comes again with the next silence, since a
    // time on the day before.
    void silentSerialCounter()
    {
        SocatPair pair;
        START_SOCAT_OR_SKIP(pair);
        const auto note = [&] { return w->ticLinkLabel->isHidden() ? QString() : w->ticLinkLabel->toolTip(); };
        PcTime::SetFixedUtc(QDateTime(QDate(2026, 3, 1), QTime(12, 0, 5), Qt::UTC));
        SetTicPort(3, "Serial Port", pair.ProgramEnd());
        TicSerialPortThread& port = w->ticPortThreads[2];
        port.silenceLimitMs = 300;
        QTest::ignoreMessage(QtWarningMsg, "TIC3 silent: no reading since 12:00:05 UTC");
        port.startTicSerialPort(3);
        QVERIFY(TestSupport::WaitFor([&] { return note() == "TIC3 silent: no reading since 12:00:05 UTC"; }));
        PcTime::SetFixedUtc(QDateTime(QDate(2026, 3, 1), QTime(23, 59, 59), Qt::UTC));
        QSerialPort counterEnd(pair.ReceiverEnd());
        QVERIFY(counterEnd.open(QIODevice::ReadWrite));
        counterEnd.write("1.5\r\n");
        QVERIFY(counterEnd.waitForBytesWritten(1000));
        QVERIFY(TestSupport::WaitFor([&] { return note().isEmpty(); }));
        QCOMPARE(w->ui->TIC_Data->text(), "1.500");
        PcTime::SetFixedUtc(QDateTime(QDate(2026, 3, 2), QTime(0, 0, 3), Qt::UTC));
        QTest::ignoreMessage(QtWarningMsg, "TIC3 silent: no reading since 2026-03-01 23:59:59 UTC");
        QVERIFY(TestSupport::WaitFor([&] { return !note().isEmpty(); }));
        QCOMPARE(note(), "TIC3 silent: no reading since 2026-03-01 23:59:59 UTC");
        // A cable pulled while the silence is counted: the loss is what stays said.
        counterEnd.write("1.5\r\n");
        QVERIFY(counterEnd.waitForBytesWritten(1000));
        QVERIFY(TestSupport::WaitFor([&] { return note().isEmpty(); }));
        pair.Kill();
        QVERIFY(TestSupport::WaitFor([&] { return note().startsWith("TIC3 port lost: "); }));
        QTest::qWait(port.silenceLimitMs + 200);
        QVERIFY2(note().startsWith("TIC3 port lost: "), qPrintable(note()));
        SetTicPort(3, "Serial Port", "OFF");
        port.startTicSerialPort(3);
    }

    // A serial counter whose lines are no reading: each is dropped and said in the debug
    // log, the third in a row is said in the status bar until a reading comes, and a
    // reading starts the count afresh. A label after a reading is read past.
    void serialCounterSendingNoReading()
    {
        SocatPair pair;
        START_SOCAT_OR_SKIP(pair);
        SetTicPort(3, "Serial Port", pair.ProgramEnd());
        SetTicPort(3, "Units", 0);
        TicSerialPortThread& port = w->ticPortThreads[2];
        QSignalSpy sent(&port, &TicSerialPortThread::newTicText);
        port.startTicSerialPort(3);
        QSerialPort counterEnd(pair.ReceiverEnd());
        QVERIFY(counterEnd.open(QIODevice::ReadWrite));
        QStringList shown;
        // Each batch of lines is read whole before the note and the panel are looked at.
        const auto send = [&](const QByteArrayList& batch, bool bDropped) {
            for (const QByteArray& line : batch) {
                if (bDropped)
                    QTest::ignoreMessage(QtDebugMsg, qPrintable("TIC3: \"" + line + "\" is no reading, dropped."));
            }
            const qsizetype before = sent.size();
            counterEnd.write(batch.join("\r\n") + "\r\n");
            QVERIFY(counterEnd.waitForBytesWritten(1000));
            QVERIFY(TestSupport::WaitFor([&] { return sent.size() == before + batch.size(); }));
            shown << (w->ticLinkLabel->isHidden() ? QString() : w->ticLinkLabel->toolTip()) + '|' + w->ui->TIC_Data->text();
        };
        send({"Error", "+1.234E"}, true);
        QTest::ignoreMessage(QtWarningMsg, "TIC3 no reading: the counter sends \"ns\"");
        send({"ns"}, true);
        send({"0.000000012345 TI(A->B)"}, false);
        send({"12E ns", "+6.0E-09xyz"}, true);
        QCOMPARE(shown, QStringList({"|", "TIC3 no reading: the counter sends \"ns\"|", "|0.012", "|0.012"}));
        SetTicPort(3, "Serial Port", "OFF");
        port.startTicSerialPort(3);
    }

    // Time lines stream once in mode 1, average lines always in mode 2.
    void remoteStream()
    {
        const quint16 port = TestSupport::FreePort();
        w->telnetServer = new TelnetTcpServer(w.get());
        w->telnetServer->StartServer(port);
        QTcpSocket client;
        client.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(TestSupport::WaitFor([&] { return client.canReadLine(); }));
        client.readAll();
        w->ticTimeStreamMode = 1;
        w->ticAverageStreamMode = 2;
        w->ticAveragingPeriod = 1;
        Read({2}, "1");
        Read({2}, "2");
        QByteArray received;
        QVERIFY(TestSupport::WaitFor([&] { received += client.readAll(); return received.count('\n') >= 3; }));
        QTest::qWait(50);
        received += client.readAll();
        QCOMPARE(received, RemoteLine::Sentence("TICDATA,TIME,2,,1.000000,1.000000") + "\r\n"
                               + RemoteLine::Sentence("TICDATA,AVERAGE,2,,1.000000,0.000000,1.000000,1.000000,1") + "\r\n"
                               + RemoteLine::Sentence("TICDATA,AVERAGE,2,,2.000000,0.000000,2.000000,2.000000,1") + "\r\n");
        QCOMPARE(w->ticTimeStreamMode, 0);

        // The client leaves: its stream ends with it.
        client.disconnectFromHost();
        QVERIFY(TestSupport::WaitFor([&] { return !w->telnetServer->HasClient(); }));
        Read({2}, "3");
        QCOMPARE(w->ticAverageStreamMode, 0);
    }
};

HORALUX_TEST(TestTicPort);
HORALUX_TEST(TestTicBackNotes);
HORALUX_TEST(TestTicPortDialog);
HORALUX_TEST(TestTicProcessing);
#include "tst_ticport.moc"
