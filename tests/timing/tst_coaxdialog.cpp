#include "coaxdialog.h"
#include "modalwatcher.h"
#include "testsupport.h"
#include "timingdialogtests.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>

namespace {

const QString kGroup = QStringLiteral("Antenna Coax Calculator");

void StoreRun(int run, const QString& length, const QString& unit, const QString& cable)
{
    QSettings settings;
    const QString n = QString::number(run);
    settings.setValue(kGroup + "/dLength_" + n, length);
    settings.setValue(kGroup + "/Dimension_" + n, unit);
    settings.setValue(kGroup + "/VelocityFactor_" + n, cable);
}

QString Text(QObject* dialog, const char* name)
{
    return Child<QLineEdit>(dialog, name)->text();
}

}  // namespace

class TestCoaxDialog : public QObject
{
    Q_OBJECT

private slots:
    void init() { TestSupport::ClearSettings(); }

    void velocityFactorTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("factor");
        QTest::newRow("bare fraction") << ".66" << 0.66;
        QTest::newRow("signed number") << "+0.66" << 0.66;
        QTest::newRow("name in lower case") << "rg-58/u" << 0.66;
        QTest::newRow("leading blank is no name") << " LMR-400" << 0.0;
        QTest::newRow("fraction inside a number") << "1.5" << 0.5;
        QTest::newRow("one point nought") << "1.0" << 0.0;
        QTest::newRow("zero") << "0.0" << 0.0;
        QTest::newRow("list item by its number") << "0.700 RG-8X/Marine" << 0.70;
        QTest::newRow("mixed-case name") << "rG-8x/MARINE" << 0.70;
        QTest::newRow("number-like name") << "9913" << 0.84;
        QTest::newRow("empty item") << "" << 0.0;
    }
    void velocityFactorTexts()
    {
        QFETCH(QString, text);
        QFETCH(double, factor);
        QCOMPARE(CoaxDialog::VelocityFactorOf(text), factor);
    }

    void workedDelays_data()
    {
        QTest::addColumn<QStringList>("run1");
        QTest::addColumn<QStringList>("run2");
        QTest::addColumn<QStringList>("shown");  // delay 1, delay 2, total
        QTest::newRow("feet") << QStringList{"100", "Feet", "LMR-400"} << QStringList{"100", "Feet", "RG-58/U"}
                              << QStringList{"119", "153", "273"};
        QTest::newRow("metres, rounded up and down")
            << QStringList{"1", "Meters", "LMR-240"} << QStringList{"2", "Meters", "LMR-240"}
            << QStringList{"4", "7", "11"};
        QTest::newRow("total of the tenths")
            << QStringList{"30", "Meters", "RG-58/U"} << QStringList{"30", "Meters", "RG-58/U"}
            << QStringList{"151", "151", "303"};
        QTest::newRow("unknown cable adds nothing")
            << QStringList{"50", "Meters", "coax"} << QStringList{"30", "Meters", "0.66"}
            << QStringList{"0", "151", "151"};
        QTest::newRow("tiny factor stays in range")
            << QStringList{"9999", "Meters", ".0000001"} << QStringList{"0", "Feet", "LMR-240"}
            << QStringList{"214748364", "0", "214748364"};
    }
    void workedDelays()
    {
        QFETCH(QStringList, run1);
        QFETCH(QStringList, run2);
        QFETCH(QStringList, shown);
        StoreRun(1, run1[0], run1[1], run1[2]);
        StoreRun(2, run2[0], run2[1], run2[2]);
        CoaxDialog dialog;
        dialog.settingsGroup = kGroup;
        QStringList seen;
        QCOMPARE(ExecWith(dialog,
                          [&] {
                              seen = {Text(&dialog, "IDC_DC_DELAY1"), Text(&dialog, "IDC_DC_DELAY2"),
                                      Text(&dialog, "IDC_DC_TOTAL_DELAY")};
                              Click(&dialog, "OK");
                          }),
                 1);
        QCOMPARE(seen, shown);
        QCOMPARE(dialog.totalDelayNs, shown[2].toDouble());
    }

    void choosingAnotherUnitOrCableRecalculates()
    {
        StoreRun(1, "100", "Meters", "LMR-400");
        CoaxDialog dialog;
        dialog.settingsGroup = kGroup;
        ExecWith(dialog, [&] {
            Child<QComboBox>(&dialog, "IDC_DC_LEN_DIM1")->setCurrentIndex(0);  // Feet
            QCOMPARE(Text(&dialog, "IDC_DC_DELAY1"), "119");
            Child<QComboBox>(&dialog, "IDC_DC_VF1")->setCurrentText("RG-58/U");
            QCOMPARE(Text(&dialog, "IDC_DC_TOTAL_DELAY"), "153");
            Click(&dialog, "CANCEL");
        });
        QCOMPARE(QSettings().value(kGroup + "/Dimension_1").toString(), "Meters");  // Cancel keeps the store
        QVERIFY(QSettings().contains(kGroup + "/geometry"));
    }

    void lengthChecksAndAnInvalidFieldAtOk()
    {
        ModalWatcher watcher;
        CoaxDialog dialog;
        dialog.settingsGroup = kGroup;
        auto* length1 = Child<QLineEdit>(&dialog, "IDC_DC_LENGTH1");
        auto* ok = Child<QPushButton>(&dialog, "OK");
        QCOMPARE(ExecWith(dialog,
                          [&] {
                              // First use: nothing stored.
                              QCOMPARE(length1->text(), "0");
                              QCOMPARE(Child<QComboBox>(&dialog, "IDC_DC_LEN_DIM2")->currentText(), "Feet");
                              QCOMPARE(Child<QComboBox>(&dialog, "IDC_DC_VF2")->currentText(), "LMR-240");
                              QCOMPARE(Text(&dialog, "IDC_DC_TOTAL_DELAY"), "0");

                              Type(&dialog, "IDC_DC_LENGTH1", "");
                              QCOMPARE(length1->styleSheet(), "color:red");
                              QVERIFY(!ok->isEnabled());
                              emit length1->editingFinished();
                              QVERIFY(watcher.boxes.isEmpty());

                              Type(&dialog, "IDC_DC_LENGTH1", "10000");
                              emit length1->editingFinished();
                              Type(&dialog, "IDC_DC_LENGTH1", "12.5");
                              QVERIFY(!ok->isEnabled());
                              Type(&dialog, "IDC_DC_LENGTH2", "10");
                              QVERIFY(ok->isEnabled());
                              QCOMPARE(Text(&dialog, "IDC_DC_DELAY1"), "15");  // 12.5 ft already counts
                              ok->click();
                          }),
                 1);
        QCOMPARE(watcher.boxes.size(), 2);
        QCOMPARE(watcher.boxes[0].title, "Numeric Error");
        QCOMPARE(watcher.boxes[0].text, "Field is out of range.\nMust be between 0 and 9999");
        QCOMPARE(watcher.boxes[1].title, "Error");
        QCOMPARE(watcher.boxes[1].text, "Extraineous characters in the field.");
        QCOMPARE(QSettings().value(kGroup + "/dLength_1").toDouble(), 12.5);
        ExecWith(dialog, [&] {
            QCOMPARE(length1->text(), "12");
            dialog.reject();
        });
    }
};

HORALUX_TEST(TestCoaxDialog);
#include "tst_coaxdialog.moc"
