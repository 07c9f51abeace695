// The counter readings' arithmetic and what one line does to the main window: its
// corrections, averages, logs, panel, notes and remote stream.

#include "fakescpicounter.h"
#include "mainwindow.h"
#include "pctime.h"
#include "remoteline.h"
#include "socatpair.h"
#include "telnettcpserver.h"
#include "testsupport.h"
#include "ticcorrection.h"
#include "ticportkeys.h"
#include "ticprocesseddatadialog.h"
#include "ticrawdatadialog.h"
#include "ticserialportthread.h"
#include "timingdialog.h"
#include "ui_mainwindow.h"

#include <QLabel>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

#include <cmath>
#include <memory>

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
    // carries is read whatever the port's choice, punctuation after it too, and any
    // other word after it is a label; the rows built from Latin-1 hold the bytes a
    // counter sends.
    void readings_data()
    {
        QTest::addColumn<QString>("row");
        QTest::newRow("seconds, SCPI form") << "+1.000000000E-06|0|1";
        QTest::newRow("a unit, punctuation and more") << " 1.5 ms,x|3|1500";
        QTest::newRow("s and a full stop") << "0.5 s.|3|500000";
        QTest::newRow("ms and a comma, glued") << "1.5ms,|3|1500";
        QTest::newRow("ms and a colon") << "1.5 ms:|3|1500";
        QTest::newRow("s and a colon") << "0.5 s:|3|500000";
        QTest::newRow("nsec and a semicolon") << "1.5 nsec;|0|0.0015";
        QTest::newRow("glued unit, punctuation and more") << "1.5ms,x|0|";
        QTest::newRow("two readings with units") << "1.5ms,2.5ms|0|";
        QTest::newRow("letters glued to a unit") << "1.5msx|0|";
        QTest::newRow("a tab ends the reading") << "250\tps|0|0.00025";
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
        QTest::newRow("negative overflow") << "-9.91E+37|2|nan";
        QTest::newRow("+INF") << "+INF|0|nan";
        QTest::newRow("beyond a double") << "1e400|3|nan";
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

    // A reply that starts as a number answers its "READ?", and the next goes out at once;
    // words answer it when nothing follows within the reply wait (400 ms here), and are a
    // notice, asking nothing, when a number does ("!" before a line: sent unasked after
    // the answer before it). A unit glued to the number or after it is read, a label
    // after it read past; a reply that is no reading, the counter's overflow included,
    // is dropped and said naming the counter. Three replies in a row that are no
    // reading are said and the counter is connected again; a reading ends the note, and
    // starts the count afresh. One "READ?" at most ever waits. Replies (";" between
    // them)|port's unit|"READ?"s the counter gets|the time line after them|debug
    // line|the counter's note ("A" its address).
    void counterReplies_data()
    {
        QTest::addColumn<QString>("row");
        QTest::newRow("unit glued") << "+3.0E-09S|0|2|1,,0.003000,0.003000||";
        QTest::newRow("overflow") << "1e999|0|2|UNAVAILABLE|TIC1: \"1e999\" is no reading (the counter's overflow or not "
                                     "finite: no measurement), dropped.|TIC1 no signal: the counter answers 1e999 (no "
                                     "measurement) since 08:12:03 UTC";
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
        QTest::newRow("notices between readings")
            << "1.0E-06;!*** REF INPUT LOST ***;2.0E-06;!*** REF INPUT LOST ***;3.0E-06|0|4|1,,3.000000,3.000000"
               "|TIC1 counter: notice \"*** REF INPUT LOST ***\", no answer to READ?; nothing asked.|";
        QTest::newRow("no signal for a while, then every reading from the first")
            << "+9.91E+37;+9.91E+37;+9.91E+37;+9.91E+37;+9.91E+37;1.0E-06|0|7|1,,1.000000,1.000000||";
        QTest::newRow("numeric notice after every third reading")
            << "1.0E-06;2.0E-06;3.0E-06;!+0,\"No error\";4.0E-06;5.0E-06;6.0E-06;!+0,\"No error\";7.0E-06|0|8"
               "|1,,7.000000,7.000000|TIC1 counter: notice \"+0,\"No error\"\", no answer to READ?; nothing asked.|";
        QTest::newRow("overflows and a notice between readings")
            << "+9.91E+37;!*** REF INPUT LOST ***;-9.91E+37;1.0E-06;NaN;+INF;1e400|0|7|1,,1.000000,1.000000|"
               "|TIC1 no signal: the counter answers NaN (no measurement) since 08:12:03 UTC";
    }
    void counterReplies()
    {
        QFETCH(QString, row);
        const QStringList f = row.split('|');
        FakeScpiCounter counter;
        QVERIFY(counter.Listen());
        for (const QString& reply : f[0].split(';')) {
            if (reply.startsWith('!'))
                counter.noticesAfter[counter.readings.size()] = reply.mid(1).toLatin1();
            else
                counter.readings << reply.toLatin1();
        }
        const int reads = f[2].toInt();
        PcTime::SetFixedUtc(QDateTime(QDate(2026, 12, 8), QTime(8, 12, 3), Qt::UTC));
        SetTicPort(1, "Units", f[1].toInt());
        SetTicPort(1, "Serial Port", "TCP/IP");
        SetTicPort(1, "Serial Port TcpIp Address", counter.Address());
        w->ticTimeLogPeriod = 1;
        if (!f[4].isEmpty())
            QTest::ignoreMessage(QtDebugMsg, qPrintable(f[4]));
        TicSerialPortThread& port = w->ticPortThreads[0];
        port.replyWaitMs = 400;
        port.unaskedWaitMs = 0;  // the counter answers at once, at no start edge
        port.reconnectFirstMs = 50;
        port.startTicSerialPort(1);
        QVERIFY(TestSupport::WaitFor([&] { return counter.Count("READ?") == reads; }, 10000));
        QVERIFY(!TestSupport::WaitFor([&] { return counter.Count("READ?") > reads; }, 500));
        QVERIFY(counter.answers == reads - 1 && counter.mostReadsWaiting == 1);
        // A counter without a signal is asked on, never connected again.
        QCOMPARE(counter.connections, f[5].isEmpty() || f[5].startsWith("TIC1 no signal") ? 1 : 2);
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
        // The counter's overflow, and values that are not finite, are no measurement: said
        // at once as no signal, since the first, until a reading.
        PcTime::SetFixedUtc(QDateTime(QDate(2026, 12, 8), QTime(8, 12, 3), Qt::UTC));
        const QString noSignal = "TIC3 no signal: the counter sends +9.91E+37 (no measurement) since 08:12:03 UTC";
        QTest::ignoreMessage(QtWarningMsg, qPrintable(noSignal));
        send({"1.0E-09", "+9.91E+37"}, false);
        PcTime::SetFixedUtc(QDateTime(QDate(2026, 12, 8), QTime(8, 12, 4), Qt::UTC));
        send({"NaN", "-9.91E+37"}, false);
        send({"Error", "Error"}, true);
        QTest::ignoreMessage(QtWarningMsg, "TIC3 no reading: the counter sends \"Error\"");
        send({"Error"}, true);
        send({"1.0E-09"}, false);
        QCOMPARE(shown.mid(4), QStringList({noSignal + '|', noSignal + '|', noSignal + '|',
                                            "TIC3 no reading: the counter sends \"Error\"|", "|0.001"}));
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

HORALUX_TEST(TestTicProcessing);
#include "tst_ticprocessing.moc"
