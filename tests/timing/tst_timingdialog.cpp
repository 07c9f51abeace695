#include "../rxconfig/widgetlookup.h"
#include "coaxdialog.h"
#include "modalwatcher.h"
#include "testsupport.h"
#include "timingdialog.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {

// Types the text into a field the way an operator does: one textEdited per edit.
void Type(QObject* dialog, const char* name, const QString& text)
{
    auto* field = Child<QLineEdit>(dialog, name);
    field->setText(text);
    emit field->textEdited(text);
}

void Click(QObject* dialog, const char* name) { Child<QAbstractButton>(dialog, name)->click(); }

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

// Stores a run's length, unit and cable text.
void StoreRun(int run, const QStringList& values)
{
    QSettings settings;
    const QString n = QString::number(run);
    settings.setValue(kGroup + "/dLength_" + n, values[0]);
    settings.setValue(kGroup + "/Dimension_" + n, values[1]);
    settings.setValue(kGroup + "/VelocityFactor_" + n, values[2]);
}

QString Text(QObject* dialog, const char* name) { return Child<QLineEdit>(dialog, name)->text(); }
void Store(const QString& key, const QVariant& value) { QSettings().setValue("TimingDialog/" + key, value); }
QString Stored(const QString& key) { return QSettings().value("TimingDialog/" + key).toString(); }

// UTC correction|before the second|after it, as shown.
QString Totals(QObject* dialog)
{
    return QStringList{Child<QLabel>(dialog, "IDC_TIMING_TOTAL_UDELAY")->text(),
                       Child<QLabel>(dialog, "IDC_TIMING_TOTAL_EDELAY1")->text(),
                       Child<QLabel>(dialog, "IDC_TIMING_TOTAL_EDELAY2")->text()}
        .join('|');
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
        // Each run: length|unit|cable; shown: delay 1|delay 2|total.
        QTest::addColumn<QString>("run1");
        QTest::addColumn<QString>("run2");
        QTest::addColumn<QString>("shown");
        QTest::newRow("feet") << "100|Feet|LMR-400" << "100|Feet|RG-58/U" << "119|153|273";
        QTest::newRow("metres, rounded up and down") << "1|Meters|LMR-240" << "2|Meters|LMR-240" << "4|7|11";
        QTest::newRow("total of the tenths") << "30|Meters|RG-58/U" << "30|Meters|RG-58/U" << "151|151|303";
        QTest::newRow("unknown cable adds nothing") << "50|Meters|coax" << "30|Meters|0.66" << "0|151|151";
        QTest::newRow("tiny factor stays in range") << "9999|Meters|.0000001" << "0|Feet|LMR-240"
                                                    << "214748364|0|214748364";
    }
    void workedDelays()
    {
        QFETCH(QString, run1);
        QFETCH(QString, run2);
        QFETCH(QString, shown);
        StoreRun(1, run1.split('|'));
        StoreRun(2, run2.split('|'));
        CoaxDialog dialog;
        dialog.settingsGroup = kGroup;
        QStringList seen;
        QCOMPARE(ExecWith(dialog, [&] {
            seen = QStringList{Text(&dialog, "IDC_DC_DELAY1"), Text(&dialog, "IDC_DC_DELAY2"),
                               Text(&dialog, "IDC_DC_TOTAL_DELAY")};
            Click(&dialog, "OK");
        }), 1);
        QCOMPARE(seen.join('|'), shown);
        QCOMPARE(dialog.totalDelayNs, shown.split('|')[2].toDouble());
    }

    void lengthChecksAndAnInvalidFieldAtOk()
    {
        ModalWatcher watcher;
        CoaxDialog dialog;
        dialog.settingsGroup = kGroup;
        auto* length1 = Child<QLineEdit>(&dialog, "IDC_DC_LENGTH1");
        auto* ok = Child<QPushButton>(&dialog, "OK");
        QCOMPARE(ExecWith(dialog, [&] {
            QCOMPARE(Text(&dialog, "IDC_DC_TOTAL_DELAY"), "0");  // first use: nothing stored
            Type(&dialog, "IDC_DC_LENGTH1", "");
            QCOMPARE(length1->styleSheet(), "color:red");
            QVERIFY(!ok->isEnabled());
            emit length1->editingFinished();
            QVERIFY(watcher.boxes.isEmpty());
            Type(&dialog, "IDC_DC_LENGTH1", "10000");
            emit length1->editingFinished();
            Type(&dialog, "IDC_DC_LENGTH1", "12.5");
            Type(&dialog, "IDC_DC_LENGTH2", "10");
            QVERIFY(ok->isEnabled());
            QCOMPARE(Text(&dialog, "IDC_DC_DELAY1"), "15");  // 12.5 ft already counts
            Child<QComboBox>(&dialog, "IDC_DC_LEN_DIM1")->setCurrentIndex(1);  // another unit or cable recalculates
            QCOMPARE(Text(&dialog, "IDC_DC_DELAY1"), "49");
            Child<QComboBox>(&dialog, "IDC_DC_VF1")->setCurrentText("RG-58/U");
            QCOMPARE(Text(&dialog, "IDC_DC_DELAY1") + "|" + Text(&dialog, "IDC_DC_TOTAL_DELAY"), "63|75");
            ok->click();
        }), 1);
        QCOMPARE(watcher.boxes.size(), 2);
        QCOMPARE(watcher.boxes[0].text, "Field is out of range.\nMust be between 0 and 9999");
        QCOMPARE(watcher.boxes[1].text, "Extraineous characters in the field.");
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
        QTest::addColumn<QString>("typed");   // epoch|fine|extra|antenna|measurement|receiver
        QTest::addColumn<QString>("totals");  // UTC correction|before the second|after it
        QTest::newRow("one ms late") << "1|0|0|0|0|55" << "55|-999000|1000";
        QTest::newRow("all zero") << "0|0|0|0|0|0" << "0|0|1000000";
        QTest::newRow("early only") << "0|0|5|0|0|55" << "55|-5|999995";
        QTest::newRow("latest") << "999|999|0|0|0|55" << "55|-1|999999";
        QTest::newRow("half second") << "500|0|0|0|0|55" << "55|-500000|500000";
        QTest::newRow("cables and receiver") << "0|0|0|12|3|55" << "70|0|1000000";
    }
    void totalsAsTheOperatorTypes()
    {
        QFETCH(QString, typed);
        QFETCH(QString, totals);
        TimingDialog dialog;
        const char* fields[] = {"IDC_TIMING_EPOCH",     "IDC_TIMING_OFFSET",    "IDC_TIMING_EXTRA_DELAY",
                                "IDC_TIMING_ANT_CABLE", "IDC_TIMING_MES_CABLE", "IDC_TIMING_RCVR_DELAY"};
        QCOMPARE(ExecWith(dialog, [&] {
            for (int k = 0; k < 6; ++k)
                Type(&dialog, fields[k], typed.split('|')[k]);
            QCOMPARE(Totals(&dialog), totals);
            Click(&dialog, "OK");
        }), 1);
        const QStringList shown = totals.split('|');
        QCOMPARE(dialog.utcCorrectionNs, shown[0].toDouble());
        QCOMPARE(dialog.ppsOffsetEarlyUs, shown[1].toDouble());
        QCOMPARE(dialog.ppsOffsetLateUs, shown[2].toDouble());
    }

    void fieldChecks_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("title");  // of the box on leaving the field; empty for none
        QTest::addColumn<QString>("message");
        const QString range = QStringLiteral("Field is out of range.\nMust be between ");
        const QString extra = QStringLiteral("Extraineous characters in the field.");
        QTest::newRow("plus sign") << "IDC_TIMING_EPOCH" << "+25" << true << "" << "";
        QTest::newRow("blanks around") << "IDC_TIMING_EPOCH" << " 25 " << true << "" << "";
        QTest::newRow("minus sign") << "IDC_TIMING_EPOCH" << "-25" << false << "Error" << extra;
        QTest::newRow("text before") << "IDC_TIMING_ANT_CABLE" << "abc25" << false << "Error" << extra;
        QTest::newRow("decimal point") << "IDC_TIMING_OFFSET" << "25.5" << false << "Error" << extra;
        QTest::newRow("real range") << "IDC_TIMING_EXTRA_DELAY" << "1000" << false << "Numeric Error"
                                    << range + "0.000 and 999.999";
        QTest::newRow("T-RAIM above") << "IDC_TIMING_RAIM" << "1001" << false << "Numeric Error"
                                      << range + "250 and 1000";
        QTest::newRow("T-RAIM lowest") << "IDC_TIMING_RAIM" << "250" << true << "" << "";
        QTest::newRow("empty") << "IDC_TIMING_RCVR_DELAY" << "" << false << "" << "";
        QTest::newRow("blanks") << "IDC_TIMING_RAIM" << "   " << false << "" << "";
    }
    void fieldChecks()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(QString, title);
        QFETCH(QString, message);
        ModalWatcher watcher;
        TimingDialog dialog;
        auto* edit = Child<QLineEdit>(&dialog, qPrintable(field));
        Type(&dialog, qPrintable(field), text);
        QCOMPARE(edit->styleSheet(), valid ? "color:black" : "color:red");
        QCOMPARE(Child<QPushButton>(&dialog, "OK")->isEnabled(), valid);
        emit edit->editingFinished();
        QCOMPARE(watcher.boxes.size(), title.isEmpty() ? 0 : 1);
        if (!title.isEmpty()) {
            QCOMPARE(watcher.boxes[0].title, title);
            QCOMPARE(watcher.boxes[0].text, message);
        }
    }

    void storedCorrectionsApplyFromTheStart()
    {
        Store("Antenna Cable Delay", 12.9);
        Store("Rx Delay", 55.7);
        Store("Epoch", 1);
        Store("T-Raim", 800.0);
        Store("Sawtooth Auto Correct", 7);
        TimingDialog dialog;
        // Before the dialog is ever opened: the totals of the whole numbers the fields show.
        QCOMPARE(dialog.receiverDelayNs, 55.7);
        QCOMPARE(dialog.utcCorrectionNs, 67.0);
        QCOMPARE(dialog.ppsOffsetEarlyUs, -999000.0);
        QCOMPARE(dialog.ppsOffsetLateUs, 1000.0);
        QCOMPARE(dialog.traimLimitNs, 800.0);
        QCOMPARE(dialog.sawtoothMode, 3);

        QCOMPARE(ExecWith(dialog, [&] {
            QCOMPARE(Child<QLineEdit>(&dialog, "IDC_TIMING_RCVR_DELAY")->text(), "55");
            QVERIFY(Child<QRadioButton>(&dialog, "IDC_SAWTOOTH_OFF")->isChecked());
            QCOMPARE(Totals(&dialog), "67|-999000|1000");
            Click(&dialog, "OK");
        }), 1);
        QCOMPARE(Stored("Rx Delay"), "55");
        QCOMPARE(Stored("Antenna Cable Delay"), "12");
        QCOMPARE(Stored("Sawtooth Auto Correct"), "3");
    }

    void defaultsThenCancelKeepTheStore()
    {
        Store("T-Raim", 800.0);
        Store("T-Raim Conditioned 1pps", true);
        Store("Sawtooth Auto Correct", 2);
        Store("Measurement Cable Delay", 40.0);
        TimingDialog dialog;
        QCOMPARE(ExecWith(dialog, [&] {
            Click(&dialog, "IDC_TIMING_DEFAULTS");
            QCOMPARE(Child<QLineEdit>(&dialog, "IDC_TIMING_RCVR_DELAY")->text(), "55");
            QCOMPARE(Totals(&dialog), "55|0|1000000");
            Click(&dialog, "CANCEL");
        }), 0);
        QCOMPARE(dialog.traimLimitNs, 500.0);
        QVERIFY(!dialog.bTraimKill1pps);
        QCOMPARE(dialog.sawtoothMode, 0);
        QCOMPARE(dialog.utcCorrectionNs, 95.0);  // totals change only on OK
        QCOMPARE(Stored("T-Raim"), "800");
        QCOMPARE(Stored("Sawtooth Auto Correct"), "2");
        QVERIFY(!QSettings().contains("TimingDialog/Epoch"));
        QVERIFY(QSettings().contains("TimingDialog/geometry"));
    }

    void onlyAChangedSawtoothModeRaisesTheFlag()
    {
        TimingDialog dialog;
        ExecWith(dialog, [&] { Click(&dialog, "OK"); });
        QVERIFY(!dialog.bSawtoothModeChanged);
        ExecWith(dialog, [&] {
            Click(&dialog, "IDC_SAWTOOTH_ADD");
            Click(&dialog, "OK");
        });
        QVERIFY(dialog.bSawtoothModeChanged);
        QCOMPARE(dialog.sawtoothMode, 1);
        dialog.bSawtoothModeChanged = false;
        ExecWith(dialog, [&] { Click(&dialog, "OK"); });
        QVERIFY(!dialog.bSawtoothModeChanged);
    }

    void coaxCalculatorFillsItsCableField()
    {
        QSettings settings;
        settings.setValue("Measurement Coax Calculator/dLength_1", 30);
        settings.setValue("Measurement Coax Calculator/Dimension_1", "Meters");
        settings.setValue("Measurement Coax Calculator/VelocityFactor_1", "RG-58/U");
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
            QCOMPARE(Child<QLineEdit>(&dialog, "IDC_TIMING_MES_CABLE")->text(), "151");
            QVERIFY(Totals(&dialog).startsWith("151|"));
            watcher.SetDialogHandler([&](QDialog* calculator) { Click(calculator, "CANCEL"); });
            Type(&dialog, "IDC_TIMING_ANT_CABLE", "7");
            Click(&dialog, "AntennaCableHelp");
            QCOMPARE(Child<QLineEdit>(&dialog, "IDC_TIMING_ANT_CABLE")->text(), "7");
            Click(&dialog, "CANCEL");
        });
        QCOMPARE(watcher.dialogs, (QStringList{"CoaxDialog", "CoaxDialog"}));
        QCOMPARE(dialog.findChildren<CoaxDialog*>().size(), 1);
    }
};

HORALUX_TEST(TestCoaxDialog);
HORALUX_TEST(TestTimingDialog);
#include "tst_timingdialog.moc"
