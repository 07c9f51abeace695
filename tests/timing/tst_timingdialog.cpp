// The timing corrections dialog and its coax calculator; setting the PC clock from GPS time.

#include "../decode/decodetests.h"
#include "../rxconfig/widgetlookup.h"
#include "builddate.h"
#include "coaxdialog.h"
#include "fakesystemclock.h"
#include "modalwatcher.h"
#include "pctime.h"
#include "receivertimecheck.h"
#include "setpcclockdialog.h"
#include "timingdialog.h"
#include "ui_mainwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>
#include <functional>

namespace {

QDateTime Utc(int h, int m, int s) { return QDateTime(QDate(2024, 3, 1), QTime(h, m, s), Qt::UTC); }

// Debug lines about a receiver date the clock guard refuses, counted in the PC clock tests.
int rolloverLines = 0;
QtMessageHandler previousHandler = nullptr;
void CountRolloverLines(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    rolloverLines += text.startsWith("GPS week rollover? ") ? 1 : 0;
    previousHandler(type, context, text);
}

void Sync(const char* key, const QVariant& value) { QSettings().setValue(QStringLiteral("SetPcClockDialog/") + key, value); }
int SyncMode() { return QSettings().value("SetPcClockDialog/Time Sync Mode").toInt(); }

// Types the text into a field the way an operator does: one textEdited per edit.
void Type(QObject* dialog, const char* name, const QString& text)
{
    auto* field = Child<QLineEdit>(dialog, name);
    field->setText(text);
    emit field->textEdited(text);
}

void Click(QObject* dialog, const char* name) { Child<QAbstractButton>(dialog, name)->click(); }

// The texts of the named fields and labels, joined by '|'.
QString Text(QObject* dialog, std::initializer_list<const char*> names)
{
    QStringList texts;
    for (const char* name : names)
        texts << Child<QWidget>(dialog, name)->property("text").toString();
    return texts.join('|');
}

// Runs exec() with the given steps done inside its event loop; a step that fails, and so
// returns early, leaves the dialog to be rejected rather than waiting for ever.
template <class Dialog>
int ExecWith(Dialog& dialog, std::function<void()> steps)
{
    QTimer::singleShot(0, &dialog, [&dialog, steps] {
        steps();
        if (dialog.isVisible())
            dialog.reject();
    });
    return dialog.exec();
}

const QString kGroup = QStringLiteral("Antenna Coax Calculator");

// Stores a run's length, unit and cable text, given as length|unit|cable.
void StoreRun(const QString& group, int run, const QString& values)
{
    for (int k = 0; k < 3; ++k)
        QSettings().setValue(group + QStringList{"/dLength_", "/Dimension_", "/VelocityFactor_"}[k] + QString::number(run),
                             values.section('|', k, k));
}

void Store(const QString& key, const QVariant& value) { QSettings().setValue("TimingDialog/" + key, value); }
QString Stored(const QString& key) { return QSettings().value("TimingDialog/" + key).toString(); }

// UTC correction|before the second|after it, as shown.
QString Totals(QObject* d) { return Text(d, {"IDC_TIMING_TOTAL_UDELAY", "IDC_TIMING_TOTAL_EDELAY1", "IDC_TIMING_TOTAL_EDELAY2"}); }

// The dialog's values the program uses: UTC correction, offsets, T-RAIM, sawtooth mode.
QString Values(const TimingDialog& d)
{
    return QString::asprintf("%.10g|%.10g|%.10g|%.10g|%d", d.utcCorrectionNs, d.ppsOffsetEarlyUs, d.ppsOffsetLateUs,
                             d.traimLimitNs, d.sawtoothMode);
}

}  // namespace

class TestCoaxDialog : public QObject
{
    Q_OBJECT

private slots:
    void init() { TestSupport::ClearSettings(); }

    void velocityFactorTexts()
    {
        // A bare fraction, a signed number, a lower-case name, a leading blank (no name), the
        // fraction inside a number, a list item by its number, a mixed-case name, nothing.
        const QList<QPair<QString, double>> rows = {{".66", 0.66}, {"+0.66", 0.66}, {"rg-58/u", 0.66},
            {" LMR-400", 0.0}, {"1.5", 0.5}, {"0.700 RG-8X/Marine", 0.70}, {"rG-8x/MARINE", 0.70}, {"", 0.0}};
        for (const auto& [text, factor] : rows)
            QCOMPARE(CoaxDialog::VelocityFactorOf(text), factor);
    }

    void workedDelays_data()
    {
        QTest::addColumn<QStringList>("row");  // each run length|unit|cable; shown delay 1|delay 2|total
        QTest::newRow("feet") << QStringList{"100|Feet|LMR-400", "100|Feet|RG-58/U", "119|153|273"};
        QTest::newRow("metres, rounded up and down") << QStringList{"1|Meters|LMR-240", "2|Meters|LMR-240", "4|7|11"};
        QTest::newRow("total of the tenths") << QStringList{"30|Meters|RG-58/U", "30|Meters|RG-58/U", "151|151|303"};
        QTest::newRow("unknown cable adds nothing") << QStringList{"50|Meters|coax", "30|Meters|0.66", "0|151|151"};
        QTest::newRow("tiny factor stays in range")
            << QStringList{"9999|Meters|.0000001", "0|Feet|LMR-240", "214748364|0|214748364"};
    }
    void workedDelays()
    {
        QFETCH(QStringList, row);
        StoreRun(kGroup, 1, row[0]);
        StoreRun(kGroup, 2, row[1]);
        CoaxDialog dialog;
        dialog.settingsGroup = kGroup;
        QString seen;
        QCOMPARE(ExecWith(dialog, [&] {
            seen = Text(&dialog, {"IDC_DC_DELAY1", "IDC_DC_DELAY2", "IDC_DC_TOTAL_DELAY"});
            Click(&dialog, "OK");
        }), 1);
        QCOMPARE(seen, row[2]);
        QCOMPARE(dialog.totalDelayNs, row[2].section('|', 2).toDouble());
    }

    void lengthChecksAndAnInvalidFieldAtOk()
    {
        ModalWatcher watcher;
        CoaxDialog dialog;
        dialog.settingsGroup = kGroup;
        auto* length1 = Child<QLineEdit>(&dialog, "IDC_DC_LENGTH1");
        auto* ok = Child<QPushButton>(&dialog, "OK");
        QCOMPARE(ExecWith(dialog, [&] {
            QCOMPARE(Text(&dialog, {"IDC_DC_TOTAL_DELAY"}), "0");  // first use: nothing stored
            Type(&dialog, "IDC_DC_LENGTH1", "");
            QVERIFY(length1->styleSheet() == "color:red" && !ok->isEnabled());
            emit length1->editingFinished();
            QVERIFY(watcher.boxes.isEmpty());
            Type(&dialog, "IDC_DC_LENGTH1", "10000");
            emit length1->editingFinished();
            Type(&dialog, "IDC_DC_LENGTH1", "12.5");
            Type(&dialog, "IDC_DC_LENGTH2", "10");
            QVERIFY(ok->isEnabled());
            QCOMPARE(Text(&dialog, {"IDC_DC_DELAY1"}), "15");  // 12.5 ft already counts
            Child<QComboBox>(&dialog, "IDC_DC_LEN_DIM1")->setCurrentIndex(1);  // another unit or cable recalculates
            QCOMPARE(Text(&dialog, {"IDC_DC_DELAY1"}), "49");
            Child<QComboBox>(&dialog, "IDC_DC_VF1")->setCurrentText("RG-58/U");
            QCOMPARE(Text(&dialog, {"IDC_DC_DELAY1", "IDC_DC_TOTAL_DELAY"}), "63|75");
            ok->click();
        }), 1);
        QCOMPARE(watcher.boxes.size(), 2);
        QCOMPARE(watcher.boxes[0].text + '|' + watcher.boxes[1].text,
                 "Field is out of range.\nMust be between 0 and 9999|Extraineous characters in the field.");
        QCOMPARE(QSettings().value(kGroup + "/dLength_1").toDouble(), 12.5);
        QString shown;
        ExecWith(dialog, [&] { shown = length1->text(), dialog.reject(); });
        QCOMPARE(shown, "12");
    }
};

class TestTimingDialog : public QObject
{
    Q_OBJECT

private slots:
    void init() { TestSupport::ClearSettings(); }

    void totalsAsTheOperatorTypes_data()
    {
        // Typed epoch|fine|extra|antenna|measurement|receiver; totals UTC correction|before|after.
        QTest::addColumn<QStringList>("row");
        QTest::newRow("one ms late") << QStringList{"1|0|0|0|0|55", "55|-999000|1000"};
        QTest::newRow("all zero") << QStringList{"0|0|0|0|0|0", "0|0|1000000"};
        QTest::newRow("early only") << QStringList{"0|0|5|0|0|55", "55|-5|999995"};
        QTest::newRow("latest") << QStringList{"999|999|0|0|0|55", "55|-1|999999"};
        QTest::newRow("cables and receiver") << QStringList{"0|0|0|12|3|55", "70|0|1000000"};
    }
    void totalsAsTheOperatorTypes()
    {
        QFETCH(QStringList, row);
        TimingDialog dialog;
        const char* fields[] = {"IDC_TIMING_EPOCH",     "IDC_TIMING_OFFSET",    "IDC_TIMING_EXTRA_DELAY",
                                "IDC_TIMING_ANT_CABLE", "IDC_TIMING_MES_CABLE", "IDC_TIMING_RCVR_DELAY"};
        QCOMPARE(ExecWith(dialog, [&] {
            for (int k = 0; k < 6; ++k)
                Type(&dialog, fields[k], row[0].section('|', k, k));
            QCOMPARE(Totals(&dialog), row[1]);
            Click(&dialog, "OK");
        }), 1);
        QCOMPARE(Values(dialog), row[1] + "|500|0");
    }

    // field, typed text, valid, then the box's title and text on leaving the field (none when absent).
    void fieldChecks_data()
    {
        QTest::addColumn<QStringList>("row");
        const QString range = QStringLiteral("Field is out of range.\nMust be between ");
        const QString extra = QStringLiteral("Extraineous characters in the field.");
        QTest::newRow("plus sign") << QStringList{"IDC_TIMING_EPOCH", "+25", "1"};
        QTest::newRow("blanks around") << QStringList{"IDC_TIMING_EPOCH", " 25 ", "1"};
        QTest::newRow("minus sign") << QStringList{"IDC_TIMING_EPOCH", "-25", "0", "Error", extra};
        // Beyond a double: minus infinity, still below a field that takes no sign.
        QTest::newRow("minus sign, overflowing")
            << QStringList{"IDC_TIMING_EPOCH", "-" + QString(400, '9'), "0", "Error", extra};
        QTest::newRow("decimal point") << QStringList{"IDC_TIMING_OFFSET", "25.5", "0", "Error", extra};
        QTest::newRow("real range")
            << QStringList{"IDC_TIMING_EXTRA_DELAY", "1000", "0", "Numeric Error", range + "0.000 and 999.999"};
        QTest::newRow("T-RAIM above") << QStringList{"IDC_TIMING_RAIM", "1001", "0", "Numeric Error", range + "250 and 1000"};
        QTest::newRow("T-RAIM lowest") << QStringList{"IDC_TIMING_RAIM", "250", "1"};
        // Zero is no sign: only too small.
        QTest::newRow("T-RAIM zero") << QStringList{"IDC_TIMING_RAIM", "0", "0", "Numeric Error", range + "250 and 1000"};
        // Digits alone, too many for any number the field holds: still a number.
        QTest::newRow("T-RAIM overflowing")
            << QStringList{"IDC_TIMING_RAIM", "99999999999999999999", "0", "Numeric Error", range + "250 and 1000"};
        QTest::newRow("empty") << QStringList{"IDC_TIMING_RCVR_DELAY", "", "0"};
        QTest::newRow("blanks") << QStringList{"IDC_TIMING_RAIM", "   ", "0"};
    }
    void fieldChecks()
    {
        QFETCH(QStringList, row);
        const bool valid = row[2] == "1";
        ModalWatcher watcher;
        TimingDialog dialog;
        auto* edit = Child<QLineEdit>(&dialog, qPrintable(row[0]));
        Type(&dialog, qPrintable(row[0]), row[1]);
        QCOMPARE(edit->styleSheet(), valid ? "color:black" : "color:red");
        QCOMPARE(Child<QPushButton>(&dialog, "OK")->isEnabled(), valid);
        emit edit->editingFinished();
        QStringList seen = row.mid(0, 3);
        for (const ModalWatcher::Box& box : watcher.boxes)
            seen << box.title << box.text;
        QCOMPARE(seen, row);
    }

    // The stored corrections count before the dialog is ever opened, as the whole numbers
    // the fields show; OK stores those. Defaults then Cancel change the settings, but
    // neither the totals nor the store.
    void storedCorrectionsThenDefaultsAndCancel()
    {
        const QList<QPair<QString, QVariant>> stored = {{"Antenna Cable Delay", 12.9}, {"Rx Delay", 55.7},
            {"Measurement Cable Delay", 40.0}, {"Epoch", 1}, {"T-Raim", 800.0}, {"T-Raim Conditioned 1pps", true},
            {"Sawtooth Auto Correct", 7}};
        for (const auto& [key, value] : stored)
            Store(key, value);
        TimingDialog dialog;
        QCOMPARE(dialog.receiverDelayNs, 55.7);
        QCOMPARE(Values(dialog), "107|-999000|1000|800|3");
        QCOMPARE(ExecWith(dialog, [&] {
            QVERIFY(Child<QRadioButton>(&dialog, "IDC_SAWTOOTH_OFF")->isChecked());
            QCOMPARE(Text(&dialog, {"IDC_TIMING_RCVR_DELAY"}) + '|' + Totals(&dialog), "55|107|-999000|1000");
            Click(&dialog, "OK");
        }), 1);
        QCOMPARE(Stored("Rx Delay") + Stored("Antenna Cable Delay") + Stored("Sawtooth Auto Correct"), "55123");
        QCOMPARE(ExecWith(dialog, [&] {
            Click(&dialog, "IDC_TIMING_DEFAULTS");
            QCOMPARE(Text(&dialog, {"IDC_TIMING_RCVR_DELAY"}) + '|' + Totals(&dialog), "55|55|0|1000000");
            Click(&dialog, "CANCEL");
        }), 0);
        QVERIFY(!dialog.bTraimKill1pps);
        QCOMPARE(Values(dialog), "107|-999000|1000|500|0");
        QCOMPARE(Stored("T-Raim") + Stored("Antenna Cable Delay") + Stored("Sawtooth Auto Correct"), "800123");
        QVERIFY(QSettings().contains("TimingDialog/geometry"));
    }

    void onlyAChangedSawtoothModeRaisesTheFlag()
    {
        TimingDialog dialog;
        QString flags;
        for (const char* button : {"OK", "IDC_SAWTOOTH_ADD", "OK"}) {
            dialog.bSawtoothModeChanged = false;
            ExecWith(dialog, [&] { Click(&dialog, button), dialog.isVisible() ? Click(&dialog, "OK") : void(); });
            flags += QString::number(dialog.bSawtoothModeChanged) + QString::number(dialog.sawtoothMode);
        }
        QCOMPARE(flags, "001101");
    }

    void coaxCalculatorFillsItsCableField()
    {
        StoreRun("Measurement Coax Calculator", 1, "30|Meters|RG-58/U");
        ModalWatcher watcher;
        TimingDialog dialog;
        QString group;
        watcher.SetDialogHandler([&](QDialog* calculator) {
            group = qobject_cast<CoaxDialog*>(calculator)->settingsGroup;
            Click(calculator, "OK");
        });
        ExecWith(dialog, [&] {
            Type(&dialog, "IDC_TIMING_RCVR_DELAY", "0");
            Click(&dialog, "MesurementCableHelp");
            QCOMPARE(group, "Measurement Coax Calculator");
            QCOMPARE(Text(&dialog, {"IDC_TIMING_MES_CABLE"}), "151");
            QVERIFY(Totals(&dialog).startsWith("151|"));
            watcher.SetDialogHandler([&](QDialog* calculator) { Click(calculator, "CANCEL"); });
            Type(&dialog, "IDC_TIMING_ANT_CABLE", "7");
            Click(&dialog, "AntennaCableHelp");
            QCOMPARE(Text(&dialog, {"IDC_TIMING_ANT_CABLE"}), "7");
            Click(&dialog, "CANCEL");
        });
        QCOMPARE(watcher.dialogs, (QStringList{"CoaxDialog", "CoaxDialog"}));
        QCOMPARE(dialog.findChildren<CoaxDialog*>().size(), 1);
    }
};

// Setting the PC clock from GPS time: the dialog's choices and repairs, applying them,
// and the per-second decision, all against the recording fake of the system clock.
class TestPcClock : public QObject
{
    Q_OBJECT

    std::unique_ptr<MainWindow> w;
    int64_t steadyMs = 0;  // the steady clock that the receiver's times are held against

    // One second of the status record: the receiver time stands at t as a time message
    // left it, the PC clock is errorMs ahead, and a tick waits for the message or not.
    // Returns the number of sets.
    qsizetype Second(const QDateTime& t, qint64 errorMs = 0, bool bTick = true)
    {
        const qsizetype before = FakeSystemClock::Get().setTimes.size();
        steadyMs = t.toMSecsSinceEpoch();  // the receiver speaks on time
        w->receiverTimeCheck.Take(t);
        w->receiverTime.SetDateTime(t), PcTime::SetFixedUtc(t.addMSecs(errorMs)), w->bPpsAwaitingTime[0] = bTick;
        w->LogStatusRecord();
        return FakeSystemClock::Get().setTimes.size() - before;
    }

    // The clock guard's note, empty while none is shown.
    QString Said() const { return w->clockGuardLabel->isHidden() ? QString() : w->clockGuardLabel->toolTip(); }

    // The stored mode applied after a first second, which gives the clock work a
    // receiver time to compare the next with.
    void Apply(int mode, const QDateTime& first = Utc(11, 0, 0))
    {
        Second(first);
        Sync("Time Sync Mode", mode);
        w->ApplyPcClockSyncSettings();
    }

private slots:
    void initTestCase() { previousHandler = qInstallMessageHandler(CountRolloverLines); }
    void cleanupTestCase() { qInstallMessageHandler(previousHandler); }

    void init()
    {
        FakeSystemClock::Reset();
        BuildDate::SetDay(Utc(0, 0, 0).date());
        rolloverLines = 0;
        w = NewDecodingWindow(GpsPortModeMotorolaBinaryRxOnly);
        w->bOutOfLock = false;
        w->receiverTimeCheck.clockMs = [this] { return steadyMs; };
    }

    void cleanup() { w.reset(), PcTime::SetFixedUtc(QDateTime()), BuildDate::SetDay(QDate()); }

    // mode, time, limit units (2 of them at most; -1 none), error ms, state (T tick waits, L out
    // of lock, R TRAIM and I integrity overrides, D error rule at 50 ms), 1 when it sets, and
    // the receiver's day against the build day (0 when absent: on it).
    void setsWhenDue_data()
    {
        QTest::addColumn<QString>("row");
        QTest::newRow("off") << "0 00:00:00 -1 5000 T 0";
        QTest::newRow("every second") << "2 12:34:56 -1 0 T 1";
        QTest::newRow("minute, :00") << "3 12:34:00 -1 0 T 1";
        QTest::newRow("minute, :01") << "3 12:34:01 -1 0 T 0";
        QTest::newRow("hour, 12:00:00") << "4 12:00:00 -1 0 T 1";
        QTest::newRow("hour, 12:01:00") << "4 12:01:00 -1 0 T 0";
        QTest::newRow("day, midnight") << "5 00:00:00 -1 0 T 1";
        QTest::newRow("day, 01:00:00") << "5 01:00:00 -1 0 T 0";
        QTest::newRow("error at the limit") << "0 09:09:09 -1 -50 TD 1";
        QTest::newRow("error below it") << "0 09:09:09 -1 49 TD 0";
        QTest::newRow("error above it") << "3 09:09:09 -1 51 TD 1";
        QTest::newRow("2 h, 7201 s off") << "2 08:00:00 0 -7201000 T 0";
        QTest::newRow("2 min, 121 s off") << "2 08:00:00 1 121000 T 0";
        QTest::newRow("2 s, 2.999 s off") << "2 08:00:00 2 2999 T 1";
        QTest::newRow("2 s, 3 s off") << "2 08:00:00 2 3000 T 0";
        QTest::newRow("out of lock") << "2 08:00:00 -1 0 TL 0";
        QTest::newRow("out of lock, integrity") << "2 08:00:00 -1 0 TLI 1";
        QTest::newRow("no tick") << "2 08:00:00 -1 0 - 0";
        QTest::newRow("no tick, TRAIM alone") << "2 08:00:00 -1 0 R 0";
        QTest::newRow("no tick, integrity alone") << "2 08:00:00 -1 0 I 0";
        QTest::newRow("no tick, both, out of lock") << "2 08:00:00 -1 0 LRI 1";
        QTest::newRow("1024 weeks before, overrides") << "2 08:00:00 -1 0 LRI 0 -7168";
        QTest::newRow("a day before, one time") << "1 00:00:00 -1 0 T 0 -1";
        QTest::newRow("a day after the build") << "2 08:00:00 -1 0 T 1 1";
        QTest::newRow("1024 weeks after the build") << "2 08:00:00 -1 0 T 1 7168";
        QTest::newRow("a day more, overrides") << "2 08:00:00 -1 0 LRI 0 7169";
    }

    // The clock is set to the second the big clock shows, with the display's net offset.
    void setsWhenDue()
    {
        QFETCH(QString, row);
        const QStringList f = row.split(' ');
        const QDateTime time(QDate(2024, 3, 1).addDays(f.value(6).toInt()), QTime::fromString(f[1]), Qt::UTC);
        const int maxUnits = f[2].toInt();
        const qint64 errorMs = f[3].toLongLong();
        const QString& state = f[4];
        Sync("Time Sync Max On", maxUnits >= 0);
        Sync("Time SyncMax Units", maxUnits);
        Sync("Time Sync Delta", state.contains('D'));
        Sync("Time Sync Delta Msec", 50);
        Apply(f[0].toInt(), time.addSecs(-1));  // a top that went by unseen is due at the next second
        w->bOutOfLock = state.contains('L');
        w->setPcClockDialog->bOverrideTraim = state.contains('R');
        w->setPcClockDialog->bOverrideIntegrity = state.contains('I');
        w->displayTime.SetEpochOffsetMs(123);
        QCOMPARE(Second(time, errorMs + 123, state.contains('T')), f[5].toInt());
        QCOMPARE(qint64(w->pcClockOffsetMs.value_or(-1)), errorMs);
        if (f[5] == "1")
            QCOMPARE(FakeSystemClock::Get().setTimes.last(), time.addMSecs(123));
        QCOMPARE(w->pcSyncMode, f[0] == "1" && f[5] == "1" ? 0 : f[0].toInt());
    }

    // One time sets once per application of the settings. Before the first time message
    // the receiver clock is only the PC's, and after a missed one it was not advanced:
    // neither sets the clock, though the error is still measured.
    void oneTimeAndStaleTimes()
    {
        Sync("Time Sync Mode", 1);
        w->ApplyPcClockSyncSettings();
        QCOMPARE(Second(w->receiverTime.dateTime, 40), 0);
        QTest::ignoreMessage(QtDebugMsg, "Time Set OK");
        QCOMPARE(Second(Utc(12, 0, 1), 700), 1);
        QVERIFY(w->bPcClockWasSet && w->pcSyncMode + w->setPcClockDialog->syncMode == 0 && SyncMode() == 1);
        QCOMPARE(Second(Utc(12, 0, 2), 700), 0);
        w->ApplyPcClockSyncSettings();
        QCOMPARE(Second(Utc(12, 0, 2), 1700), 0);
        QCOMPARE(qint64(w->pcClockOffsetMs.value_or(-1)), qint64(1700));
        QCOMPARE(Second(Utc(12, 0, 4), 700), 1);
    }

    // Eight untrusted seconds between valid ones, in continuous mode with both overrides,
    // from the time messages alone or each after a tick. A date out of range still marks
    // its second and moves the held time on, so the logs keep the receiver's time and not
    // the PC's, 5 h away; a day or month out of range, or second 60, is no time at all; a
    // date that jumps a day ahead is the receiver's but never follows the run before it,
    // while the right day between the jumps does. Only a time that follows given ones sets
    // the clock, and a note says why none does until they come again.
    void untrustedTimesNeverSet_data()
    {
        QTest::addColumn<QString>("kind");  // the message, and what is wrong in it
        QTest::addColumn<QString>("said");  // the note at the last untrusted second
        QTest::addColumn<bool>("bTicks");
        const QString outOfRange = "Receiver date out of range, PC clock not set: its time messages give year ";
        const QString jumped = "Receiver time out of step, PC clock not set: its time messages give ";
        // With ticks a jump is said a second later: each tick takes the message before it.
        const QString jumpedAt8 =
            jumped + "02-Mar-2024 12:00:08 UTC 1.0 s after 01-Mar-2024 12:00:07 UTC, 86400.0 s ahead of their run";
        const QList<std::tuple<const char*, QString, QString>> kinds = {
            {"ZDA year 0089", outOfRange + "0089, month 3, day 1", outOfRange + "0089, month 3, day 1"},
            {"UBX day 0", outOfRange + "2024, month 3, day 0", outOfRange + "2024, month 3, day 0"},
            {"ZDA day 0", "", ""}, {"ZDA month 13", "", ""}, {"ZDA second 60", "", ""}, {"UBX second 60", "", ""},
            {"ZDA day jumps", jumpedAt8, jumpedAt8}, {"UBX day jumps", jumpedAt8, jumpedAt8}};
        for (const auto& [kind, said, saidWithTicks] : kinds) {
            QTest::addRow("%s", kind) << QString(kind) << said << false;
            QTest::addRow("%s, ticks", kind) << QString(kind) << saidWithTicks << true;
        }
    }
    void untrustedTimesNeverSet()
    {
        QFETCH(QString, kind);
        QFETCH(QString, said);
        QFETCH(bool, bTicks);
        Apply(2);
        w->receiverTimeCheck.Forget();  // the clock work's first second came from no message
        w->setPcClockDialog->bOverrideTraim = w->setPcClockDialog->bOverrideIntegrity = true;
        PcTime::SetFixedUtc(Utc(17, 0, 0));
        std::fill(std::begin(w->bPpsAwaitingTime), std::end(w->bPpsAwaitingTime), false);
        const bool bUbx = kind.startsWith("UBX");
        const bool bOutOfRange = kind.endsWith("0089") || (kind.endsWith("day 0") && bUbx);
        const bool bJumps = kind.endsWith("jumps");
        for (int second = 0; second < 12; ++second) {
            const bool bBad = second >= 2 && second < 10;
            const int year = bBad && kind.endsWith("0089") ? 89 : 2024;
            const int month = bBad && kind.endsWith("13") ? 13 : 3;
            const int day = !bBad ? 1 : kind.endsWith("day 0") ? 0 : bJumps ? 2 - second % 2 : 1;
            // Each second 60 in a minute of its own, or the sentence filter would drop the repeats.
            const int minute = bBad && kind.endsWith("60") ? second : 0;
            const int sent = bBad && kind.endsWith("60") ? 60 : second;
            steadyMs = second * 1000;
            if (bTicks)
                w->OnClockTick();
            if (bBad && (bOutOfRange || (bUbx && sent == 60)))
                QTest::ignoreMessage(QtDebugMsg, bUbx ? "WARNING: Illegal date or time decoding NAV-TIMEUTC."
                                                      : "WARNING: Illegal date or time decoding GPZDA.");
            if (bUbx)
                w->DecodeUbxMessage(UbxTimeUtc(year, month, day, 12, minute, sent));
            else
                QCOMPARE(w->DecodeNmeaSentence(Sentence(
                             QString::asprintf("$GPZDA,12%02d%02d.00,%02d,%02d,%04d,00,00", minute, sent, day, month, year).toLatin1())),
                         !bBad || bOutOfRange || bJumps);
            if (!bBad || bOutOfRange)
                QCOMPARE(w->CurrentLogClock(), Utc(12, 0, second + 1));
            // A day-1 time between the jumps follows the run again: the note is looked at
            // when the last jump has been judged, a second later with ticks.
            if (second == 9 - int(bJumps && !bTicks))
                QCOMPARE(Said(), said);
        }
        if (bTicks)
            w->OnClockTick();
        QCOMPARE(Said(), QString());
        // A time follows from the second one on; a tick sets the clock to the second after
        // the message before it.
        QList<QDateTime> sets;
        for (int second : {1, 3, 5, 7, 9, 10, 11}) {
            if (bJumps || second < 2 || second > 9)
                sets << Utc(12, 0, second + int(bTicks));
        }
        QCOMPARE(FakeSystemClock::Get().setTimes, sets);
    }

    // A receiver that speaks every 5 s is followed, within less than a second of the
    // steady clock either way; a time a whole second off is not, nor is the first after
    // Forget.
    void receiverTimesFollowEachOther()
    {
        ReceiverTimeCheck check;
        check.clockMs = [this] { return steadyMs; };
        const QList<std::tuple<qint64, int, bool>> rows = {{0, 0, false},     {5000, 5, true},  {10500, 10, true},
                                                           {15000, 15, true}, {21000, 20, false}, {25999, 25, true}};
        for (const auto& [ms, second, bFollows] : rows) {
            steadyMs = ms;
            QVERIFY2(check.Take(Utc(12, 0, second)) == bFollows, qPrintable(QString::number(ms)));
        }
        check.Forget();
        QVERIFY(!check.Take(Utc(12, 0, 31)) && check.JumpText().isEmpty());
    }

    // Another mode: the receiver clock starts again from the PC's own time, and the
    // previous receiver's last time must not make that look like a fresh one.
    void noSetFromThePcTimeAfterAPortChange()
    {
        Apply(2);
        QTest::ignoreMessage(QtDebugMsg, "Time Set OK");
        QCOMPARE(Second(Utc(12, 0, 1)), 1);
        PcTime::SetFixedUtc(Utc(12, 0, 2));
        ModalWatcher watcher;
        watcher.SetDialogHandler([](QDialog* d) {
            Child<QComboBox>(d, "GpsModeList")->setCurrentText("Generic NMEA");
            Click(d, "OK");
        });
        w->ui->actionSet_GPS_Receiver_Interface->trigger();
        QCOMPARE(w->gpsPortThread.GetPortMode(), int(GpsPortModeGenericNmea));
        // A tick on the start-up time, then the new receiver's first time, which does not
        // follow the old one's last: nothing is set from it, nor said of it as a jump.
        w->bPpsAwaitingTime[0] = true;
        w->LogStatusRecord();
        QVERIFY(w->DecodeNmeaSentence(Sentence("$GPZDA,120009.00,01,03,2024,00,00")));
        QCOMPARE(Said(), QString());
        QCOMPARE(Second(w->receiverTime.dateTime, 700), 0);
        QCOMPARE(qint64(w->pcClockOffsetMs.value_or(-1)), qint64(700));
    }

    // A clock that cannot be set is a note for as long as it cannot, said once in the
    // debug log; a status tip passes over it, and the next set that succeeds ends it.
    void failedSetIsReportedOnce()
    {
        Apply(2);
        FakeSystemClock::Get().setError = 1;
        const QString text = QStringLiteral("Failed to set the PC clock: Fake clock error 1");
        const auto note = [this] { return w->clockSetLabel->isHidden() ? QString() : w->clockSetLabel->toolTip(); };
        QTest::ignoreMessage(QtDebugMsg, qPrintable(text));
        QCOMPARE(Second(Utc(12, 0, 1)), 1);
        QCOMPARE(note(), text);
        w->ui->actionUTC->showStatusText(w.get());
        w->statusBar()->clearMessage();
        QCOMPARE(Second(Utc(12, 0, 2)), 1);
        QVERIFY(note() == text && w->statusBar()->currentMessage() == "For Help, press F1" && !w->bPcClockWasSet);
        FakeSystemClock::Get().setError = 0;
        QTest::ignoreMessage(QtDebugMsg, "Time Set OK");
        QCOMPARE(Second(Utc(12, 0, 3)), 1);
        QVERIFY(note().isEmpty() && w->bPcClockWasSet);
    }

    // The error rule alone needs the right too; a refusal over the main window says once
    // how to grant it to this very program, and turns synchronisation off.
    void errorRuleAsksForTheRight()
    {
        Sync("Time Sync Delta", true);
        FakeSystemClock::Get().privilegeError = 1;
        ModalWatcher watcher;
        w->ApplyPcClockSyncSettings();
        QVERIFY(FakeSystemClock::Get().privilegeRequests == 1 && watcher.boxes.size() == 1 && SyncMode() == 0);
        QCOMPARE(Second(Utc(12, 0, 1), 5000) + Second(Utc(12, 0, 2), 5000), 0);
        const ModalWatcher::Box& box = watcher.boxes[0];
        const QString path = QCoreApplication::applicationFilePath().toHtmlEscaped();
        QVERIFY(box.parent == w.get() && box.text.contains("CAP_SYS_TIME"));
        QVERIFY2(box.text.contains("sudo setcap cap_sys_time+ep " + path), qPrintable(box.text));
    }

    // A stored mode of 9 opens as Disable and is stored as 0; a stored limit beyond 999
    // shows as 0. Each word is typed and left in turn: 0 and 1000 turn the rule off,
    // letters keep the limit.
    void dialogRepairsAndCommitsTheLimit()
    {
        const QList<std::tuple<QString, bool, int>> rows = {
            {"0", false, 1}, {"1000", false, 1}, {"250", true, 250}, {"250 abc", true, 250}};
        for (const auto& [typed, bOn, ms] : rows) {
            Sync("Time Sync Mode", 9);
            Sync("Time Sync Delta", true);
            Sync("Time Sync Delta Msec", 1500);
            SetPcClockDialog dialog;
            QLineEdit* field = Child<QLineEdit>(&dialog, "IDC_CLOCK_SYNC_DELTA_MS");
            QVERIFY(Child<QRadioButton>(&dialog, "IDC_CLOCK_SYNC_DISABLE")->isChecked() && SyncMode() == 0 && field->text() == "0");
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
        QCOMPARE(QString::asprintf("%s %d %lld %d", qPrintable(QSettings().value("SetPcClockDialog/Time SyncMax Units").toString()),
                                   w->pcSyncMode, qint64(w->pcSyncMaxInterval), FakeSystemClock::Get().privilegeRequests),
                 "1 3 120 1");
    }

    // The 8-channel recording (1024 weeks short) with a tick before each second's messages
    // and the PC clock 250 ms ahead: built on its day, every tick after the first time message
    // sets the clock to its second; built now, none does, and a note says so until the date
    // is plausible again (in the debug log as it begins). The PC-U clock shows the error
    // either way.
    void motorolaReplay_data()
    {
        QTest::addColumn<QDate>("builtOn");  // invalid: the day this build wrote
        QTest::newRow("built on its day") << QDate(2000, 8, 25);
        QTest::newRow("this build") << QDate();
    }

    void motorolaReplay()
    {
        QFETCH(QDate, builtOn);
        BuildDate::SetDay(builtOn);
        QVERIFY(BuildDate::Day() >= QDate(2000, 8, 25) && BuildDate::Day() <= QDate::currentDate());
        QByteArray stream;
        READ_CAPTURE(QStringLiteral("oncore-binary.log"), stream);
        stream = stream.mid(stream.indexOf("@@"));
        w->ui->actionPC_U->trigger();
        Sync("Time Sync Mode", 2);
        w->ApplyPcClockSyncSettings();
        w->setPcClockDialog->bOverrideIntegrity = true;  // a dozen fixes give no lock
        QList<QDateTime> ticks;
        // The steady clock moves on a second a tick, from the recording's first second.
        steadyMs = QDateTime(QDate(2000, 8, 25), QTime(4, 49, 59), Qt::UTC).toMSecsSinceEpoch();
        const auto tick = [&] {
            steadyMs += 1000;
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
        QVERIFY(ticks.size() == 13 && ticks[1] == QDateTime(QDate(2000, 8, 25), QTime(4, 50, 1), Qt::UTC));
        const bool bBuiltBefore = builtOn.isValid();
        // The first time follows none before it: the clock is set from the second on.
        QCOMPARE(FakeSystemClock::Get().setTimes, bBuiltBefore ? ticks.mid(2) : QList<QDateTime>());
        const QString note = "GPS week rollover? PC clock not set: receiver date 25-Aug-2000 is before this "
                             "program's build date " + QLocale::c().toString(BuildDate::Day(), "dd-MMM-yyyy");
        QCOMPARE(Said(), bBuiltBefore ? QString() : note);
        w->ApplyPcClockSyncSettings();
        QCOMPARE(Second(ticks.last().addSecs(1)), bBuiltBefore ? 1 : 0);
        QCOMPARE(Second(QDateTime(BuildDate::Day().addDays(1), QTime(12, 0), Qt::UTC)), 1);
        QCOMPARE(Said(), QString());
        QCOMPARE(rolloverLines, bBuiltBefore ? 0 : 1);
        QCOMPARE(w->statusBar()->currentMessage(), QString("For Help, press F1"));
    }
};

HORALUX_TEST(TestCoaxDialog);
HORALUX_TEST(TestTimingDialog);
HORALUX_TEST(TestPcClock);
#include "tst_timingdialog.moc"
