// The receiver port end to end on a pulse that a preloaded library (horalux_ppsline)
// gives a socat pty, in real time, while the GUI thread is kept busy: every pulse is a
// tick, stamped when its edge came. Run by the CTest row receiver-pulse-line, which
// preloads the library; skipped without it.

#include "gpsserialportthread.h"
#include "receiverinfo.h"
#include "socatpair.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <dlfcn.h>
#include <thread>

namespace {

// Seconds watched; a trial may ask for more (HORALUX_PULSE_SECONDS).
int Seconds() { return qEnvironmentVariableIntValue("HORALUX_PULSE_SECONDS") > 0 ? qEnvironmentVariableIntValue("HORALUX_PULSE_SECONDS") : 3; }

bool LibraryLoaded() { return dlsym(RTLD_DEFAULT, "horalux_ppsline_loaded") != nullptr; }

}  // namespace

class TestPulseLine : public QObject
{
    Q_OBJECT

private slots:
    void everyPulseUnderABusyGui_data()
    {
        QTest::addColumn<bool>("bWait");
        QTest::addColumn<int>("widthUs");
        QTest::newRow("polled, 100 ms") << false << 100000;
        QTest::newRow("polled, 2 ms") << false << 2000;
        QTest::newRow("waited on, 1 ms") << true << 1000;
        QTest::newRow("waited on, 50 us") << true << 50;
        if (qEnvironmentVariableIsSet("HORALUX_PULSE_SECONDS")) {
            QTest::newRow("polled, 1 ms") << false << 1000;
            QTest::newRow("polled, 0.5 ms") << false << 500;
        }
    }

    void everyPulseUnderABusyGui()
    {
        QFETCH(bool, bWait);
        QFETCH(int, widthUs);
        if (!LibraryLoaded())
            QSKIP("the pulse library is not preloaded (see the CTest row receiver-pulse-line)");
        receiverInfo.gpsPortMode = GpsPortModeUbloxNmea;
        SocatPair pair;
        START_SOCAT_OR_SKIP(pair);
        UseProgramEndAsReceiverPort(pair);
        qputenv("HORALUX_PPS_WAIT", bWait ? "1" : "0");
        qputenv("HORALUX_PPS_WIDTH_US", QByteArray::number(widthUs));
        qputenv("HORALUX_PPS_PHASE_US", "300000");
        GpsSerialPortThread port;
        QList<int64_t> edges;
        connect(&port, &GpsSerialPortThread::PpsTick, this, [&] { edges << port.EdgeMs(); });
        port.SetPpsInterface(1);
        port.startGpsSerialPort(false);
        QVERIFY(port.Port().isOpen());
        QVERIFY(TestSupport::WaitFor([&] { return !edges.isEmpty(); }, 2000));

        // The GUI thread is busy 30 ms at a time: its own 1 ms timer alone would miss
        // most narrow pulses.
        QTimer busy;
        connect(&busy, &QTimer::timeout, this, [] { std::this_thread::sleep_for(std::chrono::milliseconds(30)); });
        busy.start(0);
        QTest::qWait(Seconds() * 1000 + 500);
        busy.stop();
        QTest::qWait(50);
        QCOMPARE(port.LineWatch().CurrentMode(), bWait ? ModemLineWatch::Mode::Wait : ModemLineWatch::Mode::Poll);
        // The first tick may be of a pulse already high when the port opened.
        QList<int64_t> steps;
        for (int k = 2; k < edges.size(); ++k)
            steps << edges[k] - edges[k - 1];
        qInfo("%d pulses, %d ticks", Seconds(), int(edges.size()) - 1);
        if (!bWait && widthUs < 2000)
            return;  // a trial only: a poll every ms promises nothing below 2 ms
        QCOMPARE(edges.size(), Seconds() + 1);
        for (int64_t step : steps)
            QVERIFY2(step >= 995 && step <= 1005, qPrintable(QString::number(step)));
    }
};

HORALUX_TEST(TestPulseLine);
#include "tst_pulseline.moc"
