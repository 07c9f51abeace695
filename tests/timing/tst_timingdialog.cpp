#include "coaxdialog.h"
#include "modalwatcher.h"
#include "testsupport.h"
#include "timingdialog.h"
#include "timingdialogtests.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTest>

namespace {

void Store(const QString& key, const QVariant& value)
{
    QSettings().setValue(QStringLiteral("TimingDialog/") + key, value);
}

QString Stored(const QString& key)
{
    return QSettings().value(QStringLiteral("TimingDialog/") + key).toString();
}

QStringList Totals(QObject* dialog)
{
    return {Child<QLabel>(dialog, "IDC_TIMING_TOTAL_UDELAY")->text(),
            Child<QLabel>(dialog, "IDC_TIMING_TOTAL_EDELAY1")->text(),
            Child<QLabel>(dialog, "IDC_TIMING_TOTAL_EDELAY2")->text()};
}

}  // namespace

class TestTimingDialog : public QObject
{
    Q_OBJECT

private slots:
    void init() { TestSupport::ClearSettings(); }

    void totalsAsTheOperatorTypes_data()
    {
        QTest::addColumn<QStringList>("typed");  // epoch, fine, extra, antenna, measurement, receiver
        QTest::addColumn<QStringList>("totals");  // UTC correction, before the second, after it
        QTest::newRow("one ms late") << QStringList{"1", "0", "0", "0", "0", "55"}
                                     << QStringList{"55", "-999000", "1000"};
        QTest::newRow("all zero") << QStringList{"0", "0", "0", "0", "0", "0"} << QStringList{"0", "0", "1000000"};
        QTest::newRow("early only") << QStringList{"0", "0", "5", "0", "0", "55"}
                                    << QStringList{"55", "-5", "999995"};
        QTest::newRow("latest") << QStringList{"999", "999", "0", "0", "0", "55"}
                                << QStringList{"55", "-1", "999999"};
        QTest::newRow("half second") << QStringList{"500", "0", "0", "0", "0", "55"}
                                     << QStringList{"55", "-500000", "500000"};
        QTest::newRow("cables and receiver") << QStringList{"0", "0", "0", "12", "3", "55"}
                                             << QStringList{"70", "0", "1000000"};
    }
    void totalsAsTheOperatorTypes()
    {
        QFETCH(QStringList, typed);
        QFETCH(QStringList, totals);
        TimingDialog dialog;
        const char* fields[] = {"IDC_TIMING_EPOCH",     "IDC_TIMING_OFFSET",    "IDC_TIMING_EXTRA_DELAY",
                                "IDC_TIMING_ANT_CABLE", "IDC_TIMING_MES_CABLE", "IDC_TIMING_RCVR_DELAY"};
        QCOMPARE(ExecWith(dialog,
                          [&] {
                              for (int k = 0; k < 6; ++k)
                                  Type(&dialog, fields[k], typed[k]);
                              QCOMPARE(Totals(&dialog), totals);
                              Click(&dialog, "OK");
                          }),
                 1);
        QCOMPARE(dialog.utcCorrectionNs, totals[0].toDouble());
        QCOMPARE(dialog.ppsOffsetEarlyUs, totals[1].toDouble());
        QCOMPARE(dialog.ppsOffsetLateUs, totals[2].toDouble());
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
        QTest::newRow("text after") << "IDC_TIMING_ANT_CABLE" << "25ns" << false << "Error" << extra;
        QTest::newRow("decimal point") << "IDC_TIMING_OFFSET" << "25.5" << false << "Error" << extra;
        QTest::newRow("real range") << "IDC_TIMING_EXTRA_DELAY" << "1000" << false << "Numeric Error"
                                    << range + "0.000 and 999.999";
        QTest::newRow("T-RAIM above") << "IDC_TIMING_RAIM" << "1001" << false << "Numeric Error"
                                      << range + "250 and 1000";
        QTest::newRow("T-RAIM below") << "IDC_TIMING_RAIM" << "249" << false << "Numeric Error"
                                      << range + "250 and 1000";
        QTest::newRow("T-RAIM lowest") << "IDC_TIMING_RAIM" << "250" << true << "" << "";
        QTest::newRow("T-RAIM highest") << "IDC_TIMING_RAIM" << "1000" << true << "" << "";
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
        QCOMPARE(dialog.antennaCableDelayNs, 12.9);
        QCOMPARE(dialog.receiverDelayNs, 55.7);
        QCOMPARE(dialog.utcCorrectionNs, 67.0);
        QCOMPARE(dialog.ppsOffsetEarlyUs, -999000.0);
        QCOMPARE(dialog.ppsOffsetLateUs, 1000.0);
        QCOMPARE(dialog.traimLimitNs, 800.0);
        QCOMPARE(dialog.sawtoothMode, 3);

        QCOMPARE(ExecWith(dialog,
                          [&] {
                              QCOMPARE(Child<QLineEdit>(&dialog, "IDC_TIMING_RCVR_DELAY")->text(), "55");
                              QVERIFY(Child<QRadioButton>(&dialog, "IDC_SAWTOOTH_OFF")->isChecked());
                              QCOMPARE(Totals(&dialog), (QStringList{"67", "-999000", "1000"}));
                              Click(&dialog, "OK");
                          }),
                 1);
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
        QCOMPARE(ExecWith(dialog,
                          [&] {
                              Click(&dialog, "IDC_TIMING_DEFAULTS");
                              QCOMPARE(Child<QLineEdit>(&dialog, "IDC_TIMING_RCVR_DELAY")->text(), "55");
                              QCOMPARE(Totals(&dialog), (QStringList{"55", "0", "1000000"}));
                              Click(&dialog, "CANCEL");
                          }),
                 0);
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
        QSettings().setValue("Measurement Coax Calculator/dLength_1", 30);
        QSettings().setValue("Measurement Coax Calculator/Dimension_1", "Meters");
        QSettings().setValue("Measurement Coax Calculator/VelocityFactor_1", "RG-58/U");
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
            QCOMPARE(Totals(&dialog)[0], "151");
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

HORALUX_TEST(TestTimingDialog);
#include "tst_timingdialog.moc"
