// Setting the PC clock from GPS time: the dialog's choices and repairs, applying them,
// and the per-second decision, all against the recording fake of the system clock.

#include "fakesystemclock.h"
#include "gpsserialportthread.h"
#include "mainwindow.h"
#include "modalwatcher.h"
#include "pctime.h"
#include "receiverinfo.h"
#include "setpcclockdialog.h"
#include "testsupport.h"
#include "ui_mainwindow.h"
#include "../decode/decodetests.h"
#include "../rxconfig/widgetlookup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QStatusBar>
#include <QTest>

#include <memory>

namespace {

QDateTime Utc(int h, int m, int s)
{
    return QDateTime(QDate(2024, 3, 1), QTime(h, m, s), Qt::UTC);
}

void Store(const char* key, const QVariant& value)
{
    QSettings().setValue(QStringLiteral("SetPcClockDialog/") + QLatin1String(key), value);
}

}  // namespace

class TestPcClock : public QObject
{
    Q_OBJECT

    std::unique_ptr<MainWindow> w;

    // One second of the status record: the receiver time stands at t as a time message
    // left it, the PC clock is errorMs ahead, and a tick waits for the time message or not.
    qsizetype Second(const QDateTime& t, qint64 errorMs = 0, bool bTick = true)
    {
        const qsizetype before = FakeSystemClock::Get().setTimes.size();
        w->receiverTime.SetDateTime(t);
        PcTime::SetFixedUtc(t.addMSecs(errorMs));
        w->bPpsAwaitingTime[0] = bTick;
        w->LogStatusRecord();
        return FakeSystemClock::Get().setTimes.size() - before;
    }

    // The stored choice applied, after a first second that gives the clock work a
    // receiver time to compare with.
    void Apply(int mode, bool bDelta = false, int deltaMs = 1)
    {
        Second(Utc(11, 0, 0));
        Store("Time Sync Mode", mode);
        Store("Time Sync Delta", bDelta);
        Store("Time Sync Delta Msec", deltaMs);
        w->ApplyPcClockSyncSettings();
    }

private slots:
    void init()
    {
        FakeSystemClock::Reset();
        w = NewDecodingWindow(GpsPortModeMotorolaBinaryRxOnly);
        w->bOutOfLock = false;
    }

    void cleanup()
    {
        w.reset();
        PcTime::SetFixedUtc(QDateTime());
    }

    void setsWhenDue_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QDateTime>("time");
        QTest::addColumn<bool>("delta");
        QTest::addColumn<int>("maxUnits");  // -1: no largest correction, else 2 of these units
        QTest::addColumn<qint64>("errorMs");
        QTest::addColumn<bool>("expectSet");
        QTest::newRow("off") << 0 << Utc(0, 0, 0) << false << -1 << qint64(5000) << false;
        QTest::newRow("every second") << 2 << Utc(12, 34, 56) << false << -1 << qint64(0) << true;
        QTest::newRow("minute, at :00") << 3 << Utc(12, 34, 0) << false << -1 << qint64(0) << true;
        QTest::newRow("minute, at :01") << 3 << Utc(12, 34, 1) << false << -1 << qint64(0) << false;
        QTest::newRow("hour, at 12:00:00") << 4 << Utc(12, 0, 0) << false << -1 << qint64(0) << true;
        QTest::newRow("hour, at 12:01:00") << 4 << Utc(12, 1, 0) << false << -1 << qint64(0) << false;
        QTest::newRow("day, at midnight") << 5 << Utc(0, 0, 0) << false << -1 << qint64(0) << true;
        QTest::newRow("day, at 01:00:00") << 5 << Utc(1, 0, 0) << false << -1 << qint64(0) << false;
        QTest::newRow("error at the limit") << 0 << Utc(9, 9, 9) << true << -1 << qint64(-50) << true;
        QTest::newRow("error below it") << 0 << Utc(9, 9, 9) << true << -1 << qint64(49) << false;
        QTest::newRow("error above it") << 3 << Utc(9, 9, 9) << true << -1 << qint64(51) << true;
        QTest::newRow("2 h, 7200 s off") << 2 << Utc(8, 0, 0) << false << 0 << qint64(7200999) << true;
        QTest::newRow("2 h, 7201 s off") << 2 << Utc(8, 0, 0) << false << 0 << qint64(-7201000) << false;
        QTest::newRow("2 min, 121 s off") << 2 << Utc(8, 0, 0) << false << 1 << qint64(121000) << false;
        QTest::newRow("2 s, 2.999 s off") << 2 << Utc(8, 0, 0) << false << 2 << qint64(2999) << true;
        QTest::newRow("2 s, 3 s off") << 2 << Utc(8, 0, 0) << false << 2 << qint64(3000) << false;
        QTest::newRow("bad units: no limit") << 2 << Utc(8, 0, 0) << false << 3 << qint64(86400000) << true;
    }

    // The clock is set to the second the big clock shows, with the display's net offset.
    void setsWhenDue()
    {
        QFETCH(int, mode);
        QFETCH(QDateTime, time);
        QFETCH(bool, delta);
        QFETCH(int, maxUnits);
        QFETCH(qint64, errorMs);
        QFETCH(bool, expectSet);
        Store("Time Sync Max On", maxUnits >= 0);
        Store("Time SyncMax Units", maxUnits);
        Apply(mode, delta, 50);
        w->displayTime.SetEpochOffsetMs(123);
        QCOMPARE(Second(time, errorMs + 123), expectSet ? 1 : 0);
        QCOMPARE(qint64(w->pcClockOffsetMs), errorMs);
        if (expectSet)
            QCOMPARE(FakeSystemClock::Get().setTimes.last(), time.addMSecs(123));
    }

    void oneTimeSetsOnceAndTurnsItselfOff()
    {
        Apply(1);
        QTest::ignoreMessage(QtDebugMsg, "Time Set OK");
        QCOMPARE(Second(Utc(12, 0, 1), 700), 1);
        QVERIFY(w->bPcClockWasSet);
        QCOMPARE(w->pcSyncMode + w->setPcClockDialog->syncMode, 0);
        QCOMPARE(QSettings().value("SetPcClockDialog/Time Sync Mode").toInt(), 1);
        QCOMPARE(Second(Utc(12, 0, 2), 700), 0);
        // Each application of the stored choice sets the clock once more.
        w->ApplyPcClockSyncSettings();
        QCOMPARE(Second(Utc(12, 0, 3), 700), 1);
    }

    void lockAndOverrides_data()
    {
        QTest::addColumn<bool>("tick");
        QTest::addColumn<bool>("outOfLock");
        QTest::addColumn<bool>("traim");
        QTest::addColumn<bool>("integrity");
        QTest::addColumn<bool>("expectSet");
        QTest::newRow("tick, in lock") << true << false << false << false << true;
        QTest::newRow("tick, out of lock") << true << true << false << false << false;
        QTest::newRow("tick, out of lock, integrity") << true << true << false << true << true;
        QTest::newRow("no tick") << false << false << false << false << false;
        QTest::newRow("no tick, TRAIM alone") << false << false << true << false << false;
        QTest::newRow("no tick, integrity alone") << false << false << false << true << false;
        QTest::newRow("no tick, both") << false << true << true << true << true;
    }

    void lockAndOverrides()
    {
        QFETCH(bool, tick);
        QFETCH(bool, outOfLock);
        QFETCH(bool, traim);
        QFETCH(bool, integrity);
        QFETCH(bool, expectSet);
        Apply(2);
        w->bOutOfLock = outOfLock;
        w->setPcClockDialog->bOverrideTraim = traim;
        w->setPcClockDialog->bOverrideIntegrity = integrity;
        QCOMPARE(Second(Utc(12, 0, 1), 0, tick), expectSet ? 1 : 0);
    }

    // Before the first time message the receiver clock is only the PC's, and after a
    // missed one it was not advanced: neither may set the clock, though the error is
    // still measured.
    void noSetFromAStaleTime()
    {
        Store("Time Sync Mode", 2);
        w->ApplyPcClockSyncSettings();
        QCOMPARE(Second(w->receiverTime.dateTime, 40), 0);
        QCOMPARE(Second(Utc(12, 0, 1)), 1);
        QCOMPARE(Second(Utc(12, 0, 1), 1000), 0);
        QCOMPARE(qint64(w->pcClockOffsetMs), qint64(1000));
        QCOMPARE(Second(Utc(12, 0, 3)), 1);
    }

    void failedSetIsReportedOnce()
    {
        Apply(2);
        FakeSystemClock::Get().setError = 1;
        QTest::ignoreMessage(QtDebugMsg, "Failed to set the PC clock: Fake clock error 1");
        QCOMPARE(Second(Utc(12, 0, 1)), 1);
        QCOMPARE(w->statusBar()->currentMessage(), QStringLiteral("Failed to set the PC clock: Fake clock error 1"));
        w->statusBar()->clearMessage();
        QCOMPARE(Second(Utc(12, 0, 2)), 1);
        QCOMPARE(w->statusBar()->currentMessage(), QStringLiteral("For Help, press F1"));
        QVERIFY(!w->bPcClockWasSet);
    }

    // The error rule alone needs the right too; a refusal says so once and turns
    // synchronisation off.
    void errorRuleAsksForTheRight()
    {
        Store("Time Sync Delta", true);
        FakeSystemClock::Get().privilegeError = 1;
        ModalWatcher watcher;
        w->ApplyPcClockSyncSettings();
        QCOMPARE(FakeSystemClock::Get().privilegeRequests, 1);
        QCOMPARE(watcher.boxes.size(), 1);
        QVERIFY(!w->bPcSyncOnDelta);
        QCOMPARE(QSettings().value("SetPcClockDialog/Time Sync Mode").toInt(), 0);
        QCOMPARE(Second(Utc(12, 0, 1), 5000) + Second(Utc(12, 0, 2), 5000), 0);
    }

    void dialogLoadsAndRepairs()
    {
        Store("Time Sync Mode", 9);
        Store("Time Sync Delta Msec", 1500);
        Store("Time Sync Delta", true);
        SetPcClockDialog dialog;
        QVERIFY(Child<QRadioButton>(&dialog, "IDC_CLOCK_SYNC_DISABLE")->isChecked());
        QCOMPARE(QSettings().value("SetPcClockDialog/Time Sync Mode").toInt(), 0);
        QCOMPARE(Child<QLineEdit>(&dialog, "IDC_CLOCK_SYNC_DELTA_MS")->text(), QStringLiteral("0"));
        QCOMPARE(dialog.syncDeltaMs, 0);
    }

    void dialogCommitsTheLimit_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("expectOn");
        QTest::addColumn<int>("expectMs");
        QTest::newRow("0") << "0" << false << 1;
        QTest::newRow("1000") << "1000" << false << 1;
        QTest::newRow("250") << "250" << true << 250;
        QTest::newRow("letters keep the limit") << "abc" << true << 40;
    }

    void dialogCommitsTheLimit()
    {
        QFETCH(QString, typed);
        QFETCH(bool, expectOn);
        QFETCH(int, expectMs);
        Store("Time Sync Delta", true);
        Store("Time Sync Delta Msec", 40);
        SetPcClockDialog dialog;
        QLineEdit* field = Child<QLineEdit>(&dialog, "IDC_CLOCK_SYNC_DELTA_MS");
        field->setText(typed);
        emit field->editingFinished();
        QCOMPARE(dialog.bSyncOnDelta, expectOn);
        QCOMPARE(Child<QCheckBox>(&dialog, "IDC_CLOCK_SYNC_DELTA")->isChecked(), expectOn);
        QCOMPARE(dialog.syncDeltaMs, expectMs);
        QCOMPARE(field->text(), typed);
    }

    // Cancel forgets the edits; OK stores them, the units under their own spelling, and
    // the main window applies them.
    void dialogCancelAndOk()
    {
        SetPcClockDialog* dialog = w->setPcClockDialog;
        ModalWatcher watcher;
        QString button = "CANCEL";
        watcher.SetDialogHandler([&](QDialog* d) {
            Child<QRadioButton>(d, "IDC_CLOCK_SYNC_MIN")->click();
            Child<QCheckBox>(d, "IDC_AMC_ON")->click();
            Child<QComboBox>(d, "IDC_AMC_UNITS")->setCurrentIndex(1);
            Child<QPushButton>(d, qPrintable(button))->click();
        });
        w->ui->actionSet_PC_Clock->trigger();
        QCOMPARE(dialog->syncMode, 0);
        QVERIFY(!dialog->bMaxCorrectionOn);
        QCOMPARE(w->pcSyncMode, 0);
        QCOMPARE(FakeSystemClock::Get().privilegeRequests, 0);

        button = "OK";
        w->ui->actionSet_PC_Clock->trigger();
        QSettings s;
        QCOMPARE(s.value("SetPcClockDialog/Time Sync Mode").toInt(), 3);
        QCOMPARE(s.value("SetPcClockDialog/Time SyncMax Units").toInt(), 1);
        QCOMPARE(w->pcSyncMode, 3);
        QCOMPARE(qint64(w->pcSyncMaxInterval), qint64(120));
        QCOMPARE(FakeSystemClock::Get().privilegeRequests, 1);
    }

    void dialogCountsSets()
    {
        SetPcClockDialog dialog;
        QLabel* last = Child<QLabel>(&dialog, "IDC_CLOCK_SYNC_LAST");
        QLabel* count = Child<QLabel>(&dialog, "IDC_CLOCK_SYNC_COUNT");
        for (int k = 1; k <= 3; ++k)
            dialog.OnPcClockSet(QStringLiteral("set %1").arg(k));
        dialog.show();
        QCOMPARE(last->text() + count->text(), QString());
        dialog.OnPcClockSet(QStringLiteral("set 4"));
        QCOMPARE(last->text() + "|" + count->text(), QStringLiteral("set 4|4"));
        QCOMPARE(Child<QLabel>(&dialog, "IDC_CLOCK_SYNC_NTPHITS")->text(), QString());
        dialog.clockResetCount = 4294967295u;
        dialog.OnPcClockSet(QStringLiteral("set 5"));
        QCOMPARE(count->text(), QStringLiteral("> 4294967295"));
    }

    // The 8-channel recording replayed with a tick before each second's messages and
    // the PC clock 250 ms ahead: every second after the first time message sets the
    // clock to that second, and the PC-U clock shows the error the PC had.
    void motorolaReplaySetsEachSecond()
    {
        QByteArray stream;
        READ_CAPTURE_OR_SKIP(QStringLiteral("oncore-binary.log"), stream);
        stream = stream.mid(stream.indexOf("@@"));

        w->ui->actionPC_U->trigger();
        Store("Time Sync Mode", 2);
        w->ApplyPcClockSyncSettings();
        w->setPcClockDialog->bOverrideIntegrity = true;  // a dozen fixes give no lock

        QList<QDateTime> ticks;
        const auto tick = [&] {
            PcTime::SetFixedUtc(w->receiverTime.dateTime.addMSecs(250));
            w->OnClockTick();
            ticks << w->receiverTime.dateTime;
        };
        tick();
        for (qsizetype pos = 0; pos + 4 <= stream.size();) {
            const int length = GpsSerialPortThread::MotorolaMessageLength(stream.mid(pos, 4));
            QVERIFY(length > 0);
            const QByteArray msg = stream.mid(pos, length - 3);
            pos += length;
            w->DecodeMotorolaBinary(msg);
            if (msg.startsWith("@@Ea")) {
                tick();
                QCOMPARE(w->ui->ClockDisplay->text(), QStringLiteral("0.250"));
            }
        }
        const QList<QDateTime> sets = FakeSystemClock::Get().setTimes;
        QCOMPARE(sets.size(), 12);
        QCOMPARE(sets, ticks.mid(1));
        QCOMPARE(sets.first(), QDateTime(QDate(2000, 8, 25), QTime(4, 50, 1), Qt::UTC));
    }
};

HORALUX_TEST(TestPcClock);
#include "tst_pcclock.moc"
