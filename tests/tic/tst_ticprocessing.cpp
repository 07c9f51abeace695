// The counter readings: their arithmetic, and what one line does to the main window.

#include "mainwindow.h"
#include "telnettcpserver.h"
#include "testsupport.h"
#include "ticcorrection.h"
#include "ticprocesseddatadialog.h"
#include "ticrawdatadialog.h"
#include "timingdialog.h"
#include "ui_mainwindow.h"

#include <QLabel>
#include <QSettings>
#include <QTcpServer>
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
            QSettings().setValue(QStringLiteral("TicPortDialog/TIC%1 Units").arg(port), 2);
        w = std::make_unique<MainWindow>();
        w->ticTimeTagFormat = 3;  // no tag: the lines do not depend on the clock
        w->timingDialog->sawtoothMode = 0;
        w->timingDialog->ppsOffsetLateUs = 0.0;
    }

    void cleanup() { w.reset(); }

    // Reading forms by their unit (0 s, 1 ms, 2 µs, 3 ns), in µs; "" is no number at all,
    // "nan" the counter's no-number or one that is not finite in µs.
    void readings_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("units");
        QTest::addColumn<QString>("us");
        QTest::newRow("seconds, SCPI form") << QByteArray("+1.000000000E-06") << 0 << "1";
        QTest::newRow("ms, more fields") << QByteArray(" 1.5 ms,x") << 1 << "1500";
        QTest::newRow("ns") << QByteArray("-250") << 3 << "-0.25";
        QTest::newRow("counter's no-number") << QByteArray("9.91E+37") << 0 << "nan";
        QTest::newRow("NaN") << QByteArray("NaN") << 2 << "nan";
        QTest::newRow("overflow by the unit") << QByteArray("1e305") << 0 << "nan";
        QTest::newRow("text") << QByteArray("ERROR -113") << 0 << "";
    }
    void readings()
    {
        QFETCH(QByteArray, line);
        QFETCH(int, units);
        QFETCH(QString, us);
        double value = 0.0;
        const TicReadingKind kind = ParseTicReading(line, units, &value);
        QCOMPARE(int(kind), int(us.isEmpty() ? TicReadingKind::NoNumber
                                : us == "nan" ? TicReadingKind::NotANumber : TicReadingKind::Number));
        QCOMPARE(value, us == "nan" ? 0.0 : us.toDouble());
    }

    void correction_data()
    {
        QTest::addColumn<double>("raw");
        QTest::addColumn<int>("mode");  // of the sawtooth: 0 automatic, 1 add, 2 subtract, 3 off
        QTest::addColumn<double>("sawtoothNs");
        QTest::addColumn<double>("lateUs");
        QTest::addColumn<double>("expected");
        QTest::newRow("automatic subtracts") << 10.0 << 0 << 5.0 << 0.0 << 9.995;
        QTest::newRow("add") << 10.0 << 1 << 5.0 << 0.0 << 10.005;
        QTest::newRow("subtract") << 10.0 << 2 << -5.0 << 0.0 << 10.005;
        QTest::newRow("off") << 10.0 << 3 << 5.0 << 0.0 << 10.0;
        QTest::newRow("never set") << 10.0 << -1 << 5.0 << 0.0 << 10.0;
        QTest::newRow("late 1PPS offset") << 300000.0 << 3 << 0.0 << 200000.0 << 100000.0;
        QTest::newRow("folds up") << -600000.0 << 3 << 0.0 << 0.0 << 400000.0;
        QTest::newRow("+500000 folds to -500000") << 900000.0 << 3 << 0.0 << 400000.0 << -500000.0;
        QTest::newRow("two seconds off") << 1999999.5 << 3 << 0.0 << 0.0 << -0.5;
    }
    void correction()
    {
        QFETCH(double, raw);
        QFETCH(int, mode);
        QFETCH(double, sawtoothNs);
        QFETCH(double, lateUs);
        QFETCH(double, expected);
        QCOMPARE(CorrectTicMicroseconds(raw, TicSawtoothTermUs(mode, sawtoothNs), lateUs), expected);
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
    // no-number and bad port numbers change nothing.
    void averagesAndLines()
    {
        QCOMPARE(w->lastTicAverageLine, QByteArray("UNAVAILABLE"));
        QCOMPARE(w->lastTicTimeLine, QByteArray("UNAVAILABLE"));
        w->ticAveragingPeriod = 4;
        w->ticTimeLogPeriod = 2;
        Read({1}, "100");
        w->bTicPortStale[0] = true;
        w->ticDataAge[0] = 3;
        for (const char* value : {"1", "2", "3"})
            Read({1}, value);
        QCOMPARE(w->ticDataAge[0], 0);
        QCOMPARE(w->lastTicTimeLine, QByteArray("1,,2.000000,2.000000"));
        QCOMPARE(w->lastTicAverageLine, QByteArray("UNAVAILABLE"));
        w->ticDataAge[0] = 1;
        Read({1}, "9.91E+37");
        QCOMPARE(w->ticDataAge[0], 1);
        for (const char* bad : {"9 1", "0 1", "x 1", ""}) {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("bad port number"));
            w->OnNewTicText(bad);
        }
        Read({1}, "4");
        QCOMPARE(w->lastTicTimeLine, QByteArray("1,,4.000000,4.000000"));
        QCOMPARE(w->lastTicAverageLine, QByteArray("1,,2.500000,1.290994,1.000000,4.000000,4"));
    }

    void clockAndWindows_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("clock");
        for (int mode : {0, 5})
            QTest::addRow("mode %d", mode) << mode << QString("before");
        QTest::newRow("mode 6 TIC") << 6 << QString("150.000");
        QTest::newRow("mode 7 TIC raw") << 7 << QString("250.000");
    }

    // The clock follows the lowest-numbered port that is reading, in modes 6 and 7 only.
    void clockAndWindows()
    {
        QFETCH(int, mode);
        QFETCH(QString, clock);
        const QString ticData = mode == 7 ? "250.000" : "150.000";
        w->clockDisplayMode = mode;
        w->ui->ClockDisplay->setText("before");
        w->timingDialog->ppsOffsetLateUs = 100.0;
        w->sawtoothNs = 5.0;
        w->timeAccuracyNs = 7;
        w->ticRawDataDialog->ShowDialog();
        w->bTicRawDataVisible = true;
        w->ticProcessedDataDialog->ShowDialog();
        w->bTicProcessedDataVisible = true;
        Read({3}, "250");
        QCOMPARE(w->ui->ClockDisplay->text(), clock);
        QCOMPARE(w->ui->TIC_Data->text(), ticData);
        Read({4}, "400");
        QCOMPARE(w->ui->TIC_Data->text(), ticData);
        QCOMPARE(w->ticRawDataDialog->Text(), QString("3 250\n4 400"));
        QVERIFY(w->ticProcessedDataDialog->Text().startsWith("TIC3 150.000000 250.000000 5.000 7 100.000 \n"));
    }

    // Time lines stream once in mode 1, average lines always in mode 2.
    void remoteStream()
    {
        QTcpServer probe;  // a free port
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const quint16 port = probe.serverPort();
        probe.close();
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
        QCOMPARE(received, QByteArray("$VUDUZ,TICDATA,TIME,2,,1.000000,1.000000\r\n"
                                      "$VUDUZ,TICDATA,AVERAGE,2,,1.000000,0.000000,1.000000,1.000000,1\r\n"
                                      "$VUDUZ,TICDATA,AVERAGE,2,,2.000000,0.000000,2.000000,2.000000,1\r\n"));
        QCOMPARE(w->ticTimeStreamMode, 0);
    }
};

HORALUX_TEST(TestTicProcessing);
#include "tst_ticprocessing.moc"
