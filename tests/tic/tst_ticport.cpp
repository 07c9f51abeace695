// The TIC ports: SCPI counters on the loopback, serial lines on a pair of pseudo-terminals
// and the port dialog.

#include "../rxconfig/widgetlookup.h"
#include "fakescpicounter.h"
#include "mainwindow.h"
#include "passingnotes.h"
#include "modalwatcher.h"
#include "pctime.h"
#include "scpisession.h"
#include "socatpair.h"
#include "testsupport.h"
#include "ticportdialog.h"
#include "ticportkeys.h"
#include "ticserialportthread.h"
#include "utcdatetime.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTest>

#include <memory>

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
        port->unaskedWaitMs = 0;  // the counter answers at once, at no start edge
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
    // if anything; a notice it printed is no answer. Failures of the link never reach a
    // message box. Answers to "READ?" (";" between them, "!" before a notice sent
    // unasked after the answer before it)|"READ?"s on the first link|the note ("A" the
    // address).
    void silentCounterIsWaitedOnThenReconnected_data()
    {
        QTest::addColumn<QString>("row");
        QTest::newRow("mute") << "|1|TIC1 no answer: the counter at A no longer answers READ?; connecting again";
        QTest::newRow("a word") << "ERROR|2|TIC1 no reading: the counter answers READ? with \"ERROR\"; connecting again";
        QTest::newRow("a word, a reading") << "ERROR;1.0E-06|3|TIC1 no answer: the counter at A no longer answers READ?; connecting again";
        QTest::newRow("a notice, a reading") << "1.0E-06;!*** REF INPUT LOST ***;2.0E-06|3|TIC1 no answer: the counter at A no longer answers READ?; connecting again";
    }
    void silentCounterIsWaitedOnThenReconnected()
    {
        QFETCH(QString, row);
        const QStringList f = row.split('|');
        QSignalSpy errors(port.get(), &TicSerialPortThread::showErrorMessageBox);
        QSignalSpy said(port.get(), &TicSerialPortThread::linkStatusMessage);
        QList<int> missed;  // the waits run out at each new connection
        port->startReconnectWait = [&](QTimer& timer, int ms) { missed << port->Session().Misses(), timer.start(ms); };
        for (const QByteArray& reply : f[0].toLatin1().split(';')) {
            if (reply.startsWith('!'))
                counter->noticesAfter[counter->readings.size()] = reply.mid(1);
            else if (!reply.isEmpty())
                counter->readings << reply;
        }
        StartScpiPort();
        QVERIFY(TestSupport::WaitFor([&] { return counter->Count("*IDN?") == 2; }));
        const qsizetype second = counter->commands.lastIndexOf("*IDN?");
        QCOMPARE(counter->commands.first(second).count("READ?"), f[1].toInt());
        QVERIFY(counter->connections == 2 && errors.isEmpty() && counter->mostReadsWaiting == 1);
        QCOMPARE(missed.value(0), 3);
        QCOMPARE(said.value(0).value(2).toString().replace(counter->Address(), "A"), f[2]);
    }

    // Miss, reply, miss, miss, reading: any reply, a reading or a word, starts the count
    // of misses afresh, so the link is kept. The counter answers each time the misses
    // before it have been seen.
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
        counter->Hold();
        QTest::ignoreMessage(QtDebugMsg, "TIC1 counter: no reading within the wait (1 of 3 missed), waiting on.");
        QTest::ignoreMessage(QtDebugMsg, "TIC1 counter: no reading within the wait (1 of 3 missed), waiting on.");
        QTest::ignoreMessage(QtDebugMsg, "TIC1 counter: no reading within the wait (2 of 3 missed), waiting on.");
        StartScpiPort();
        port->replyWaitMs = 500;
        for (const int misses : {0, 1, 2}) {
            QVERIFY(TestSupport::WaitFor([&] { return counter->ReadsWaiting() == 1 && port->Session().Misses() == misses; }, 10000));
            counter->AnswerOne();
            QVERIFY(TestSupport::WaitFor([&] { return lines.size() > misses; }, 10000));
        }
        QVERIFY(counter->connections == 1 && missed.isEmpty());
    }

    // A counter measuring from the first start edge after each "READ?" gives a reading
    // every second, the interval short or long; whatever it sends after its answer, one
    // "READ?" at most waits and each answer is handed on once: the answer said twice; a
    // reading 0.1 s after each overflow; a notice 0.9 s into a reply wait of 1.5 s, its
    // reading 1.9 s after the "READ?": the notice restarts the wait, and the reading
    // answers. The answers (a notice after each)|times each is said|the notice's delay
    // ms|the counter's delays ms|the interval it measures ms, none when it answers at
    // once|the reply wait ms.
    void oneReadWaitsWhateverFollowsTheAnswer_data()
    {
        QTest::addColumn<QString>("row");
        QTest::newRow("interval 0.05 s") << "1.0E-06;2.0E-06;3.0E-06;4.0E-06|1|0||50|1500";
        QTest::newRow("interval 0.95 s") << "1.0E-06;2.0E-06;3.0E-06;4.0E-06|1|0||950|1500";
        QTest::newRow("every answer twice") << "1.0E-06;2.0E-06;3.0E-06|2|0||950|1500";
        QTest::newRow("a reading after each overflow") << "+9.91E+37!1.0E-06;+9.91E+37!2.0E-06;+9.91E+37!3.0E-06|1|100||50|1500";
        QTest::newRow("a notice late in the reply wait") << "1.0E-06!*** REF INPUT LOST ***;2.0E-06|1|900|0 1900||1500";
    }
    void oneReadWaitsWhateverFollowsTheAnswer()
    {
        QFETCH(QString, row);
        const QStringList f = row.split('|');
        QByteArrayList answers;
        for (const QString& answer : f[0].split(';')) {
            answers << "1 " + answer.section('!', 0, 0).toLatin1();
            counter->readings << answer.section('!', 0, 0).toLatin1();
            counter->noticesAfter[counter->readings.size()] = answer.section('!', 1).toLatin1();
        }
        counter->repeats = f[1].toInt();
        counter->noticeDelayMs = f[2].toInt();
        if (f[0].contains("+9.91E+37"))
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^TIC1 no signal: "));
        for (const QString& ms : f[3].split(' ', Qt::SkipEmptyParts))
            counter->replyDelaysMs << ms.toInt();
        counter->intervalMs = f[4].isEmpty() ? -1 : f[4].toInt();
        StartScpiPort();
        port->unaskedWaitMs = ScpiSession::kUnaskedWaitMs;
        port->replyWaitMs = f[5].toInt();
        QVERIFY(TestSupport::WaitFor([&] { return counter->Count("READ?") > answers.size(); }, 10000));
        QCOMPARE(lines, answers);
        QCOMPARE(counter->mostReadsWaiting, 1);
        // A late thread may let one start edge pass; half of them lost is the fault.
        QVERIFY2(counter->secondsLost <= 1, qPrintable(QString::number(counter->secondsLost)));
    }

    // A counter without a signal is said so from its first overflow, the time kept while
    // the overflows go on; a counter that sends only words is said so at the third. The
    // note ends at the first reading, on the LAN and on a serial line.
    void notesLastUntilTheFirstReading_data()
    {
        QTest::addColumn<QString>("row");
        QTest::newRow("LAN, overflows") << "TCP/IP|+9.91E+37;+9.91E+37;+9.91E+37;1.0E-06"
                                           "|TIC1 no signal: the counter answers +9.91E+37 (no measurement) since 08:12:03 UTC";
        QTest::newRow("serial, overflows") << "serial|-9.91E+37;-9.91E+37;-9.91E+37;1.0E-06"
                                              "|TIC1 no signal: the counter sends -9.91E+37 (no measurement) since 08:12:03 UTC";
        QTest::newRow("serial, words") << "serial|Error;Error;Error;1.0E-06|TIC1 no reading: the counter sends \"Error\"";
    }
    void notesLastUntilTheFirstReading()
    {
        QFETCH(QString, row);
        const QStringList f = row.split('|');
        const QByteArrayList sent = f[1].toLatin1().split(';');
        QSignalSpy said(port.get(), &TicSerialPortThread::linkStatusMessage);
        QDateTime now(QDate(2026, 12, 8), QTime(8, 12, 3), Qt::UTC);
        PcTime::SetFixedUtc(now);
        QTest::ignoreMessage(QtWarningMsg, qPrintable(f[2]));
        SocatPair pair;
        std::unique_ptr<QSerialPort> counterEnd;
        if (f[0] == "TCP/IP") {
            counter->readings = sent;
            counter->Hold();
            StartScpiPort();
        } else {
            START_SOCAT_OR_SKIP(pair);
            SetTicPort(1, "Serial Port", pair.ProgramEnd());
            port->startTicSerialPort(1);
            counterEnd = std::make_unique<QSerialPort>(pair.ReceiverEnd());
            QVERIFY(counterEnd->open(QIODevice::ReadWrite));
        }
        for (qsizetype i = 0; i < sent.size(); ++i) {
            if (counterEnd) {
                counterEnd->write(sent[i] + "\r\n");
                QVERIFY(counterEnd->waitForBytesWritten(1000));
            } else {
                QVERIFY(TestSupport::WaitFor([&] { return counter->ReadsWaiting() == 1; }, 10000));
                counter->AnswerOne();
            }
            QVERIFY(TestSupport::WaitFor([&] { return lines.size() > i; }, 10000));
            PcTime::SetFixedUtc(now = now.addSecs(1));
        }
        QStringList notes;
        for (const QList<QVariant>& note : std::as_const(said))
            notes << (note.at(1).toBool() ? "up " : "down ") + note.at(2).toString();
        QCOMPARE(notes, QStringList({"down " + f[2], "up "}));
    }

    // A reply held as for 8 s against the 3 s wait (shortened to 800 and 300 ms), then
    // replies again, the counter's no-numbers and a unit among them: each miss is said
    // and waited on, one "READ?" at most waits, and the readings come on.
    void heldReplyKeepsOneReadWaiting()
    {
        counter->readings = {"+9.91E+37", "NAN", "2.0E-06", "+INF", "-INF", "1.0E-06 s"};
        counter->holdMs = 800;
        QTest::ignoreMessage(QtDebugMsg, "TIC1 counter: no reading within the wait (1 of 3 missed), waiting on.");
        StartScpiPort();
        port->replyWaitMs = 300;
        QVERIFY(TestSupport::WaitFor([&] { return lines.size() == 6; }));
        QCOMPARE(lines, (QByteArrayList{"1 +9.91E+37", "1 NAN", "1 2.0E-06", "1 +INF", "1 -INF", "1 1.0E-06 s"}));
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

    // A closed link comes back, a notice held on the old one answering nothing on the
    // new; a start with unchanged settings leaves a live link alone, a changed one
    // connects anew.
    void closedLinkReconnectsAndRestartsOnlyWhenChanged()
    {
        ModalWatcher watcher;
        counter->readings = {"1.0E-06"};
        counter->noticesAfter[1] = "*** REF INPUT LOST ***";
        StartScpiPort();
        QVERIFY(TestSupport::WaitFor([&] { return counter->Count("READ?") == 2; }));
        counter->DropClient();
        QVERIFY(TestSupport::WaitFor([&] { return counter->Count("*IDN?") == 2; }));
        QVERIFY(TestSupport::WaitFor([&] { return counter->Count("READ?") == 3; }));
        QTest::qWait(200);  // a reply wait runs out
        QVERIFY(counter->Count("READ?") == 3 && counter->mostReadsWaiting == 1);
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

HORALUX_TEST(TestTicPort);
HORALUX_TEST(TestTicBackNotes);
HORALUX_TEST(TestTicPortDialog);
#include "tst_ticport.moc"
