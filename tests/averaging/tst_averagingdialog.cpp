// The "Averaging Parameters" dialog over the live engine, and the averaging settings
// and averages it loads, repairs and saves.

#include "averagingtests.h"
#include "gpsnavdialog.h"
#include "modalwatcher.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

class TestAveragingDialog : public QObject
{
    Q_OBJECT

private slots:
    void init() { StartAveragingTest(); }
    void cleanup() { EndAveragingTest(); }

    // Loading writes nothing but the geometry; Defaults fills the fields and sets the two
    // flags at once; Cancel keeps the flags but changes no limit, weight or stored key.
    void defaultsThenCancel()
    {
        Store("Position Weight Limit", "000500.0");
        GpsNavDialog dialog;
        QVERIFY(dialog.bUseDopWeighting && dialog.bRestartOnUnlock && !dialog.bContinueOnRestart);
        QVERIFY(dialog.bRestartPending);  // continue is off: the averages restart
        QCOMPARE(dialog.size(), QSize(491, 480));
        QStringList shown;
        const auto show = [&] {
            for (const char* name : {"IDC_POS_FILTER_LIMIT", "IDC_RMS_FILTER_LIMIT", "IDC_TIMING_FILTER_LIMIT",
                                     "IDC_HDOP_WEIGHTING_VALUE", "IDC_VDOP_WEIGHTING_VALUE", "IDC_TDOP_WEIGHTING_VALUE"})
                shown << Child<QLineEdit>(&dialog, name)->text();
            shown << QString::number(Child<QCheckBox>(&dialog, "IDC_USE_DOP_WEIGHTING")->isChecked());
        };
        QCOMPARE(RunDialog(dialog, [&] {
                     show();
                     Child<QLineEdit>(&dialog, "IDC_RMS_FILTER_LIMIT")->setText("42");
                     Child<QPushButton>(&dialog, "IDC_AVERAGING_DEFAULTS")->click();
                     show();
                 }, "CANCEL"),
                 0);
        QCOMPARE(shown, QStringList({"500", "86400", "28800", "1.5", "2.0", "1.5", "1", "28800", "86400", "28800",
                                     "1.5", "2.0", "1.5", "1"}));
        QVERIFY(!dialog.bRestartOnUnlock && dialog.bContinueOnRestart);
        QCOMPARE(dialog.positionFilterLimit, 500.0);
        QCOMPARE(QSettings().allKeys(),
                 QStringList({"GpsNavDialog/Averaging Data/Position Weight Limit", "GpsNavDialog/geometry"}));
        QCOMPARE(Stored("Position Weight Limit"), QStringLiteral("000500.0"));
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
        Store(key, stored);
        GpsNavDialog dialog;
        const QHash<QString, double> members = {
            {"Position Weight Limit", dialog.positionFilterLimit}, {"RMS Weight Limit", dialog.rmsFilterLimit},
            {"Timing Weight Limit", dialog.timingFilterLimit},     {"HDOP Weight", dialog.hdopWeight},
            {"VDOP Weight", dialog.vdopWeight},                    {"TDOP Weight", dialog.tdopWeight}};
        QCOMPARE(members.value(key), value);
        QCOMPARE(Stored(key), storedAfter);
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
        QCOMPARE(integer ? dialog.ValidateIntegerField(text, &value, true) : dialog.ValidateFloatField(text, &value, true),
                 valid);
        QStringList boxes;
        for (const auto& b : watcher.boxes)
            boxes << b.title + QLatin1Char('|') + b.text;
        QCOMPARE(boxes, box.isEmpty() ? QStringList() : QStringList(box));
        if (valid)
            QCOMPARE(value, text.trimmed().toDouble());
        // While typing the field turns red and OK follows the field edited last.
        auto* field = Child<QLineEdit>(&dialog, integer ? "IDC_POS_FILTER_LIMIT" : "IDC_HDOP_WEIGHTING_VALUE");
        emit field->textEdited(text);
        QCOMPARE(field->styleSheet(), valid ? QStringLiteral("color:black") : QStringLiteral("color:red"));
        QCOMPARE(Child<QPushButton>(&dialog, "OK")->isEnabled(), valid);
    }

    // OK stores every field, a refused one too (after its box), and the next load keeps
    // a limit that its own range allows.
    void okSavesEveryField()
    {
        GpsNavDialog dialog;
        ModalWatcher watcher;
        QCOMPARE(RunDialog(dialog, [&] {
                     Child<QLineEdit>(&dialog, "IDC_POS_FILTER_LIMIT")->setText("100000");
                     Child<QLineEdit>(&dialog, "IDC_VDOP_WEIGHTING_VALUE")->setText("3.5");
                     Child<QCheckBox>(&dialog, "IDC_USE_DOP_WEIGHTING")->setChecked(false);
                     Child<QCheckBox>(&dialog, "IDC_CONT_ON_PROG_RESTART")->setChecked(true);
                 }, "OK"),
                 1);
        QCOMPARE(watcher.boxes.size(), 1);
        QCOMPARE(Stored("Position Weight Limit"), QStringLiteral("100000.0"));
        QCOMPARE(Stored("VDOP Weight"), QStringLiteral("03.5"));
        QCOMPARE(Stored("Use DOP Weighting"), QStringLiteral("false"));
        QCOMPARE(Stored("Restart Averages On Startup"), QStringLiteral("true"));
        GpsNavDialog next;
        QCOMPARE(next.positionFilterLimit, 100000.0);
        QVERIFY(next.bContinueOnRestart);
    }

    void resetButtonsActOnTheLiveEngine()
    {
        GpsNavDialog dialog;
        dialog.currentLat = 48.5;
        dialog.currentAltMsl = 300.0;
        dialog.positionFilterCount = dialog.altitudeFilterCount = dialog.rmsFilterCount = 500.0;
        dialog.timingFilterCount = 400.0;
        dialog.tsigma = 12.0;
        dialog.unlockCount = 7;
        dialog.errorTerms[AveragingEngine::North][AveragingEngine::RefAvg].meanSquare = 4.0;
        Child<QPushButton>(&dialog, "IDC_RMS_FILTER_RESET")->click();
        QCOMPARE(dialog.rmsFilterCount, 1.0);
        QCOMPARE(dialog.errorTerms[AveragingEngine::North][AveragingEngine::RefAvg].meanSquare, 4.0);
        QCOMPARE(dialog.positionFilterCount, 500.0);
        Child<QPushButton>(&dialog, "IDC_AVERAGING_RESET_ALL")->click();
        QCOMPARE(dialog.positionFilterCount + dialog.altitudeFilterCount + dialog.timingFilterCount, 3.0);
        QCOMPARE(dialog.averagedLat, 48.5);
        QCOMPARE(dialog.averagedAltMsl, 300.0);
        QCOMPARE(dialog.tsigmaAverage, 12.0);
        QCOMPARE(dialog.tsigmaMin, 12.0);
        QCOMPARE(dialog.unlockCount, 7);
        Child<QPushButton>(&dialog, "IDC_UNLOCK_COUNTER_RESET")->click();
        QCOMPARE(dialog.unlockCount, 0);
    }

    // DOP weighting is on from the first start: a fix with a poor HDOP moves the average
    // less than a good one.
    void dopWeightedAveragesFromTheStoredDefault()
    {
        GpsNavDialog dialog;
        dialog.SetSatellitesUsed(6);
        dialog.SetNavMode(3);
        dialog.UpdateLockStatus(0, At(10, 0, 0));
        const std::pair<double, double> fixes[] = {{48.0, 1.5}, {48.8, 3.0}, {49.1, 1.0}};  // latitude, HDOP
        for (const auto& [lat, hdop] : fixes) {
            dialog.SetDops(2.0, 2.0, hdop, 2.0, 1.5);
            dialog.AddNavSample(lat, 11.0, 500.0, 452.0, 0);
        }
        // Counters 2, 3 and 4; weights (1.5 / HDOP)^2 = 1, 0.25 and 2.25.
        const double second = (48.0 * 2.75 + 48.8 * 0.25) / 3.0;
        QVERIFY(std::abs(dialog.averagedLat - (second * 1.75 + 49.1 * 2.25) / 4.0) < 1e-12);
        QCOMPARE(dialog.positionFilterCount, 4.0);
    }

    void averagesSurviveSaveAndLoad()
    {
        AveragingEngine saved;
        saved.averagedLat = 48.1466123456789;
        saved.averagedLon = -11.6083;
        saved.averagedAltMsl = -3.5;
        saved.positionFilterCount = 120.0;
        saved.altitudeFilterCount = 110.0;
        saved.timingFilterCount = 140.0;
        double square = 1.0;
        for (auto& component : saved.errorTerms) {
            for (auto& term : component) {
                term.meanSquare = square;
                term.rms = 99.0;
                square += 1.25;
            }
        }
        saved.SaveAverages();
        QCOMPARE(Stored("Averages - Weights"),
                 QStringLiteral("120.0000000000000000 110.0000000000000000 1.0000000000000000 140.0000000000000000"));
        // MSL before GPS altitude in the stored keys, unlike the table's columns.
        QCOMPARE(Stored("Averages - RMS Msl"),
                 QStringLiteral("16.0000000000000000 17.2500000000000000 18.5000000000000000"));
        QCOMPARE(Stored("Averages - RMS Alt"),
                 QStringLiteral("12.2500000000000000 13.5000000000000000 14.7500000000000000"));
        // What is loaded saves back to the same texts; the RMS values wait for the next step.
        const QStringList keys = QSettings().allKeys();
        QStringList texts;
        for (const QString& key : keys)
            texts << QSettings().value(key).toString();
        AveragingEngine loaded;
        loaded.LoadAverages();
        TestSupport::ClearSettings();
        loaded.SaveAverages();
        for (int k = 0; k < keys.size(); ++k)
            QCOMPARE(QSettings().value(keys[k]).toString(), texts[k]);
        QCOMPARE(keys.size(), 7);
        QCOMPARE(loaded.errorTerms[AveragingEngine::North][AveragingEngine::RefAvg].rms, 0.0);
    }

    void badStoredAveragesAndLimitsNeverGiveNan()
    {
        // A number glued to other text ("x9") is no number; missing numbers load as 0.
        Store("Averages - Position", "47.5 x9 -.5");
        Store("Averages - Weights", "-5 3");
        Store("Averages - RMS Lat", QStringLiteral("-4 9 ") + QString(400, QLatin1Char('9')));
        AveragingEngine engine;
        engine.LoadAverages();
        QCOMPARE(engine.averagedLat, 47.5);
        QCOMPARE(engine.averagedLon, -0.5);
        QCOMPARE(engine.averagedAltGps, 0.0);
        QCOMPARE(engine.positionFilterCount, 0.0);  // negative counts as 0
        QCOMPARE(engine.altitudeFilterCount, 3.0);
        using E = AveragingEngine;
        QCOMPARE(engine.errorTerms[E::North][E::RefAvg].meanSquare, 0.0);
        QCOMPARE(engine.errorTerms[E::North][E::AvgCur].meanSquare, 9.0);
        QCOMPARE(engine.errorTerms[E::North][E::RefCur].meanSquare, 0.0);  // overflow
        // Counters of 0 become 1 at the next step; limits of 0 keep them there.
        engine.SetSatellitesUsed(6);
        engine.SetNavMode(3);
        engine.UpdateLockStatus(0, QDateTime::currentDateTimeUtc());
        engine.positionFilterLimit = engine.rmsFilterLimit = engine.timingFilterLimit = 0.0;
        for (int i = 0; i < 3; ++i)
            engine.AddNavSample(48.0 + i, 11.0, 500.0 + i, 452.0, 0);
        QCOMPARE(engine.positionFilterCount, 1.0);
        QCOMPARE(engine.averagedLat, 50.0);  // counter 1: the latest fix
        QVERIFY(AllFinite(engine));
    }

    void dialogStartsAndOpensWithTheStoredAverages()
    {
        AveragingEngine saved;
        saved.averagedLat = 45.0;
        saved.positionFilterCount = 50.0;
        saved.SaveAverages();
        {
            GpsNavDialog first;  // "Restart Averages On Startup" reads false: a restart
            QCOMPARE(first.positionFilterCount, 1.0);
            QVERIFY(first.bRestartPending);
        }
        Store("Restart Averages On Startup", "true");
        GpsNavDialog dialog;
        QCOMPARE(dialog.positionFilterCount, 50.0);
        QVERIFY(!dialog.bRestartPending);
        // Opening puts the live averages back to the stored ones; OK stores them.
        dialog.averagedLat = 46.0;
        double reopened = 0.0;
        QCOMPARE(RunDialog(dialog, [&] { reopened = dialog.averagedLat, dialog.averagedLat = 14.0; }, "OK"), 1);
        QCOMPARE(reopened, 45.0);
        QVERIFY(Stored("Averages - Position").startsWith(QStringLiteral("14.0000000000000000 ")));
        // The first receiver set-up of a run reloads them, and restarts unless they
        // continue; a later one (a search again on the same port and mode) keeps the
        // running averages.
        dialog.averagedLat = 46.0;
        dialog.RestartAveraging();
        QCOMPARE(dialog.averagedLat, 14.0);
        Store("Restart Averages On Startup", "false");
        dialog.averagedLat = 46.0;
        dialog.RestartAveraging();
        QCOMPARE(dialog.averagedLat, 46.0);
        QCOMPARE(dialog.positionFilterCount, 50.0);
        QVERIFY(!dialog.bContinueOnRestart);

        // Another port or mode chosen before the first set-up of a run (the port would
        // not open): the stored averages may be another receiver's and stay stored.
        Store("Restart Averages On Startup", "true");
        GpsNavDialog changed;
        QCOMPARE(changed.averagedLat, 14.0);
        changed.RestartForAnotherReceiver();
        changed.RestartAveraging();
        QCOMPARE(changed.positionFilterCount, 1.0);
        QVERIFY(!changed.bAverageHeld && changed.bRestartPending);
    }

    void dialogRunsTheEngineAndShowsVisibleLabels()
    {
        GpsNavDialog dialog;
        auto* lockedSince = Child<QLabel>(&dialog, "IDC_LOCKED_SINCE");
        auto* accuracy = Child<QLabel>(&dialog, "IDC_TIME_ACCURACY_ESTIMATE");
        // Hidden: the engine runs but writes no widget.
        dialog.SetReceiverErrorTerms(10.0, 100.0);
        dialog.SetSatellitesUsed(4);
        dialog.SetNavMode(3);
        QCOMPARE(dialog.UpdateLockStatus(1, At(10, 0, 0)), 1);
        QCOMPARE(dialog.AddNavSample(48.1466, 11.6083, 560.0, 512.0, 0), QStringLiteral("JN58td.25"));
        QVERIFY(dialog.timeAccuracyText.startsWith(QStringLiteral("Tsigma 284 nsec")));
        QVERIFY(lockedSince->text().isEmpty() && accuracy->text().isEmpty());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.AddNavSample(48.0, 11.0, 500.0, 452.0, 0);
        QVERIFY(accuracy->text().startsWith(QStringLiteral("Tsigma ")));
        lockedSince->setText(QStringLiteral("before"));
        dialog.SetSatellitesUsed(2);
        QCOMPARE(dialog.UpdateLockStatus(1, At(10, 0, 1)), 0);
        QCOMPARE(Child<QLabel>(&dialog, "IDC_UNLOCK_COUNTER")->text(), QStringLiteral("1"));
        QVERIFY(lockedSince->text().isEmpty());
        dialog.SetSatellitesUsed(6);
        dialog.UpdateLockStatus(0, At(10, 0, 2));
        QCOMPARE(lockedSince->text(), QStringLiteral("01-Jul-2024 10:00:02 UTC"));
    }
};

HORALUX_TEST(TestAveragingDialog);
#include "tst_averagingdialog.moc"
