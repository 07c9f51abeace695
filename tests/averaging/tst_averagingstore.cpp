#include "averagingengine.h"
#include "averagingtests.h"
#include "gpsnavdialog.h"
#include "testsupport.h"
#include "utcdatetime.h"

#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>

namespace {

const QString kGroup = QStringLiteral("GpsNavDialog/Averaging Data/");

void Store(const QString& key, const QString& text)
{
    QSettings().setValue(kGroup + key, text);
}

QString Stored(const QString& key)
{
    return QSettings().value(kGroup + key).toString();
}

UtcDateTime At(int hour, int minute, int second)
{
    UtcDateTime time;
    time.SetDateTime(QDateTime(QDate(2024, 7, 1), QTime(hour, minute, second), Qt::UTC));
    return time;
}

}  // namespace

class TestAveragingStore : public QObject
{
    Q_OBJECT

private slots:
    void init() { StartAveragingTest(); }
    void cleanup() { EndAveragingTest(); }

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
        Store("Averages - Position", QStringLiteral("47.5 x9 -.5"));
        Store("Averages - Weights", QStringLiteral("-5 3"));
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
        engine.positionFilterLimit = 0.0;
        engine.rmsFilterLimit = 0.0;
        engine.timingFilterLimit = 0.0;
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
        Store("Restart Averages On Startup", QStringLiteral("true"));
        GpsNavDialog dialog;
        QCOMPARE(dialog.positionFilterCount, 50.0);
        QVERIFY(!dialog.bRestartPending);

        // Opening puts the live averages back to the stored ones; OK stores them.
        dialog.averagedLat = 46.0;
        double reopened = 0.0;
        QTimer::singleShot(0, &dialog, [&] {
            reopened = dialog.averagedLat;
            dialog.averagedLat = 14.0;
            dialog.findChild<QPushButton*>(QStringLiteral("OK"))->click();
        });
        QCOMPARE(dialog.exec(), 1);
        QCOMPARE(reopened, 45.0);
        QVERIFY(Stored("Averages - Position").startsWith(QStringLiteral("14.0000000000000000 ")));

        // Every receiver initialisation reloads them, and restarts unless they continue.
        dialog.averagedLat = 46.0;
        dialog.ReloadAveragingSettings();
        QCOMPARE(dialog.averagedLat, 14.0);
        Store("Restart Averages On Startup", QStringLiteral("false"));
        dialog.ReloadAveragingSettings();
        QCOMPARE(dialog.positionFilterCount, 1.0);
    }

    void dialogRunsTheEngineAndShowsVisibleLabels()
    {
        GpsNavDialog dialog;
        auto* lockedSince = dialog.findChild<QLabel*>(QStringLiteral("IDC_LOCKED_SINCE"));
        auto* unlocks = dialog.findChild<QLabel*>(QStringLiteral("IDC_UNLOCK_COUNTER"));
        auto* accuracy = dialog.findChild<QLabel*>(QStringLiteral("IDC_TIME_ACCURACY_ESTIMATE"));
        QVERIFY(lockedSince && unlocks && accuracy);

        // Hidden: the engine runs but writes no widget.
        dialog.SetTimingSigmas(10.0, 100.0);
        dialog.SetSatellitesUsed(4);
        dialog.SetNavMode(3);
        QCOMPARE(dialog.UpdateLockStatus(1, At(10, 0, 0)), 1);
        QCOMPARE(dialog.AddNavSample(48.1466, 11.6083, 560.0, 512.0, 0), QStringLiteral("JN58td.25"));
        QVERIFY(dialog.timeAccuracyText.startsWith(QStringLiteral("Tsigma 284 nsec")));
        QVERIFY(lockedSince->text().isEmpty());
        QVERIFY(accuracy->text().isEmpty());

        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.AddNavSample(48.0, 11.0, 500.0, 452.0, 0);
        QVERIFY(accuracy->text().startsWith(QStringLiteral("Tsigma ")));
        lockedSince->setText(QStringLiteral("before"));
        dialog.SetSatellitesUsed(2);
        QCOMPARE(dialog.UpdateLockStatus(1, At(10, 0, 1)), 0);
        QCOMPARE(unlocks->text(), QStringLiteral("1"));
        QVERIFY(lockedSince->text().isEmpty());
        dialog.SetSatellitesUsed(6);
        dialog.UpdateLockStatus(0, At(10, 0, 2));
        QCOMPARE(lockedSince->text(), QStringLiteral("01-Jul-2024 10:00:02 UTC"));
    }
};

HORALUX_TEST(TestAveragingStore);
#include "tst_averagingstore.moc"
