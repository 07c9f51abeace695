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

    // One tick at the second, after a time message answered the last one or not.
    QStringList Tick(int second, bool bAnswered = true)
    {
        played.clear();
        AtSecond(second);
        w->bPpsAwaitingTime[0] = !bAnswered;
        w->OnClockTick();
        return played;
    }

    bool HeartbeatLit() const { return w->heartbeatIndicator->pixmap().toImage() == w->ledOnPixmap.toImage(); }

private slots:
    void init()
    {
        TestSupport::ClearSettings();
        receiverInfo = ReceiverInfo();
        w = std::make_unique<MainWindow>();
        w->bGpsSearchActive = false;
        w->commandPauseMs = 0;
        w->playTickSound = [this](QSoundEffect& sound) {
            played << (&sound == &w->minuteTickSound ? "minute" : &sound == &w->secondTickSound ? "second" : "warn");
        };
        w->bTickSound = true;
        w->bOutOfLockSound = true;
        w->gpsRxDialog->gpsMode = 0;
        w->gpsNavDialog->SetSatellitesUsed(8);  // in lock
    }

    void cleanup() { w.reset(); }

    // While the receiver is searched a tick does nothing. Otherwise TIC ports go stale
    // on their third silent tick, hold-offs run down to 0, and the handshake flags go
    // up again every second.
    void countersAndFlags()
    {
        w->bGpsSearchActive = true;
        w->bTicPortStale[2] = false;
        w->messageHoldoff[0] = 5;
        w->messageHoldoff[2] = 2;
        w->bNmeaTimeTaken = true;
        w->bTimeMessageSeen = true;
        QSignalSpy sent(w.get(), &MainWindow::sendGpsMessage);
        receiverInfo.gpsPortMode = GpsPortModeMotorolaBinary;
        QVERIFY(Tick(20, false).isEmpty());
        QCOMPARE(w->ticDataAge[2] * 10 + w->messageHoldoff[0], 5);
        QVERIFY(w->bTimeMessageSeen && sent.isEmpty() && !HeartbeatLit());

        w->bGpsSearchActive = false;
        for (int tick = 1; tick <= 5; ++tick) {
            Tick(5);
            QCOMPARE(w->bTicPortStale[2], tick >= 3);
            QCOMPARE(w->ticDataAge[2], std::min(tick, 3));
            QCOMPARE(w->ticDataAge[0], 0);  // stale from the start: not counted
        }
        QCOMPARE(QString::asprintf("%d %d %d", w->messageHoldoff[0], w->messageHoldoff[1], w->messageHoldoff[2]), "0 0 0");
        QVERIFY(w->bPpsAwaitingTime[0] && w->bPpsAwaitingTime[1] && w->bPpsAwaitingTime[2]);
        QVERIFY(!w->bNmeaTimeTaken && !w->bTimeMessageSeen);
    }

    // A missed time message sounds the minute tick and decides the logging from the
    // log period alone; otherwise the second, the lock and the options choose.
    void missedTimeMessagesAndSounds()
    {
        QTemporaryDir dir;
        w->gpsLogFile.setFileName(dir.filePath("gps.txt"));
        QVERIFY(w->gpsLogFile.open(QIODevice::WriteOnly));
        w->gpsLogTypeDialog->gpsLogPeriod = 1;
        QCOMPARE(Tick(5, false), QStringList({"minute", "second"}));
        QVERIFY(w->bLogThisSecond);
        w->gpsLogTypeDialog->gpsLogPeriod = 10;
        QCOMPARE(Tick(5, false), QStringList({"minute", "second"}));
        QVERIFY(!w->bLogThisSecond);
        w->bLogThisSecond = true;
        QCOMPARE(Tick(5), QStringList({"second"}));
        QVERIFY(!w->bLogThisSecond);  // the log decides that on its own

        QCOMPARE(Tick(0), QStringList({"minute"}));
        w->gpsNavDialog->SetSatellitesUsed(0);
        QCOMPARE(Tick(1), QStringList({"warn"}));
        QVERIFY(w->bOutOfLock);
        w->bOutOfLockSound = false;
        QVERIFY(Tick(1).isEmpty());
        w->bTickSound = false;
        w->gpsNavDialog->SetSatellitesUsed(8);
        QVERIFY(Tick(0).isEmpty());
        QVERIFY(Tick(1).isEmpty());
    }

    void receiverPollsBySecondAndModel()
    {
        QSignalSpy sent(w.get(), &MainWindow::sendGpsMessage);
        const auto pollAt = [&](int second, int model) {
            receiverInfo.receiverModel = model;
            sent.clear();
            Tick(second);
            return sent.isEmpty() ? QByteArray() : sent.takeFirst().at(0).toByteArray();
        };
        const auto withChecksum = [](QByteArray message) {
            if (!GpsSerialPortThread::AppendMotorolaChecksum(message))
                GpsSerialPortThread::AppendUbxChecksum(message);
            return message;
        };
        receiverInfo.gpsPortMode = GpsPortModeMotorolaBinary;
        QCOMPARE(pollAt(20, 24), withChecksum("@@Gj"));
        QCOMPARE(pollAt(20, 3), withChecksum("@@Gj"));
        QCOMPARE(pollAt(20, 8), withChecksum("@@Bj"));
        QCOMPARE(pollAt(21, 8), withChecksum(QByteArray("@@Bo\x01", 5)));
        QCOMPARE(pollAt(22, 24), QByteArray());
        QCOMPARE(pollAt(11, 24), QByteArray());
        receiverInfo.gpsPortMode = GpsPortModeUbloxUbx;
        QCOMPARE(pollAt(11, 19), withChecksum(QByteArray("\xB5\x62\x0B\x02\x00\x00", 6)));
        QCOMPARE(pollAt(20, 19), QByteArray());
        for (int mode : {GpsPortModeMotorolaBinaryRxOnly, GpsPortModeGenericNmea, GpsPortModeUbloxNmea}) {
            receiverInfo.gpsPortMode = mode;
            for (int second : {11, 20, 21})
                QCOMPARE(pollAt(second, 24), QByteArray());
        }
    }

    // The heartbeat lights for 300 ms, the raw data window marks the tick, and the GPS
    // log is flushed at each new minute.
    void heartbeatPpsMarkAndMinuteFlush()
    {
        QTemporaryDir dir;
        w->gpsLogFile.setFileName(dir.filePath("gps.txt"));
        QVERIFY(w->gpsLogFile.open(QIODevice::WriteOnly));
        w->gpsLogFile.write("a line\n");
        w->gpsRawDataDialog->show();
        Tick(30);
        QVERIFY(HeartbeatLit());
        QVERIFY(w->gpsRawDataDialog->findChild<QPlainTextEdit*>()->toPlainText().contains("-- PPS --"));
        QCOMPARE(QFileInfo(w->gpsLogFile.fileName()).size(), 0);
        QVERIFY(TestSupport::WaitFor([this] { return !HeartbeatLit(); }, 2000));
        Tick(0);
        QCOMPARE(QFileInfo(w->gpsLogFile.fileName()).size(), 7);
    }
};

HORALUX_TEST(TestClockTick);
#include "tst_clocktick.moc"
