// The "Averaging Parameters" dialog over the live engine, and the averaging settings
// it loads, repairs and saves.

#include "averagingtests.h"
#include "gpsnavdialog.h"
#include "modalwatcher.h"
#include "utcdatetime.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

const QString kGroup = QStringLiteral("GpsNavDialog/Averaging Data/");

QString Stored(const QString& key)
{
    return QSettings().value(kGroup + key).toString();
}

template <class T = QLineEdit>
T* Child(const GpsNavDialog& dialog, const char* name)
{
    T* child = dialog.findChild<T*>(QLatin1String(name));
    if (!child)
        qFatal("no %s in the dialog", name);
    return child;
}

// Runs the dialog, lets act() work on it while it is open, then presses the button.
int RunDialog(GpsNavDialog& dialog, const std::function<void()>& act, const char* button)
{
    QTimer::singleShot(0, &dialog, [&] {
        act();
        Child<QPushButton>(dialog, button)->click();
    });
    return dialog.exec();
}

}  // namespace

class TestAveragingDialog : public QObject
{
    Q_OBJECT

private slots:
    void init() { StartAveragingTest(); }
    void cleanup() { EndAveragingTest(); }

    void emptyStoreGivesDefaultsAndWritesOnlyTheGeometry()
    {
        GpsNavDialog dialog;
        QCOMPARE(dialog.positionFilterLimit, 28800.0);
        QCOMPARE(dialog.rmsFilterLimit, 86400.0);
        QCOMPARE(dialog.timingFilterLimit, 28800.0);
        QCOMPARE(dialog.hdopWeight, 1.5);
        QCOMPARE(dialog.vdopWeight, 2.0);
        QCOMPARE(dialog.tdopWeight, 1.5);
        QVERIFY(dialog.bUseDopWeighting);
        QVERIFY(dialog.bRestartOnUnlock);
        QVERIFY(!dialog.bContinueOnRestart);
        QVERIFY(dialog.bRestartPending);  // continue is off: the averages restart
        QCOMPARE(dialog.size(), QSize(491, 480));

        QStringList shown;
        QCOMPARE(RunDialog(dialog, [&] {
                     for (const char* name : {"IDC_POS_FILTER_LIMIT", "IDC_RMS_FILTER_LIMIT", "IDC_TIMING_FILTER_LIMIT",
                                              "IDC_HDOP_WEIGHTING_VALUE", "IDC_VDOP_WEIGHTING_VALUE",
                                              "IDC_TDOP_WEIGHTING_VALUE"})
                         shown << Child(dialog, name)->text();
                     shown << QString::number(Child<QCheckBox>(dialog, "IDC_USE_DOP_WEIGHTING")->isChecked());
                 }, "CANCEL"),
                 0);
        QCOMPARE(shown, QStringList({"28800", "86400", "28800", "1.5", "2.0", "1.5", "1"}));
        QCOMPARE(QSettings().allKeys(), QStringList({"GpsNavDialog/geometry"}));
    }

    void storedValuesAreCheckedAndRepaired_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("storedAfter");
        QTest::newRow("limit 0") << "Position Weight Limit" << "0" << 28800.0 << "028800.0";
        QTest::newRow("limit at top") << "Position Weight Limit" << "999999" << 999999.0 << "999999";
        QTest::newRow("limit no number") << "RMS Weight Limit" << "12abc" << 86400.0 << "086400.0";
        QTest::newRow("limit infinite") << "Timing Weight Limit" << "inf" << 28800.0 << "028800.0";
        QTest::newRow("weight 150") << "HDOP Weight" << "150" << 1.5 << "01.5";
        QTest::newRow("weight 0") << "VDOP Weight" << "0" << 0.0 << "0";
        QTest::newRow("weight negative") << "TDOP Weight" << "-0.5" << 1.5 << "01.5";
    }

    void storedValuesAreCheckedAndRepaired()
    {
        QFETCH(QString, key);
        QFETCH(QString, stored);
        QFETCH(double, value);
        QFETCH(QString, storedAfter);
        QSettings().setValue(kGroup + key, stored);
        GpsNavDialog dialog;
        const std::pair<const char*, double> members[] = {
            {"Position Weight Limit", dialog.positionFilterLimit}, {"RMS Weight Limit", dialog.rmsFilterLimit},
            {"Timing Weight Limit", dialog.timingFilterLimit},     {"HDOP Weight", dialog.hdopWeight},
            {"VDOP Weight", dialog.vdopWeight},                    {"TDOP Weight", dialog.tdopWeight}};
        for (const auto& [name, member] : members) {
            if (key == QLatin1String(name))
                QCOMPARE(member, value);
        }
        QCOMPARE(Stored(key), storedAfter);
    }

    void resetButtonsActOnTheLiveEngine()
    {
        GpsNavDialog dialog;
        dialog.currentLat = 48.5;
        dialog.currentAltMsl = 300.0;
        dialog.positionFilterCount = dialog.altitudeFilterCount = 500.0;
        dialog.rmsFilterCount = dialog.timingFilterCount = 400.0;
        dialog.tsigma = 12.0;
        dialog.unlockCount = 7;
        dialog.errorTerms[AveragingEngine::North][AveragingEngine::RefAvg].meanSquare = 4.0;

        Child<QPushButton>(dialog, "IDC_RMS_FILTER_RESET")->click();
        QCOMPARE(dialog.rmsFilterCount, 1.0);
        QCOMPARE(dialog.errorTerms[AveragingEngine::North][AveragingEngine::RefAvg].meanSquare, 4.0);
        QCOMPARE(dialog.positionFilterCount, 500.0);
        Child<QPushButton>(dialog, "IDC_AVERAGING_RESET_ALL")->click();
        QCOMPARE(dialog.positionFilterCount, 1.0);
        QCOMPARE(dialog.altitudeFilterCount, 1.0);
        QCOMPARE(dialog.averagedLat, 48.5);
        QCOMPARE(dialog.averagedAltMsl, 300.0);
        QCOMPARE(dialog.timingFilterCount, 1.0);
        QCOMPARE(dialog.tsigmaAverage, 12.0);
        QCOMPARE(dialog.tsigmaMin, 12.0);
        QCOMPARE(dialog.unlockCount, 7);
        Child<QPushButton>(dialog, "IDC_UNLOCK_COUNTER_RESET")->click();
        QCOMPARE(dialog.unlockCount, 0);
    }

    // Defaults fills the shown fields and sets the two flags at once; Cancel keeps the
    // flags but changes no limit, weight or stored key.
    void defaultsThenCancel()
    {
        QSettings().setValue(kGroup + "Restart Averages On Startup", true);
        QSettings().setValue(kGroup + "Position Weight Limit", "000500.0");
        GpsNavDialog dialog;
        QVERIFY(dialog.bRestartOnUnlock);
        QString limitShown;
        QCOMPARE(RunDialog(dialog, [&] {
                     Child(dialog, "IDC_POS_FILTER_LIMIT")->setText("42");
                     Child<QPushButton>(dialog, "IDC_AVERAGING_DEFAULTS")->click();
                     limitShown = Child(dialog, "IDC_POS_FILTER_LIMIT")->text();
                 }, "CANCEL"),
                 0);
        QCOMPARE(limitShown, QStringLiteral("28800"));
        QVERIFY(!dialog.bRestartOnUnlock);
        QVERIFY(dialog.bContinueOnRestart);
        QCOMPARE(dialog.positionFilterLimit, 500.0);
        QCOMPARE(Stored("Position Weight Limit"), QStringLiteral("000500.0"));
    }

    void fieldChecks_data()
    {
        QTest::addColumn<bool>("integer");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("box");
        const QString range = QStringLiteral("Numeric Error|Field is out of range.\nMust be between 0 and 99999");
        const QString weightRange = QStringLiteral("Numeric Error|Field is out of range.\nMust be between 0 and 99.0");
        const QString stray = QStringLiteral("Error|Extraineous characters in the field.");
        QTest::newRow("blanks around") << true << " 42 " << true << "";
        QTest::newRow("limit 0") << true << "0" << true << "";
        QTest::newRow("limit top") << true << "99999" << true << "";
        QTest::newRow("limit over") << true << "100000" << false << range;
        QTest::newRow("letters after") << true << "12abc" << false << stray;
        QTest::newRow("letters before") << true << "abc12" << false << stray;
        QTest::newRow("minus") << true << "-5" << false << stray;
        QTest::newRow("empty") << true << "" << false << "";
        QTest::newRow("blank") << true << "   " << false << "";
        QTest::newRow("weight") << false << "1.5" << true << "";
        QTest::newRow("weight over") << false << "99.5" << false << weightRange;
        QTest::newRow("weight negative") << false << "-1" << false << weightRange;
        QTest::newRow("weight two points") << false << "1.5.2" << false << stray;
    }

    void fieldChecks()
    {
        QFETCH(bool, integer);
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(QString, box);
        GpsNavDialog dialog;
        ModalWatcher watcher;
        double value = -7.0;
        const bool result = integer ? dialog.ValidateIntegerField(text, &value, true)
                                    : dialog.ValidateFloatField(text, &value, true);
        QCOMPARE(result, valid);
        QStringList boxes;
        for (const auto& b : watcher.boxes)
            boxes << b.title + QLatin1Char('|') + b.text;
        QCOMPARE(boxes, box.isEmpty() ? QStringList() : QStringList(box));
        if (valid)
            QCOMPARE(value, text.trimmed().toDouble());

        // While typing the field turns red and OK follows the field edited last.
        QLineEdit* field = Child(dialog, integer ? "IDC_POS_FILTER_LIMIT" : "IDC_HDOP_WEIGHTING_VALUE");
        emit field->textEdited(text);
        QCOMPARE(field->styleSheet(), valid ? QStringLiteral("color:black") : QStringLiteral("color:red"));
        QCOMPARE(Child<QPushButton>(dialog, "OK")->isEnabled(), valid);
    }

    // OK stores every field, a refused one too (after its box), and the next load keeps
    // a limit that its own range allows.
    void okSavesEveryField()
    {
        GpsNavDialog dialog;
        ModalWatcher watcher;
        QCOMPARE(RunDialog(dialog, [&] {
                     Child(dialog, "IDC_POS_FILTER_LIMIT")->setText("100000");
                     Child(dialog, "IDC_VDOP_WEIGHTING_VALUE")->setText("3.5");
                     Child<QCheckBox>(dialog, "IDC_USE_DOP_WEIGHTING")->setChecked(false);
                     Child<QCheckBox>(dialog, "IDC_CONT_ON_PROG_RESTART")->setChecked(true);
                 }, "OK"),
                 1);
        QCOMPARE(watcher.boxes.size(), 1);
        QCOMPARE(Stored("Position Weight Limit"), QStringLiteral("100000.0"));
        QCOMPARE(Stored("VDOP Weight"), QStringLiteral("03.5"));
        QCOMPARE(QSettings().value(kGroup + "Use DOP Weighting").toBool(), false);
        QCOMPARE(QSettings().value(kGroup + "Restart Averages On Startup").toBool(), true);
        QVERIFY(!Stored("Averages - Position").isEmpty());
        GpsNavDialog next;
        QCOMPARE(next.positionFilterLimit, 100000.0);
        QVERIFY(next.bContinueOnRestart);
    }

    // DOP weighting is on from the first start: a fix with a poor HDOP moves the average
    // less than a good one.
    void dopWeightedAveragesFromTheStoredDefault()
    {
        GpsNavDialog dialog;
        dialog.SetSatellitesUsed(6);
        dialog.SetNavMode(3);
        UtcDateTime now;
        now.SetDateTime(QDateTime(QDate(2024, 7, 1), QTime(10, 0), Qt::UTC));
        dialog.UpdateLockStatus(0, now);
        const struct
        {
            double lat;
            double hdop;
        } fixes[] = {{48.0, 1.5}, {48.8, 3.0}, {49.1, 1.0}};
        for (const auto& fix : fixes) {
            dialog.SetDops(2.0, 2.0, fix.hdop, 2.0, 1.5);
            dialog.AddNavSample(fix.lat, 11.0, 500.0, 452.0, 0);
        }
        // Counters 2, 3 and 4; weights (1.5 / HDOP)^2 = 1, 0.25 and 2.25.
        const double second = (48.0 * 2.75 + 48.8 * 0.25) / 3.0;
        const double third = (second * 1.75 + 49.1 * 2.25) / 4.0;
        QVERIFY(std::abs(dialog.averagedLat - third) < 1e-12);
        QCOMPARE(dialog.positionFilterCount, 4.0);
    }
};

HORALUX_TEST(TestAveragingDialog);
#include "tst_averagingdialog.moc"
