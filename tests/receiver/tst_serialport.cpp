#include "fakepulse.h"
#include "framebuilders.h"
#include "gpsportdialog.h"
#include "gpsserialportthread.h"
#include "porttexts.h"
#include "receiverinfo.h"
#include "socatpair.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

// Polls run every millisecond; this leaves room for several of them.
constexpr int kSettleMs = 60;

void UsePort(const QString& name) { QSettings().setValue("GpsPortDialog/GPS Serial Port", name); }

}  // namespace

// The receiver port over a pair of pseudo-terminals: the test plays the receiver on the
// other end, and the level of the 1PPS line through a fake pin read.
class TestSerialPort : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        receiverInfo.gpsPortMode = GpsPortModeMotorolaBinary;
        pair = std::make_unique<SocatPair>();
        START_SOCAT_OR_SKIP(*pair);
        TestSupport::ClearSettings();
        UsePort(pair->ProgramEnd());
        port = std::make_unique<GpsSerialPortThread>();
        errors = std::make_unique<QSignalSpy>(port.get(), &GpsSerialPortThread::showErrorMessageBox);
        messages = std::make_unique<QSignalSpy>(port.get(), &GpsSerialPortThread::newGpsText);
        ticks = std::make_unique<QSignalSpy>(port.get(), &GpsSerialPortThread::PpsTick);
    }

    void cleanup()
    {
        rx.reset(), errors.reset(), messages.reset(), ticks.reset();
        port.reset(), pair.reset();
    }

    // Also on a re-open: a pseudo-terminal refuses some settings while it is open.
    void settingsAreAppliedBeforeOpening()
    {
        port->OpenGpsPort();
        QVERIFY(port->Port().isOpen());
        const std::pair<const char*, QVariant> stored[] = {{"Mode", "Motorola LORAN"}, {"DataRate", 4800},
            {"Handshake", 3}, {"Parity", 1}, {"StopBits", 2}, {"DataBits", 7}};
        for (const auto& [key, value] : stored)
            QSettings().setValue(QStringLiteral("GpsPortDialog/GPS Serial Port ") + key, value);
        port->OpenGpsPort();
        QVERIFY(port->Port().isOpen());
        QCOMPARE(errors->count(), 0);
        const QSerialPort& p = port->Port();
        QCOMPARE(QList<int>({port->GetPortMode(), p.baudRate(), p.flowControl(), p.parity(), p.stopBits(), p.dataBits()}),
                 QList<int>({11, 4800, QSerialPort::NoFlowControl, QSerialPort::OddParity, QSerialPort::TwoStop,
                             QSerialPort::Data7}));
    }

    // The receiver search sets rate and mode through the port dialog; the next open
    // takes them, and a rate or mode that does not exist changes nothing.
    void rateAndModeSetForTheSearchReachThePort()
    {
        GpsPortDialog dialog;
        dialog.SetBaud(57600);
        dialog.SetMode(9);
        QTest::ignoreMessage(QtWarningMsg, "GpsPortDialog::SetBaud bad argument == 115200");
        dialog.SetBaud(115200);
        QTest::ignoreMessage(QtWarningMsg, "GpsPortDialog::Set Mode bad argument == 4");
        dialog.SetMode(4);
        QCOMPARE(dialog.GetDataRate() + dialog.GetMode(), 57609);
        port->OpenGpsPort();
        QCOMPARE(port->Port().baudRate() + port->GetPortMode(), 57609);
    }

    void missingDeviceIsReported()
    {
        UsePort(QStringLiteral("/nonexistent-folder/gps"));
        port->SetPpsInterface(3);
        port->startGpsSerialPort(false);
        QVERIFY(!port->Port().isOpen());
        QCOMPARE(errors->count(), 1);
        QCOMPARE(errors->at(0).at(0).toString(),
                 QStringLiteral("Can't open GPS Port /nonexistent-folder/gps\r\n\r\n\"An error "
                                "occurred while attempting to open an non-existing device.\""));
        QCOMPARE(PortTexts::PortErrorText(12), QStringLiteral("Unknown Error"));
        // Nothing to send to, nothing ticks.
        port->OnSendGpsMessage("@@Cj)");
        QTest::qWait(30);
        QCOMPARE(ticks->count(), 0);
    }

    void bytesInMessagesOut()
    {
        QVERIFY(OpenBothEnds());
        // One message split over two writes, then two in one write behind some noise.
        const QByteArray ha = FrameBuilders::Motorola("Ha");
        Send(ha.left(60));
        QTest::qWait(50);
        QCOMPARE(messages->count(), 0);
        Send(ha.mid(60));
        QVERIFY(TestSupport::WaitFor([&] { return messages->count() == 1; }));
        QCOMPARE(Message(0), ha.left(151));
        Send("xx" + FrameBuilders::Motorola("Bo") + FrameBuilders::Motorola("Ea"));
        QVERIFY(TestSupport::WaitFor([&] { return messages->count() == 3; }));
        QCOMPARE(Message(2).left(4), QByteArray("@@Ea"));

        // The framer follows the live interface mode, not the one read at the open.
        receiverInfo.gpsPortMode = GpsPortModeUbloxUbx;
        const QByteArray gga = FrameBuilders::Nmea("$GPGGA,1,2,3");
        const QByteArray ubx = FrameBuilders::Ubx(0x01, 0x02, QByteArray(28, '\x05'));
        Send(gga + "\r\n" + ubx);
        QVERIFY(TestSupport::WaitFor([&] { return messages->count() == 5; }));
        QCOMPARE(Message(3), gga);
        QCOMPARE(Message(4), ubx);

        receiverInfo.gpsPortMode = GpsPortModeSearch;  // passes nothing on
        Send(ha);
        QTest::qWait(100);
        QCOMPARE(messages->count(), 5);
    }

    // Firmware bytes go out without a line end; an empty message sends nothing.
    void commandsOutWithTheirLineEnd()
    {
        QVERIFY(OpenBothEnds());
        const QByteArray ubx = FrameBuilders::Ubx(0x0A, 0x04, QByteArray());
        const QByteArray firmware("\x10\x02\x03", 3);
        for (const QByteArray& m : {QByteArray("@@Cj\x29"), ubx, firmware, QByteArray()})
            port->OnSendGpsMessage(m);
        QCOMPARE(ReadAtLeast(20), "@@Cj\x29\r\n" + ubx + "\r\n" + firmware);
    }

    void unpluggedDeviceClosesThePortAndReportsOnce()
    {
        port->reopenIntervalMs = 100;
        port->startGpsSerialPort(false);
        QVERIFY(port->Port().isOpen());
        pair->Kill();
        QVERIFY(TestSupport::WaitFor([&] { return !port->Port().isOpen(); }, 3000));
        QTest::qWait(200);
        QCOMPARE(errors->count(), 1);

        // The event loop still runs freely: a short timer fires on time.
        QElapsedTimer clock;
        clock.start();
        bool fired = false;
        QTimer::singleShot(10, [&] { fired = true; });
        QVERIFY(TestSupport::WaitFor([&] { return fired; }, 2000));
        QVERIFY2(clock.elapsed() < 500, qPrintable(QString::number(clock.elapsed())));
        port->OnSendGpsMessage("@@Cj)");  // lost, and harmless
        QCOMPARE(errors->count(), 1);

        // The adapter comes back under the same name: the port opens again by itself,
        // says so once, and data flows.
        QSignalSpy returned(port.get(), &GpsSerialPortThread::portBack);
        QTest::qWait(3 * port->reopenIntervalMs);  // retries against a missing device
        QCOMPARE(errors->count(), 1);
        QVERIFY(pair->Start());
        QVERIFY(TestSupport::WaitFor([&] { return port->Port().isOpen(); }, 3000));
        QCOMPARE(returned.count(), 1);
        rx = std::make_unique<QSerialPort>();
        rx->setPortName(pair->ReceiverEnd());
        QVERIFY(rx->open(QIODevice::ReadWrite));
        Send(FrameBuilders::Motorola("Bo"));
        QVERIFY(TestSupport::WaitFor([&] { return messages->count() == 1; }));
        QCOMPARE(returned.count(), 1);
    }

    void badStoredDataRateReadsAsDefault()
    {
        for (const QVariant& stored : {QVariant("abc"), QVariant(0), QVariant(-5), QVariant("12345678901234567890")}) {
            QSettings().setValue("GpsPortDialog/GPS Serial Port DataRate", stored);
            port->startGpsSerialPort(false);
            QVERIFY(port->Port().isOpen());
            QCOMPARE(port->Port().baudRate(), 9600);
            QCOMPARE(QSettings().value("GpsPortDialog/GPS Serial Port DataRate").toInt(), 9600);
        }
    }

    // Said in a lasting note, never a box; and read again only after a pause, since the
    // failing call costs more than the poll it stands in for.
    void modemLinesMissingIsNoPortFailure()
    {
        port->SetPpsInterface(1);
        QVERIFY(OpenBothEnds());
        QTest::qWait(1000);  // up to a thousand polls of a line a pseudo-terminal does not have
        const int64_t reads = port->LineWatch().LineReads();
        QVERIFY2(reads >= 1 && reads <= 2, qPrintable(QString::number(reads)));
        QVERIFY(port->Port().isOpen());
        QCOMPARE(errors->count(), 0);
        Send(FrameBuilders::Motorola("Bo"));
        QVERIFY(TestSupport::WaitFor([&] { return messages->count() == 1; }));
    }

    void oneTickPerRisingEdge_data()
    {
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("otherLine");
        QTest::addColumn<FakePulse::Driver>("driver");
        QTest::newRow("DCD, polled") << 1 << 3 << FakePulse::Driver::Poll;
        QTest::newRow("CTS, polled") << 2 << 1 << FakePulse::Driver::Poll;
        QTest::newRow("DSR, polled") << 3 << 1 << FakePulse::Driver::Poll;
        QTest::newRow("DCD, waited on") << 1 << 2 << FakePulse::Driver::Wait;
        QTest::newRow("DSR, waited on") << 3 << 1 << FakePulse::Driver::Wait;
    }

    void oneTickPerRisingEdge()
    {
        QFETCH(int, line);
        QFETCH(int, otherLine);
        QFETCH(FakePulse::Driver, driver);
        port->SetPpsInterface(line);
        port->startGpsSerialPort(false);
        QVERIFY(port->Port().isOpen());
        FakePulse pulse(*port, driver);
        // Low (none), held high (one tick), falling (none), another line (ignored), three
        // pulses.
        QList<int> counts;
        pulse.Hold(line, false);
        counts << int(ticks->count());
        pulse.Hold(line, true);
        counts << int(ticks->count());
        pulse.Hold(line, false);
        counts << int(ticks->count());
        pulse.Advance(1000);
        pulse.Edge(100, otherLine);
        counts << int(ticks->count());
        for (int k = 0; k < 3; ++k) {
            QVERIFY(pulse.NextSecond());
            counts << int(ticks->count());
        }
        QCOMPARE(counts, (QList<int>{0, 1, 1, 1, 2, 3, 4}));
        QCOMPARE(port->EdgeMs(), pulse.Ms());
    }

    void noPpsLineReadsNoPins()
    {
        port->SetPpsInterface(0);
        port->startGpsSerialPort(false);
        FakePulse pulse(*port);
        for (int line : {1, 2, 3})
            pulse.Hold(line, true);
        QTest::qWait(kSettleMs);
        QCOMPARE(ticks->count(), 0);
        QCOMPARE(pulse.Reads(), 0);
    }

    void reopeningWithThePpsLineHighGivesNoTick()
    {
        port->SetPpsInterface(3);
        port->startGpsSerialPort(false);
        FakePulse pulse(*port);
        pulse.Hold(3, true);
        QCOMPARE(ticks->count(), 1);  // high when polling starts: one tick

        // Close the port (the next open fails), with the line still high, then open again.
        UsePort(QStringLiteral("/nonexistent-folder/gps"));
        QTest::ignoreMessage(QtWarningMsg, "WARNING: Failed to open GPS serial port.");
        port->startGpsSerialPort(false);
        QVERIFY(!port->Port().isOpen());
        const int64_t readsWhileClosed = pulse.Reads();
        QTest::qWait(kSettleMs);
        QCOMPARE(pulse.Reads(), readsWhileClosed);
        UsePort(pair->ProgramEnd());
        pulse.Advance(2000);
        port->startGpsSerialPort(false);
        QVERIFY(port->Port().isOpen());
        QTest::qWait(kSettleMs);
        QCOMPARE(ticks->count(), 1);
        pulse.Hold(3, false);
        QVERIFY(pulse.Edge());
        QCOMPARE(ticks->count(), 2);
    }

private:
    // Opens the program's end of the cable, and the receiver's end for the test.
    bool OpenBothEnds()
    {
        port->startGpsSerialPort(false);
        rx = std::make_unique<QSerialPort>();
        rx->setPortName(pair->ReceiverEnd());
        return port->Port().isOpen() && rx->open(QIODevice::ReadWrite);
    }

    void Send(const QByteArray& bytes)
    {
        rx->write(bytes);
        rx->flush();
    }

    QByteArray ReadAtLeast(int count)
    {
        QByteArray got;
        TestSupport::WaitFor([&] {
            got += rx->readAll();
            return got.size() >= count;
        }, 3000);
        QTest::qWait(50);
        return got + rx->readAll();
    }

    QByteArray Message(int i) const { return messages->at(i).at(0).toByteArray(); }

    std::unique_ptr<SocatPair> pair;
    std::unique_ptr<GpsSerialPortThread> port;
    std::unique_ptr<QSignalSpy> errors;
    std::unique_ptr<QSignalSpy> messages;
    std::unique_ptr<QSignalSpy> ticks;
    std::unique_ptr<QSerialPort> rx;
};

HORALUX_TEST(TestSerialPort);
#include "tst_serialport.moc"
