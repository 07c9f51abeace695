// What the status bar says about the receiver link: the main window over a pseudo-terminal
// pair whose socat is killed and restarted, with a fake receiver that pauses.

#include "apptest.h"
#include "fakereceiver.h"
#include "mainwindow.h"
#include "pctime.h"
#include "socatpair.h"
#include "testsupport.h"

#include <QLabel>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>

class TestReceiverLink : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { PcTime::SetFixedUtc(QDateTime()); }

    // In "Motorola Binary Rx Only" (nothing is asked of the receiver). The lost port was
    // once reported only through a message-box signal the window leaves unconnected.
    void lostPortAndSilentReceiver()
    {
        TestSupport::ClearSettings();
        PcTime::SetFixedUtc(Utc(2023, 9, 16, 14, 5, 7, 250));
        receiverInfo = ReceiverInfo();
        SocatPair pair;
        START_SOCAT_OR_SKIP(pair);
        UseProgramEndAsReceiverPort(pair);
        QSettings().setValue("GpsPortDialog/GPS Serial Port Mode", "Motorola Binary Rx Only");
        FakeReceiver rx(FakeReceiver::Kind::Motorola12, 9600, FakeReceiver::Protocol::MotorolaBinary);
        qint64 steadyMs = 0;
        MainWindow w;
        w.bGpsSearchActive = false;
        w.gpsPortThread.reopenIntervalMs = 100;
        w.receiverLinkWatch.clockMs = [&] { return steadyMs; };
        const QLabel& link = *w.receiverLinkLabel;
        const auto said = [&] { return link.isVisibleTo(&w) ? link.toolTip() : QString(); };
        const auto live = [&] { return w.antennaBadge->text() == "Ant OK" && said().isEmpty(); };
        const auto badges = [&w] { return w.navigationBadge->text() + '|' + w.antennaBadge->text(); };
        const QString since = QStringLiteral("No data from the GPS receiver since ");
        // A receiver never heard is silent since listening began.
        QTest::qWait(300);
        steadyMs += 5000;
        QVERIFY(TestSupport::WaitFor([&] { return said() == since + "14:05:07 UTC"; }, 2000));
        QVERIFY(rx.Open(pair.ReceiverEnd()));
        rx.StartLiveData();
        QVERIFY(TestSupport::WaitFor(live));

        QSignalSpy returns(&w.gpsPortThread, &GpsSerialPortThread::portStatusMessage);
        pair.Kill();
        const QString lost = QStringLiteral("GPS serial port %1 lost (read error), retrying every 0.1 s")
                                 .arg(pair.ProgramEnd());
        QVERIFY(TestSupport::WaitFor([&] { return said() == lost; }, 3000));
        QVERIFY(badges() == "Nav Unknown|Ant Unknown" && !w.statusMessageLabel->isVisibleTo(&w));
        // Other status texts come and go, retries fail: it stays said.
        w.statusBar()->showMessage(QStringLiteral("Log file x: cannot write"));
        w.statusBar()->clearMessage();
        QTest::qWait(1000);
        QVERIFY(said() == lost && returns.isEmpty());
        QVERIFY(pair.Start());
        const QString back = "GPS serial port " + pair.ProgramEnd() + " is back.";
        QVERIFY(TestSupport::WaitFor([&] { return said() == back; }));
        rx.Close();
        QVERIFY(rx.Open(pair.ReceiverEnd()));
        steadyMs += w.receiverLinkWatch.noteMs;
        QVERIFY(TestSupport::WaitFor(live, 5000));
        QVERIFY(w.statusMessageLabel->isVisibleTo(&w) && returns.count() == 1);

        // Paused just after a message. A search or set-up ends the silence and restarts
        // the count; a silence from the day before says the date.
        QSignalSpy heard(&w.gpsPortThread, &GpsSerialPortThread::newGpsText);
        QVERIFY(heard.wait(3000));
        rx.PauseLiveData(true);
        steadyMs += 6000;
        QVERIFY(TestSupport::WaitFor([&] { return said() == since + "14:05:07 UTC"; }, 2000));
        QCOMPARE(badges(), QStringLiteral("Nav Unknown|Ant Unknown"));
        w.bGpsSearchActive = true;
        QVERIFY(TestSupport::WaitFor([&] { return said().isEmpty(); }, 2000));
        w.bGpsSearchActive = false;
        QTest::qWait(300);
        QCOMPARE(said(), QString());
        PcTime::SetFixedUtc(Utc(2023, 9, 17));
        steadyMs += 6000;
        QVERIFY(TestSupport::WaitFor([&] { return said() == since + "2023-09-16 14:05:07 UTC"; }, 2000));
        rx.PauseLiveData(false);
        QVERIFY(TestSupport::WaitFor(live, 3000));
    }
};

HORALUX_TEST(TestReceiverLink);
#include "tst_receiverlink.moc"
