// Setting the PC clock from GPS time: the dialog's choices and repairs, applying them,
// and the per-second decision, all against the recording fake of the system clock.

#include "../decode/decodetests.h"
#include "../rxconfig/widgetlookup.h"
#include "fakesystemclock.h"
#include "modalwatcher.h"
#include "pctime.h"
#include "setpcclockdialog.h"
#include "ui_mainwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>

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
    // left it, the PC clock is errorMs ahead, and a tick waits for the message or not.
    // Returns the number of sets.
    qsizetype Second(const QDateTime& t, qint64 errorMs = 0, bool bTick = true)
    {
        const qsizetype before = FakeSystemClock::Get().setTimes.size();
        w->receiverTime.SetDateTime(t);
        PcTime::SetFixedUtc(t.addMSecs(errorMs));
        w->bPpsAwaitingTime[0] = bTick;
        w->LogStatusRecord();
        return FakeSystemClock::Get().setTimes.size() - before;
    }

    // The stored mode applied after a first second, which gives the clock work a
    // receiver time to compare the next with.
    void Apply(int mode)
    {
        Second(Utc(11, 0, 0));
        Store("Time Sync Mode", mode);
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
        QTest::addColumn<int>("maxUnits");  // 2 of these units at most; -1 no limit
        QTest::addColumn<qint64>("errorMs");
        QTest::addColumn<QString>("state");  // T tick waits, L out of lock, R TRAIM and I integrity overrides, D error rule at 50 ms
        QTest::addColumn<bool>("expectSet");
        QTest::newRow("off") << 0 << Utc(0, 0, 0) << -1 << qint64(5000) << "T" << false;
        QTest::newRow("every second") << 2 << Utc(12, 34, 56) << -1 << qint64(0) << "T" << true;
        QTest::newRow("minute, :00") << 3 << Utc(12, 34, 0) << -1 << qint64(0) << "T" << true;
        QTest::newRow("minute, :01") << 3 << Utc(12, 34, 1) << -1 << qint64(0) << "T" << false;
        QTest::newRow("hour, 12:00:00") << 4 << Utc(12, 0, 0) << -1 << qint64(0) << "T" << true;
        QTest::newRow("hour, 12:01:00") << 4 << Utc(12, 1, 0) << -1 << qint64(0) << "T" << false;
        QTest::newRow("day, midnight") << 5 << Utc(0, 0, 0) << -1 << qint64(0) << "T" << true;
        QTest::newRow("day, 01:00:00") << 5 << Utc(1, 0, 0) << -1 << qint64(0) << "T" << false;
        QTest::newRow("error at the limit") << 0 << Utc(9, 9, 9) << -1 << qint64(-50) << "TD" << true;
        QTest::newRow("error below it") << 0 << Utc(9, 9, 9) << -1 << qint64(49) << "TD" << false;
        QTest::newRow("error above it") << 3 << Utc(9, 9, 9) << -1 << qint64(51) << "TD" << true;
        QTest::newRow("2 h, 7201 s off") << 2 << Utc(8, 0, 0) << 0 << qint64(-7201000) << "T" << false;
        QTest::newRow("2 min, 121 s off") << 2 << Utc(8, 0, 0) << 1 << qint64(121000) << "T" << false;
        QTest::newRow("2 s, 2.999 s off") << 2 << Utc(8, 0, 0) << 2 << qint64(2999) << "T" << true;
        QTest::newRow("2 s, 3 s off") << 2 << Utc(8, 0, 0) << 2 << qint64(3000) << "T" << false;
        QTest::newRow("out of lock") << 2 << Utc(8, 0, 0) << -1 << qint64(0) << "TL" << false;
        QTest::newRow("out of lock, integrity") << 2 << Utc(8, 0, 0) << -1 << qint64(0) << "TLI" << true;
        QTest::newRow("no tick") << 2 << Utc(8, 0, 0) << -1 << qint64(0) << "" << false;
        QTest::newRow("no tick, TRAIM alone") << 2 << Utc(8, 0, 0) << -1 << qint64(0) << "R" << false;
        QTest::newRow("no tick, integrity alone") << 2 << Utc(8, 0, 0) << -1 << qint64(0) << "I" << false;
        QTest::newRow("no tick, both, out of lock") << 2 << Utc(8, 0, 0) << -1 << qint64(0) << "LRI" << true;
    }

    // The clock is set to the second the big clock shows, with the display's net offset.
    void setsWhenDue()
    {
        QFETCH(int, mode);
        QFETCH(QDateTime, time);
        QFETCH(int, maxUnits);
        QFETCH(qint64, errorMs);
        QFETCH(QString, state);
        QFETCH(bool, expectSet);
        Store("Time Sync Max On", maxUnits >= 0);
        Store("Time SyncMax Units", maxUnits);
        Store("Time Sync Delta", state.contains('D'));
        Store("Time Sync Delta Msec", 50);
        Apply(mode);
        w->bOutOfLock = state.contains('L');
        w->setPcClockDialog->bOverrideTraim = state.contains('R');
        w->setPcClockDialog->bOverrideIntegrity = state.contains('I');
        w->displayTime.SetEpochOffsetMs(123);
        QCOMPARE(Second(time, errorMs + 123, state.contains('T')), expectSet ? 1 : 0);
        QCOMPARE(qint64(w->pcClockOffsetMs), errorMs);
        if (expectSet)
            QCOMPARE(FakeSystemClock::Get().setTimes.last(), time.addMSecs(123));
    }

    // One time sets once per application of the settings. Before the first time message
    // the receiver clock is only the PC's, and after a missed one it was not advanced:
    // neither sets the clock, though the error is still measured.
    void oneTimeAndStaleTimes()
    {
        Store("Time Sync Mode", 1);
        w->ApplyPcClockSyncSettings();
        QCOMPARE(Second(w->receiverTime.dateTime, 40), 0);
        QTest::ignoreMessage(QtDebugMsg, "Time Set OK");
        QCOMPARE(Second(Utc(12, 0, 1), 700), 1);
        QVERIFY(w->bPcClockWasSet);
        QCOMPARE(w->pcSyncMode + w->setPcClockDialog->syncMode, 0);
        QCOMPARE(QSettings().value("SetPcClockDialog/Time Sync Mode").toInt(), 1);
        QCOMPARE(Second(Utc(12, 0, 2), 700), 0);
        w->ApplyPcClockSyncSettings();
        QCOMPARE(Second(Utc(12, 0, 2), 1700), 0);
        QCOMPARE(qint64(w->pcClockOffsetMs), qint64(1700));
        QCOMPARE(Second(Utc(12, 0, 4), 700), 1);
    }

    void failedSetIsReportedOnce()
    {
        Apply(2);
        FakeSystemClock::Get().setError = 1;
        const QString text = QStringLiteral("Failed to set the PC clock: Fake clock error 1");
        QTest::ignoreMessage(QtDebugMsg, qPrintable(text));
        QCOMPARE(Second(Utc(12, 0, 1)), 1);
        QCOMPARE(w->statusBar()->currentMessage(), text);
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
        QCOMPARE(FakeSystemClock::Get().privilegeRequests * 10 + watcher.boxes.size(), 11);
        QCOMPARE(QSettings().value("SetPcClockDialog/Time Sync Mode").toInt(), 0);
        QCOMPARE(Second(Utc(12, 0, 1), 5000) + Second(Utc(12, 0, 2), 5000), 0);
    }

    // A stored mode of 9 opens as Disable and is stored as 0; a stored limit beyond 999
    // shows as 0. Each word is typed and left in turn: 0 and 1000 turn the rule off,
    // letters keep the limit.
    void dialogRepairsAndCommitsTheLimit()
    {
        const QList<std::tuple<QString, bool, int>> rows = {
            {"0", false, 1}, {"1000", false, 1}, {"250", true, 250}, {"250 abc", true, 250}};
        for (const auto& [typed, bOn, ms] : rows) {
            Store("Time Sync Mode", 9);
            Store("Time Sync Delta", true);
            Store("Time Sync Delta Msec", 1500);
            SetPcClockDialog dialog;
            QVERIFY(Child<QRadioButton>(&dialog, "IDC_CLOCK_SYNC_DISABLE")->isChecked());
            QCOMPARE(QSettings().value("SetPcClockDialog/Time Sync Mode").toInt(), 0);
            QLineEdit* field = Child<QLineEdit>(&dialog, "IDC_CLOCK_SYNC_DELTA_MS");
            QCOMPARE(field->text(), QStringLiteral("0"));
            for (const QString& text : typed.split(' ')) {
                field->setText(text);
                emit field->editingFinished();
            }
            const bool bChecked = Child<QCheckBox>(&dialog, "IDC_CLOCK_SYNC_DELTA")->isChecked();
            QVERIFY2(bChecked == bOn && dialog.bSyncOnDelta == bOn && dialog.syncDeltaMs == ms, qPrintable(typed));
        }
    }

    // Cancel forgets the edits; OK stores them, the units under their own spelling, and
    // the main window applies them.
    void dialogCancelAndOk()
    {
        ModalWatcher watcher;
        const char* button = "CANCEL";
        watcher.SetDialogHandler([&](QDialog* d) {
            Child<QRadioButton>(d, "IDC_CLOCK_SYNC_MIN")->click();
            Child<QCheckBox>(d, "IDC_AMC_ON")->click();
            Child<QComboBox>(d, "IDC_AMC_UNITS")->setCurrentIndex(1);
            Child<QPushButton>(d, button)->click();
        });
        w->ui->actionSet_PC_Clock->trigger();
        QCOMPARE(w->setPcClockDialog->syncMode + w->setPcClockDialog->bMaxCorrectionOn + w->pcSyncMode, 0);
        button = "OK";
        w->ui->actionSet_PC_Clock->trigger();
        QCOMPARE(QSettings().value("SetPcClockDialog/Time SyncMax Units").toInt(), 1);
        QCOMPARE(w->pcSyncMode, 3);
        QCOMPARE(qint64(w->pcSyncMaxInterval), qint64(120));
        QCOMPARE(FakeSystemClock::Get().privilegeRequests, 1);
    }

    // The 8-channel recording with a tick before each second's messages and the PC
    // clock 250 ms ahead: every tick after the first time message sets the clock to its
    // second, and the PC-U clock shows the error.
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
        QCOMPARE(FakeSystemClock::Get().setTimes, ticks.mid(1));
        QCOMPARE(ticks.size(), 13);
        QCOMPARE(ticks[1], QDateTime(QDate(2000, 8, 25), QTime(4, 50, 1), Qt::UTC));
    }
};

HORALUX_TEST(TestPcClock);
#include "tst_pcclock.moc"
