#include "averagingengine.h"
#include "averagingtests.h"
#include "gpsnavdialog.h"
#include "receiverinfo.h"
#include "testsupport.h"
#include "utcdatetime.h"

#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include <cmath>

namespace {

const QString kGroup = QStringLiteral("GpsNavDialog/Averaging Data/");

void Store(const QString& key, const QString& text)
{
    QSettings settings;
    settings.setValue(kGroup + key, text);
}

QString Stored(const QString& key)
{
    QSettings settings;
    return settings.value(kGroup + key).toString();
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

    void parseNumber()
    {
        QString text = QStringLiteral("  12.5 -3 +.25 7. x9 4");
        double value = -1.0;
        QVERIFY(AveragingEngine::ParseNumber(text, &value));
        QCOMPARE(value, 12.5);
        QVERIFY(AveragingEngine::ParseNumber(text, &value));
        QCOMPARE(value, -3.0);
        QVERIFY(AveragingEngine::ParseNumber(text, &value));
        QCOMPARE(value, 0.25);
        QVERIFY(AveragingEngine::ParseNumber(text, &value));
        QCOMPARE(value, 7.0);
        // A number glued to other text is no number; the next one after a blank is.
        QVERIFY(AveragingEngine::ParseNumber(text, &value));
        QCOMPARE(value, 4.0);
        QVERIFY(!AveragingEngine::ParseNumber(text, &value));
        QCOMPARE(value, 0.0);

        text = QStringLiteral("abc");
        value = 5.0;
        QVERIFY(!AveragingEngine::ParseNumber(text, &value));
        QCOMPARE(value, 0.0);
    }

    void averagesSurviveSaveAndLoad()
    {
        AveragingEngine saved;
        saved.averagedLat = 48.1466123456789;
        saved.averagedLon = -11.6083;
        saved.averagedAltGps = 512.25;
        saved.averagedAltMsl = -3.5;
        saved.positionFilterCount = 120.0;
        saved.altitudeFilterCount = 110.0;
        saved.rmsFilterCount = 130.0;
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
                 QStringLiteral("120.0000000000000000 110.0000000000000000 130.0000000000000000 140.0000000000000000"));
        QCOMPARE(Stored("Averages - RMS Msl"),
                 QStringLiteral("16.0000000000000000 17.2500000000000000 18.5000000000000000"));
        QCOMPARE(Stored("Averages - RMS Alt"),
                 QStringLiteral("12.2500000000000000 13.5000000000000000 14.7500000000000000"));
        QVERIFY(Stored("Averages - Position").startsWith(QStringLiteral("48.1466123456789")));

        AveragingEngine loaded;
        loaded.LoadAverages();
        QCOMPARE(loaded.averagedLat, saved.averagedLat);
        QCOMPARE(loaded.averagedLon, saved.averagedLon);
        QCOMPARE(loaded.averagedAltGps, 512.25);
        QCOMPARE(loaded.averagedAltMsl, -3.5);
        QCOMPARE(loaded.positionFilterCount, 120.0);
        QCOMPARE(loaded.altitudeFilterCount, 110.0);
        QCOMPARE(loaded.rmsFilterCount, 130.0);
        QCOMPARE(loaded.timingFilterCount, 140.0);
        for (int c = 0; c < AveragingEngine::ComponentCount; ++c) {
            for (int p = 0; p < AveragingEngine::PairCount; ++p) {
                QCOMPARE(loaded.errorTerms[c][p].meanSquare, saved.errorTerms[c][p].meanSquare);
                QCOMPARE(loaded.errorTerms[c][p].rms, 0.0);  // recomputed by the next step
            }
        }
    }

    void badStoredAveragesLoadAsZero()
    {
        Store("Averages - Position", QStringLiteral("47.5 abc"));
        Store("Averages - Weights", QStringLiteral("-5 3"));
        Store("Averages - RMS Lat", QStringLiteral("-4 9 ") + QString(400, QLatin1Char('9')));
        AveragingEngine engine;
        engine.currentLat = 1.0;
        engine.LoadAverages();
        QCOMPARE(engine.averagedLat, 47.5);
        QCOMPARE(engine.averagedLon, 0.0);
        QCOMPARE(engine.positionFilterCount, 0.0);  // negative counts as 0
        QCOMPARE(engine.altitudeFilterCount, 3.0);
        QCOMPARE(engine.rmsFilterCount, 0.0);
        QCOMPARE(engine.timingFilterCount, 0.0);
        using E = AveragingEngine;
        QCOMPARE(engine.errorTerms[E::North][E::RefAvg].meanSquare, 0.0);
        QCOMPARE(engine.errorTerms[E::North][E::AvgCur].meanSquare, 9.0);
        QCOMPARE(engine.errorTerms[E::North][E::RefCur].meanSquare, 0.0);  // overflow

        // Counters of 0 become 1 at the next step, and nothing turns into NaN.
        engine.SetSatellitesUsed(6);
        engine.SetNavMode(3);
        engine.UpdateLockStatus(0, QDateTime::currentDateTimeUtc());
        engine.AddNavSample(48.0, 11.0, 500.0, 452.0, 0);
        QCOMPARE(engine.positionFilterCount, 1.0);
        QCOMPARE(engine.averagedLat, 48.0);
        for (const auto& component : engine.errorTerms) {
            for (const auto& term : component)
                QVERIFY(std::isfinite(term.rms));
        }
    }

    void dialogRestartsOrContinuesOnStart()
    {
        AveragingEngine saved;
        saved.averagedLat = 45.0;
        saved.positionFilterCount = 50.0;
        saved.SaveAverages();

        {
            GpsNavDialog dialog;  // first run: "Restart Averages On Startup" reads false
            QVERIFY(dialog.bRestartOnUnlock);
            QVERIFY(!dialog.bContinueOnRestart);
            QCOMPARE(dialog.averagedLat, 0.0);
            QCOMPARE(dialog.positionFilterCount, 1.0);
            QVERIFY(dialog.bRestartPending);
            QCOMPARE(dialog.timingVariance, 500000.0);
        }

        Store("Restart Averages On Startup", QStringLiteral("true"));
        GpsNavDialog dialog;
        QVERIFY(dialog.bContinueOnRestart);
        QCOMPARE(dialog.averagedLat, 45.0);
        QCOMPARE(dialog.positionFilterCount, 50.0);
        QVERIFY(!dialog.bRestartPending);

        // Every receiver initialisation goes back to the stored averages.
        dialog.averagedLat = 46.0;
        dialog.ReloadAveragingSettings();
        QCOMPARE(dialog.averagedLat, 45.0);
        Store("Restart Averages On Startup", QStringLiteral("false"));
        dialog.ReloadAveragingSettings();
        QCOMPARE(dialog.positionFilterCount, 1.0);
    }

    void dialogStepAndLock()
    {
        GpsNavDialog dialog;
        dialog.SetTimingSigmas(10.0, 100.0);
        QCOMPARE(dialog.timingVariance, 10100.0);
        dialog.SetSatellitesUsed(4);
        dialog.SetNavMode(3);
        QCOMPARE(dialog.UpdateLockStatus(1, At(1, 2, 3)), 1);
        QCOMPARE(dialog.AddNavSample(48.1466, 11.6083, 560.0, 512.0, 0), QStringLiteral("JN58td.25"));
        QVERIFY(dialog.timeAccuracyText.startsWith(QStringLiteral("Tsigma 284 nsec")));
        dialog.SetSatellitesUsed(2);
        QCOMPARE(dialog.UpdateLockStatus(1, At(1, 2, 4)), 0);
        QCOMPARE(dialog.unlockCount, 1);
    }

    void visibleLabelsFollowTheEngine()
    {
        GpsNavDialog dialog;
        auto* lockedSince = new QLabel(&dialog);
        lockedSince->setObjectName(QStringLiteral("IDC_LOCKED_SINCE"));
        auto* unlocks = new QLabel(&dialog);
        unlocks->setObjectName(QStringLiteral("IDC_UNLOCK_COUNTER"));
        auto* accuracy = new QLabel(&dialog);
        accuracy->setObjectName(QStringLiteral("IDC_TIME_ACCURACY_ESTIMATE"));
        for (QLabel* label : {lockedSince, unlocks, accuracy})
            dialog.layout()->addWidget(label);

        // Hidden: the engine runs but writes no widget.
        dialog.SetSatellitesUsed(5);
        dialog.UpdateLockStatus(0, At(10, 0, 0));
        dialog.AddNavSample(48.0, 11.0, 500.0, 452.0, 0);
        QVERIFY(lockedSince->text().isEmpty());
        QVERIFY(accuracy->text().isEmpty());

        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.AddNavSample(48.0, 11.0, 500.0, 452.0, 0);
        QVERIFY(accuracy->text().startsWith(QStringLiteral("Tsigma ")));
        dialog.SetSatellitesUsed(1);
        dialog.UpdateLockStatus(0, At(10, 0, 1));
        QCOMPARE(unlocks->text(), QStringLiteral("1"));
        QVERIFY(lockedSince->text().isEmpty());
        dialog.SetSatellitesUsed(6);
        dialog.UpdateLockStatus(0, At(10, 0, 2));
        QCOMPARE(lockedSince->text(), QStringLiteral("01-Jul-2024 10:00:02 UTC"));
    }

    void okStoresAndOpeningRestoresTheAverages()
    {
        Store("Restart Averages On Startup", QStringLiteral("true"));
        GpsNavDialog dialog;
        dialog.averagedLat = 12.5;
        dialog.rmsFilterCount = 77.0;
        QTimer::singleShot(0, &dialog, [&dialog] { dialog.findChild<QPushButton*>(QStringLiteral("OK"))->click(); });
        // Opening reloads the store (empty: zeros); OK then stores those.
        QCOMPARE(dialog.exec(), 1);
        QCOMPARE(dialog.averagedLat, 0.0);

        dialog.averagedLat = 12.5;
        dialog.rmsFilterCount = 77.0;
        dialog.SaveAverages();
        dialog.averagedLat = 13.0;
        QTimer::singleShot(0, &dialog, [&dialog] { dialog.findChild<QPushButton*>(QStringLiteral("OK"))->click(); });
        QCOMPARE(dialog.exec(), 1);
        QCOMPARE(dialog.averagedLat, 12.5);
        QCOMPARE(dialog.rmsFilterCount, 77.0);
        QVERIFY(Stored("Averages - Weights").contains(QStringLiteral("77.0000000000000000")));
    }
};

HORALUX_TEST(TestAveragingStore);
#include "tst_averagingstore.moc"
