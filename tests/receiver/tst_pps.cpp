#include "gpsserialportthread.h"
#include "socatpair.h"
#include "testsupport.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

// Polls run every millisecond; this leaves room for several of them.
constexpr int kSettleMs = 60;

}  // namespace

// The 1PPS tick from the modem line, with the line level played by the test.
class TestPps : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        pair = std::make_unique<SocatPair>();
        START_SOCAT_OR_SKIP(*pair);
        TestSupport::ClearSettings();
        QSettings().setValue("GpsPortDialog/GPS Serial Port", pair->ProgramEnd());
        port = std::make_unique<GpsSerialPortThread>();
        pins = QSerialPort::NoSignal;
        reads = 0;
        port->readPins = [this](QSerialPort&) {
            ++reads;
            return pins;
        };
    }

    void cleanup()
    {
        port.reset();
        pair.reset();
    }

    void oneTickPerRisingEdge_data()
    {
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("signal");
        QTest::addColumn<int>("otherSignal");
        QTest::newRow("DCD") << 1 << int(QSerialPort::DataCarrierDetectSignal)
                             << int(QSerialPort::DataSetReadySignal);
        QTest::newRow("CTS") << 2 << int(QSerialPort::ClearToSendSignal)
                             << int(QSerialPort::DataCarrierDetectSignal);
        QTest::newRow("DSR") << 3 << int(QSerialPort::DataSetReadySignal)
                             << int(QSerialPort::DataCarrierDetectSignal);
    }

    void oneTickPerRisingEdge()
    {
        QFETCH(int, line);
        QFETCH(int, signal);
        QFETCH(int, otherSignal);
        QSignalSpy ticks(port.get(), &GpsSerialPortThread::PpsTick);
        port->SetPpsInterface(line);
        port->startGpsSerialPort(false);
        QVERIFY(port->Port().isOpen());
        Hold(QSerialPort::NoSignal);
        QCOMPARE(ticks.count(), 0);
        Hold(QSerialPort::PinoutSignals(signal));
        QCOMPARE(ticks.count(), 1);  // held high: still one
        Hold(QSerialPort::NoSignal);
        QCOMPARE(ticks.count(), 1);  // falling edge: none
        Hold(QSerialPort::PinoutSignals(otherSignal));
        Hold(QSerialPort::NoSignal);
        QCOMPARE(ticks.count(), 1);  // another line: ignored
        for (int second = 0; second < 3; ++second) {
            Hold(QSerialPort::PinoutSignals(signal));
            Hold(QSerialPort::NoSignal);
        }
        QCOMPARE(ticks.count(), 4);
    }

    void noLineChosenReadsNoPins()
    {
        QSignalSpy ticks(port.get(), &GpsSerialPortThread::PpsTick);
        port->SetPpsInterface(0);
        port->startGpsSerialPort(false);
        Hold(QSerialPort::DataCarrierDetectSignal | QSerialPort::ClearToSendSignal
             | QSerialPort::DataSetReadySignal);
        QCOMPARE(ticks.count(), 0);
        QCOMPARE(reads, 0);
    }

    void reopeningWithTheLineHighGivesNoTick()
    {
        QSignalSpy ticks(port.get(), &GpsSerialPortThread::PpsTick);
        port->SetPpsInterface(3);
        pins = QSerialPort::DataSetReadySignal;
        port->startGpsSerialPort(false);
        Hold(pins);
        QCOMPARE(ticks.count(), 1);  // high when polling starts: one tick

        // Close the port (the next open fails), with the line still high, then open again.
        QSettings settings;
        settings.setValue("GpsPortDialog/GPS Serial Port", "/nonexistent-folder/gps");
        QTest::ignoreMessage(QtWarningMsg, "WARNING: Failed to open GPS serial port.");
        port->startGpsSerialPort(false);
        QVERIFY(!port->Port().isOpen());
        const int readsWhileClosed = reads;
        Hold(pins);
        QCOMPARE(reads, readsWhileClosed);
        settings.setValue("GpsPortDialog/GPS Serial Port", pair->ProgramEnd());
        port->startGpsSerialPort(false);
        QVERIFY(port->Port().isOpen());
        Hold(pins);
        QCOMPARE(ticks.count(), 1);
        Hold(QSerialPort::NoSignal);
        Hold(QSerialPort::DataSetReadySignal);
        QCOMPARE(ticks.count(), 2);
    }

private:
    // The line levels for long enough to be polled several times.
    void Hold(QSerialPort::PinoutSignals level)
    {
        pins = level;
        QTest::qWait(kSettleMs);
    }

    std::unique_ptr<SocatPair> pair;
    std::unique_ptr<GpsSerialPortThread> port;
    QSerialPort::PinoutSignals pins = QSerialPort::NoSignal;
    int reads = 0;
};

HORALUX_TEST(TestPps);
#include "tst_pps.moc"
