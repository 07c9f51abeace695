// The one-second tick: what it ages and counts down, the time-message handshake, the
// receiver polls, the heartbeat, the tick sounds and the minute flush.

#include "gpslogtypedialog.h"
#include "gpsnavdialog.h"
#include "gpsrawdatadialog.h"
#include "gpsrxdialog.h"
#include "mainwindow.h"
#include "testsupport.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class TestClockTick : public QObject
{
    Q_OBJECT

    std::unique_ptr<MainWindow> w;
    QStringList played;

    void AtSecond(int second)
    {
        w->receiverTime.SetDateTime(QDateTime(QDate(2021, 6, 1), QTime(12, 0, second), Qt::UTC));
    }

    // A time message answered the last tick.
    void Answered() { w->bPpsAwaitingTime[0] = false; }

    void InLock(bool locked)
    {
        w->gpsRxDialog->gpsMode = 0;
        w->gpsNavDialog->SetSatellitesUsed(locked ? 8 : 0);
    }

private slots:
    void init()
    {
        TestSupport::ClearSettings();
        receiverInfo = ReceiverInfo();
        w = std::make_unique<MainWindow>();
        w->bGpsSearchActive = false;
        w->commandPauseMs = 0;
        played.clear();
        w->playTickSound = [this](QSoundEffect& sound) {
            played << (&sound == &w->minuteTickSound   ? QStringLiteral("minute")
                       : &sound == &w->secondTickSound ? QStringLiteral("second")
                                                       : QStringLiteral("warn"));
        };
        w->bTickSound = true;
        w->bOutOfLockSound = true;
        AtSecond(5);
    }

    void cleanup() { w.reset(); }

    void nothingWhileTheReceiverIsSearched()
    {
        w->bGpsSearchActive = true;
        w->bTicPortStale[0] = false;
        w->messageHoldoff[0] = 5;
        w->bPpsAwaitingTime[0] = true;
        w->bTimeMessageSeen = true;
        QSignalSpy sent(w.get(), &MainWindow::sendGpsMessage);
        AtSecond(20);
        w->OnClockTick();
        QCOMPARE(w->ticDataAge[0], 0);
        QCOMPARE(w->messageHoldoff[0], 5);
        QVERIFY(w->bTimeMessageSeen);
        QVERIFY(played.isEmpty());
        QCOMPARE(sent.count(), 0);
        QCOMPARE(w->heartbeatIndicator->pixmap().toImage(), w->ledOffPixmap.toImage());
    }

    void ticPortsGoStaleOnTheirThirdSilentTick()
    {
        w->bTicPortStale[2] = false;
        w->ticDataAge[2] = 0;
        for (int tick = 1; tick <= 5; ++tick) {
            w->OnClockTick();
            QCOMPARE(w->bTicPortStale[2], tick >= 3);
            QCOMPARE(w->ticDataAge[2], std::min(tick, 3));
            QCOMPARE(w->ticDataAge[0], 0);  // stale from the start: not counted
        }
    }

    void holdOffsCountDownToZero()
    {
        w->messageHoldoff[0] = 5;
        w->messageHoldoff[1] = 0;
        w->messageHoldoff[2] = 2;
        for (int tick = 0; tick < 5; ++tick)
            w->OnClockTick();
        QCOMPARE(w->messageHoldoff[0], 0);
        QCOMPARE(w->messageHoldoff[1], 0);
        QCOMPARE(w->messageHoldoff[2], 0);
        QCOMPARE(w->messageHoldoff[3], 3595);
    }

    void handshakeFlagsAreRaisedEverySecond()
    {
        w->bNmeaTimeTaken = true;
        w->bTimeMessageSeen = true;
        w->OnClockTick();
        for (bool b : w->bPpsAwaitingTime)
            QVERIFY(b);
        QVERIFY(!w->bNmeaTimeTaken);
        QVERIFY(!w->bTimeMessageSeen);
    }

    void aMissedTimeMessageDecidesTheLoggingAndSounds()
    {
        InLock(true);
        w->gpsLogTypeDialog->gpsLogPeriod = 1;
        w->bPpsAwaitingTime[0] = true;
        w->OnClockTick();
        QVERIFY(w->bLogThisSecond);
        QCOMPARE(played, QStringList({"minute", "second"}));

        played.clear();
        w->gpsLogTypeDialog->gpsLogPeriod = 10;
        w->OnClockTick();  // the flag is still up from the tick before
        QVERIFY(!w->bLogThisSecond);
        QCOMPARE(played, QStringList({"minute", "second"}));

        played.clear();
        w->bLogThisSecond = true;
        Answered();
        w->OnClockTick();
        QVERIFY(w->bLogThisSecond);  // the log decides that on its own
        QCOMPARE(played, QStringList({"second"}));
    }

    void soundsBySecondAndLock()
    {
        InLock(true);
        AtSecond(0);
        Answered();
        w->OnClockTick();
        QCOMPARE(played, QStringList({"minute"}));

        played.clear();
        AtSecond(1);
        Answered();
        w->OnClockTick();
        QCOMPARE(played, QStringList({"second"}));

        played.clear();
        InLock(false);
        Answered();
        w->OnClockTick();
        QVERIFY(w->bOutOfLock);
        QCOMPARE(played, QStringList({"warn"}));

        played.clear();
        w->bOutOfLockSound = false;
        Answered();
        w->OnClockTick();
        QVERIFY(played.isEmpty());

        w->bTickSound = false;
        w->bOutOfLockSound = true;
        InLock(true);
        AtSecond(0);
        w->OnClockTick();
        QVERIFY(played.isEmpty());
    }

    void receiverPollsBySecondAndModel()
    {
        QSignalSpy sent(w.get(), &MainWindow::sendGpsMessage);
        receiverInfo.gpsPortMode = GpsPortModeMotorolaBinary;
        const auto pollAt = [&](int second, int model) {
            receiverInfo.receiverModel = model;
            AtSecond(second);
            sent.clear();
            w->OnClockTick();
            return sent.isEmpty() ? QByteArray() : sent.takeFirst().at(0).toByteArray();
        };
        QByteArray gj("@@Gj");
        GpsSerialPortThread::AppendMotorolaChecksum(gj);
        QByteArray bj("@@Bj");
        GpsSerialPortThread::AppendMotorolaChecksum(bj);
        QByteArray bo("@@Bo\x01", 5);
        GpsSerialPortThread::AppendMotorolaChecksum(bo);
        QCOMPARE(pollAt(20, 24), gj);
        QCOMPARE(pollAt(20, 3), gj);
        QCOMPARE(pollAt(20, 8), bj);
        QCOMPARE(pollAt(20, 30), bj);
        QCOMPARE(pollAt(21, 8), bo);
        QCOMPARE(pollAt(21, 24), bo);
        QCOMPARE(pollAt(22, 24), QByteArray());
        QCOMPARE(pollAt(11, 24), QByteArray());

        receiverInfo.gpsPortMode = GpsPortModeUbloxUbx;
        QByteArray timeLeapSeconds("\xB5\x62\x0B\x02\x00\x00", 6);
        GpsSerialPortThread::AppendUbxChecksum(timeLeapSeconds);
        QCOMPARE(pollAt(11, 19), timeLeapSeconds);
        QCOMPARE(pollAt(20, 19), QByteArray());

        for (int mode : {GpsPortModeMotorolaBinaryRxOnly, GpsPortModeMotorolaNmea, GpsPortModeGenericNmea,
                         GpsPortModeUbloxNmea}) {
            receiverInfo.gpsPortMode = mode;
            for (int second : {11, 20, 21})
                QCOMPARE(pollAt(second, 24), QByteArray());
        }
    }

    void heartbeatLightsFor300Milliseconds()
    {
        w->OnClockTick();
        QCOMPARE(w->heartbeatIndicator->pixmap().toImage(), w->ledOnPixmap.toImage());
        QVERIFY(TestSupport::WaitFor(
            [this] { return w->heartbeatIndicator->pixmap().toImage() == w->ledOffPixmap.toImage(); }, 2000));
    }

    void theRawDataWindowMarksEachTick()
    {
        w->gpsRawDataDialog->show();
        w->OnClockTick();
        auto* text = w->gpsRawDataDialog->findChild<QPlainTextEdit*>();
        QVERIFY(text);
        QVERIFY(text->toPlainText().contains(QStringLiteral("-- PPS --")));
    }

    void theGpsLogIsFlushedAtEachNewMinute()
    {
        QTemporaryDir dir;
        w->gpsLogFile.setFileName(dir.filePath("gps.txt"));
        QVERIFY(w->gpsLogFile.open(QIODevice::WriteOnly));
        w->gpsLogFile.write("a line\n");
        const QString path = w->gpsLogFile.fileName();
        AtSecond(30);
        w->OnClockTick();
        QCOMPARE(QFileInfo(path).size(), 0);
        AtSecond(0);
        w->OnClockTick();
        QCOMPARE(QFileInfo(path).size(), 7);
    }
};

HORALUX_TEST(TestClockTick);
#include "tst_clocktick.moc"
