// What the status bar says about the receiver link: a port lost to a device error until
// it is back, the return said once, and a receiver that has gone silent with its port
// open; the rules alone, then the main window over a pseudo-terminal pair whose socat is
// killed and restarted, with a fake receiver that pauses.

#include "apptest.h"
#include "fakereceiver.h"
#include "mainwindow.h"
#include "pctime.h"
#include "receiverinfo.h"
#include "receiverlinkwatch.h"
#include "socatpair.h"
#include "testsupport.h"

#include <QLabel>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>

#include <memory>

class TestReceiverLink : public QObject
{
    Q_OBJECT

    qint64 steadyMs = 0;
    std::unique_ptr<SocatPair> pair;
    std::unique_ptr<FakeReceiver> receiver;
    std::unique_ptr<MainWindow> window;

    QString LinkText() const
    {
        return window->receiverLinkLabel->isVisibleTo(window.get()) ? window->receiverLinkLabel->toolTip() : QString();
    }
    QString Badges() const { return window->navigationBadge->text() + '|' + window->antennaBadge->text(); }
    bool Live() const { return window->antennaBadge->text() == QLatin1String("Ant OK"); }

    // The main window on the program's end in "Motorola Binary Rx Only" (nothing is
    // asked of the receiver), the fake receiver talking on the other.
    void StartWindowWithReceiver()
    {
        pair = std::make_unique<SocatPair>();
        START_SOCAT_OR_SKIP(*pair);
        UseProgramEndAsReceiverPort(*pair);
        QSettings().setValue("GpsPortDialog/GPS Serial Port Mode", "Motorola Binary Rx Only");
        window = std::make_unique<MainWindow>();
        window->bGpsSearchActive = false;
        receiver = std::make_unique<FakeReceiver>(FakeReceiver::Kind::Motorola12, 9600,
                                                  FakeReceiver::Protocol::MotorolaBinary);
        QVERIFY(receiver->Open(pair->ReceiverEnd()));
        receiver->StartLiveData();
        QVERIFY(TestSupport::WaitFor([this] { return Live(); }));
        QVERIFY(window->statusMessageLabel->isVisibleTo(window.get()));
    }

private slots:
    void init()
    {
        TestSupport::ClearSettings();
        PcTime::SetFixedUtc(Utc(2023, 9, 16, 14, 5, 7, 250));
        receiverInfo = ReceiverInfo();
        steadyMs = 0;
    }

    void cleanup()
    {
        window.reset();
        receiver.reset();
        pair.reset();
        PcTime::SetFixedUtc(QDateTime());
    }

    // What the window tests below do not reach: a closed port restarts the count, a
    // lost port outranks a silence, a port opened anew says nothing, and a receiver never
    // heard is silent since listening began (with the date once a day has passed).
    void watchRules()
    {
        ReceiverLinkWatch watch;
        watch.clockMs = [this] { return steadyMs; };
        QVERIFY(!watch.Check(true, false));
        steadyMs = 4999;
        QVERIFY(!watch.Check(false, false));
        QVERIFY(!watch.Check(true, false));
        steadyMs = 9998;
        QVERIFY(!watch.Check(true, false));
        steadyMs = 9999;
        QVERIFY(watch.Check(true, false));
        QCOMPARE(watch.Text(Utc(2023, 9, 17, 0, 1)), QStringLiteral("No data from the GPS receiver since 2023-09-16 14:05:07 UTC"));
        watch.PortLost(QStringLiteral("lost"));
        QCOMPARE(watch.Text(Utc(2023, 9, 16, 14, 10)), QStringLiteral("lost"));
        watch.PortBack(QString());
        QCOMPARE(watch.Text(Utc(2023, 9, 16, 14, 10)), QStringLiteral("No data from the GPS receiver since 14:05:07 UTC"));
    }

    // The port object reported the loss only through its message-box signal, which the
    // main window leaves unconnected: the window itself must say it.
    void lostPortIsSaidUntilItIsBack()
    {
        StartWindowWithReceiver();
        window->gpsPortThread.reopenIntervalMs = 100;
        window->receiverLinkWatch.noteMs = 400;
        QSignalSpy returns(&window->gpsPortThread, &GpsSerialPortThread::portStatusMessage);
        const QString lost = QStringLiteral("GPS serial port %1 lost (read error), retrying every 0.1 s").arg(pair->ProgramEnd());

        pair->Kill();
        QVERIFY(TestSupport::WaitFor([&] { return LinkText() == lost; }, 3000));
        QCOMPARE(Badges(), QStringLiteral("Nav Unknown|Ant Unknown"));
        QVERIFY(!window->statusMessageLabel->isVisibleTo(window.get()));
        // Other status texts come and go, retries fail, the clock moves: it stays said.
        window->statusBar()->showMessage(QStringLiteral("Log file x: cannot write"));
        window->statusBar()->clearMessage();
        steadyMs += 60000;
        QTest::qWait(1000);
        QCOMPARE(LinkText(), lost);
        QCOMPARE(returns.count(), 0);

        QVERIFY(pair->Start());
        const QString back = QStringLiteral("GPS serial port %1 is back.").arg(pair->ProgramEnd());
        QVERIFY(TestSupport::WaitFor([&] { return LinkText() == back; }, 3000));
        receiver->Close();
        QVERIFY(receiver->Open(pair->ReceiverEnd()));
        QVERIFY(TestSupport::WaitFor([this] { return Live() && LinkText().isEmpty(); }, 5000));
        QVERIFY(window->statusMessageLabel->isVisibleTo(window.get()));
        QCOMPARE(returns.count(), 1);
    }

    void silentReceiverIsNotShownAsLive()
    {
        StartWindowWithReceiver();
        window->receiverLinkWatch.clockMs = [this] { return steadyMs; };
        const QString silent = QStringLiteral("No data from the GPS receiver since 14:05:07 UTC");

        // Paused just after a message, heard on the test's clock.
        QSignalSpy heard(&window->gpsPortThread, &GpsSerialPortThread::newGpsText);
        QVERIFY(heard.wait(3000));
        receiver->PauseLiveData(true);
        steadyMs += 4900;
        QTest::qWait(300);
        QCOMPARE(LinkText(), QString());
        steadyMs += 1100;
        QVERIFY(TestSupport::WaitFor([&] { return LinkText() == silent; }, 2000));
        QCOMPARE(Badges(), QStringLiteral("Nav Unknown|Ant Unknown"));

        // Not while a search or set-up runs; after it the count starts again.
        window->bGpsSearchActive = true;
        QVERIFY(TestSupport::WaitFor([&] { return LinkText().isEmpty(); }, 2000));
        window->bGpsSearchActive = false;
        QTest::qWait(300);
        QCOMPARE(LinkText(), QString());
        steadyMs += 6000;
        QVERIFY(TestSupport::WaitFor([&] { return LinkText() == silent; }, 2000));

        // The first message back clears the text; its status puts the badges back.
        receiver->PauseLiveData(false);
        QVERIFY(TestSupport::WaitFor([this] { return Live() && LinkText().isEmpty(); }, 3000));
    }
};

HORALUX_TEST(TestReceiverLink);
#include "tst_receiverlink.moc"
