#include "framebuilders.h"
#include "gpsserialportthread.h"
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

void UsePort(const QString& name, const QString& mode = QStringLiteral("Motorola Binary"))
{
    TestSupport::ClearSettings();
    QSettings settings;
    settings.setValue("GpsPortDialog/GPS Serial Port", name);
    settings.setValue("GpsPortDialog/GPS Serial Port Mode", mode);
}

// The receiver's end of the cable.
std::unique_ptr<QSerialPort> OpenReceiverEnd(const SocatPair& pair)
{
    auto rx = std::make_unique<QSerialPort>();
    rx->setPortName(pair.ReceiverEnd());
    if (!rx->open(QIODevice::ReadWrite))
        return nullptr;
    return rx;
}

void Send(QSerialPort& rx, const QByteArray& bytes)
{
    rx.write(bytes);
    rx.flush();
}

QByteArray ReadAtLeast(QSerialPort& rx, int count)
{
    QByteArray got;
    TestSupport::WaitFor([&] {
        got += rx.readAll();
        return got.size() >= count;
    }, 3000);
    QTest::qWait(50);
    got += rx.readAll();
    return got;
}

}  // namespace

class TestSerialPort : public QObject
{
    Q_OBJECT

private slots:
    void init() { receiverInfo.gpsPortMode = GpsPortModeMotorolaBinary; }

    // Also on a re-open: a pseudo-terminal refuses some settings while it is open.
    void settingsAreAppliedBeforeOpening()
    {
        SocatPair pair;
        START_SOCAT_OR_SKIP(pair);
        UsePort(pair.ProgramEnd());
        GpsSerialPortThread port;
        QSignalSpy errors(&port, &GpsSerialPortThread::showErrorMessageBox);
        port.OpenGpsPort();
        QVERIFY(port.Port().isOpen());

        QSettings settings;
        settings.setValue("GpsPortDialog/GPS Serial Port Mode", "Motorola LORAN");
        settings.setValue("GpsPortDialog/GPS Serial Port DataRate", 4800);
        settings.setValue("GpsPortDialog/GPS Serial Port Handshake", 3);
        settings.setValue("GpsPortDialog/GPS Serial Port Parity", 1);
        settings.setValue("GpsPortDialog/GPS Serial Port StopBits", 2);
        settings.setValue("GpsPortDialog/GPS Serial Port DataBits", 7);
        port.OpenGpsPort();
        QVERIFY(port.Port().isOpen());
        QCOMPARE(errors.count(), 0);
        QCOMPARE(port.GetPortMode(), 11);
        QCOMPARE(port.Port().baudRate(), 4800);
        QCOMPARE(port.Port().flowControl(), QSerialPort::NoFlowControl);
        QCOMPARE(port.Port().parity(), QSerialPort::OddParity);
        QCOMPARE(port.Port().stopBits(), QSerialPort::TwoStop);
        QCOMPARE(port.Port().dataBits(), QSerialPort::Data7);
    }

    void missingDeviceIsReported()
    {
        UsePort(QStringLiteral("/nonexistent-folder/gps"));
        GpsSerialPortThread port;
        QSignalSpy errors(&port, &GpsSerialPortThread::showErrorMessageBox);
        QSignalSpy ticks(&port, &GpsSerialPortThread::PpsTick);
        port.SetPpsInterface(3);
        port.startGpsSerialPort(false);
        QVERIFY(!port.Port().isOpen());
        QCOMPARE(errors.count(), 1);
        QCOMPARE(errors.at(0).at(0).toString(),
                 QStringLiteral("Can't open GPS Port /nonexistent-folder/gps\r\n\r\n\"An error "
                                "occurred while attempting to open an non-existing device.\""));
        QCOMPARE(GpsSerialPortThread::PortErrorText(8), QStringLiteral("Unknown Error"));
        QCOMPARE(GpsSerialPortThread::PortErrorText(12), QStringLiteral("Unknown Error"));
        // Nothing to send to, nothing ticks.
        port.OnSendGpsMessage("@@Cj)");
        QTest::qWait(30);
        QCOMPARE(ticks.count(), 0);
    }

    void bytesInMessagesOut()
    {
        SocatPair pair;
        START_SOCAT_OR_SKIP(pair);
        UsePort(pair.ProgramEnd());
        GpsSerialPortThread port;
        QSignalSpy messages(&port, &GpsSerialPortThread::newGpsText);
        port.startGpsSerialPort(false);
        QVERIFY(port.Port().isOpen());
        auto rx = OpenReceiverEnd(pair);
        QVERIFY(rx);

        // One message split over two writes, then two in one write behind some noise.
        const QByteArray ha = FrameBuilders::Motorola("Ha");
        Send(*rx, ha.left(60));
        QTest::qWait(50);
        QCOMPARE(messages.count(), 0);
        Send(*rx, ha.mid(60));
        QVERIFY(TestSupport::WaitFor([&] { return messages.count() == 1; }));
        QCOMPARE(messages.at(0).at(0).toByteArray(), ha.left(151));
        Send(*rx, "xx" + FrameBuilders::Motorola("Bo") + FrameBuilders::Motorola("Ea"));
        QVERIFY(TestSupport::WaitFor([&] { return messages.count() == 3; }));
        QCOMPARE(messages.at(2).at(0).toByteArray().left(4), QByteArray("@@Ea"));

        // The framer follows the live interface mode, not the one read at the open.
        receiverInfo.gpsPortMode = GpsPortModeUbloxUbx;
        const QByteArray gga = FrameBuilders::Nmea("$GPGGA,1,2,3");
        const QByteArray ubx = FrameBuilders::Ubx(0x01, 0x02, QByteArray(28, '\x05'));
        Send(*rx, gga + "\r\n" + ubx);
        QVERIFY(TestSupport::WaitFor([&] { return messages.count() == 5; }));
        QCOMPARE(messages.at(3).at(0).toByteArray(), gga);
        QCOMPARE(messages.at(4).at(0).toByteArray(), ubx);

        receiverInfo.gpsPortMode = GpsPortModeSearch;  // passes nothing on
        Send(*rx, ha);
        QTest::qWait(100);
        QCOMPARE(messages.count(), 5);
    }

    void commandsOutWithTheirLineEnd()
    {
        SocatPair pair;
        START_SOCAT_OR_SKIP(pair);
        UsePort(pair.ProgramEnd());
        GpsSerialPortThread port;
        port.startGpsSerialPort(false);
        QVERIFY(port.Port().isOpen());
        auto rx = OpenReceiverEnd(pair);
        QVERIFY(rx);

        QByteArray cj("@@Cj");
        QVERIFY(GpsSerialPortThread::AppendMotorolaChecksum(cj));
        port.OnSendGpsMessage(cj);
        QCOMPARE(ReadAtLeast(*rx, 7), QByteArray("@@Cj\x29\r\n"));

        const QByteArray ubx = FrameBuilders::Ubx(0x0A, 0x04, QByteArray());
        port.OnSendGpsMessage(ubx);
        QCOMPARE(ReadAtLeast(*rx, 10), ubx + "\r\n");

        const QByteArray firmware("\x10\x02\x03", 3);
        port.OnSendGpsMessage(firmware);
        QCOMPARE(ReadAtLeast(*rx, 3), firmware);

        port.OnSendGpsMessage(QByteArray());
        QCOMPARE(ReadAtLeast(*rx, 1), QByteArray());
    }

    void unpluggedDeviceClosesThePortAndReportsOnce()
    {
        SocatPair pair;
        START_SOCAT_OR_SKIP(pair);
        UsePort(pair.ProgramEnd());
        GpsSerialPortThread port;
        QSignalSpy errors(&port, &GpsSerialPortThread::showErrorMessageBox);
        port.startGpsSerialPort(false);
        QVERIFY(port.Port().isOpen());

        pair.Kill();
        QVERIFY(TestSupport::WaitFor([&] { return !port.Port().isOpen(); }, 3000));
        QTest::qWait(200);
        QCOMPARE(errors.count(), 1);

        // The event loop still runs freely: a short timer fires on time.
        QElapsedTimer clock;
        clock.start();
        bool fired = false;
        QTimer::singleShot(10, [&] { fired = true; });
        QVERIFY(TestSupport::WaitFor([&] { return fired; }, 2000));
        QVERIFY2(clock.elapsed() < 500, qPrintable(QString::number(clock.elapsed())));
        port.OnSendGpsMessage("@@Cj)");  // lost, and harmless
        QCOMPARE(errors.count(), 1);
    }

    void modemLinesMissingIsNoPortFailure()
    {
        SocatPair pair;
        START_SOCAT_OR_SKIP(pair);
        UsePort(pair.ProgramEnd());
        GpsSerialPortThread port;
        QSignalSpy errors(&port, &GpsSerialPortThread::showErrorMessageBox);
        QSignalSpy messages(&port, &GpsSerialPortThread::newGpsText);
        port.SetPpsInterface(1);
        port.startGpsSerialPort(false);
        QTest::qWait(100);  // a hundred polls of a line a pseudo-terminal does not have
        QVERIFY(port.Port().isOpen());
        QVERIFY(errors.count() <= 1);
        auto rx = OpenReceiverEnd(pair);
        QVERIFY(rx);
        Send(*rx, FrameBuilders::Motorola("Bo"));
        QVERIFY(TestSupport::WaitFor([&] { return messages.count() == 1; }));
    }
};

HORALUX_TEST(TestSerialPort);
#include "tst_serialport.moc"
