#include "averagingengine.h"
#include "averagingtests.h"
#include "receiverinfo.h"
#include "testsupport.h"

#include <QSettings>
#include <QTest>

#include <climits>
#include <cmath>

namespace {

const QDateTime kNow(QDate(2024, 3, 5), QTime(7, 8, 9), Qt::UTC);

// A locked engine on a 3D fix with 8 satellites, DOP weighting off, averages restarted
// at the given fix.
AveragingEngine LockedEngine(double lat = 48.0, double lon = 11.0, double alt = 500.0)
{
    AveragingEngine engine;
    engine.SetSatellitesUsed(8);
    engine.SetNavMode(3);
    engine.UpdateLockStatus(0, kNow);
    engine.currentLat = lat;
    engine.currentLon = lon;
    engine.currentAltGps = alt;
    engine.currentAltMsl = alt - 48.0;
    engine.ResetAverages();
    return engine;
}

}  // namespace

class TestAveragingEngine : public QObject
{
    Q_OBJECT

private slots:
    void init() { StartAveragingTest(); }
    void cleanup() { EndAveragingTest(); }

    void counterRule()
    {
        double count = 1.0;
        AveragingEngine::ClampFilterCount(&count, 3.0);
        QCOMPARE(count, 2.0);
        AveragingEngine::ClampFilterCount(&count, 3.0);
        AveragingEngine::ClampFilterCount(&count, 3.0);
        QCOMPARE(count, 3.0);

        // A lowered limit pulls the counter down at once, also a loaded one above it.
        count = 500.0;
        AveragingEngine::ClampFilterCount(&count, 20.0);
        QCOMPARE(count, 20.0);

        // A limit above the ceiling lets the counter reach it and no further.
        count = 999998.0;
        AveragingEngine::ClampFilterCount(&count, 5000000.0);
        QCOMPARE(count, 999999.0);
        AveragingEngine::ClampFilterCount(&count, 5000000.0);
        QCOMPARE(count, 999999.0);

        // A limit below 1 (or not a number) counts as 1, so no counter becomes 0.
        for (double limit : {0.0, -3.0, std::nan("")}) {
            count = 0.0;
            AveragingEngine::ClampFilterCount(&count, limit);
            QCOMPARE(count, 1.0);
            count = 7.0;
            AveragingEngine::ClampFilterCount(&count, limit);
            QCOMPARE(count, 1.0);
        }
    }

    void dopWeightAndRunningAverage()
    {
        AveragingEngine engine;
        engine.bUseDopWeighting = true;
        QCOMPARE(engine.DopWeight(1.5, 0.75), 4.0);
        QCOMPARE(engine.DopWeight(1.5, 0.0), 1.0);   // not reported
        QCOMPARE(engine.DopWeight(1.5, -1.0), 1.0);
        engine.bUseDopWeighting = false;
        QCOMPARE(engine.DopWeight(1.5, 0.75), 1.0);

        QCOMPARE(AveragingEngine::RunningAverage(10.0, 20.0, 4.0, 1.0), 12.5);
        QCOMPARE(AveragingEngine::RunningAverage(10.0, 20.0, 4.0, 4.0), 20.0);
        // A counter of 0 or less changes nothing.
        QCOMPARE(AveragingEngine::RunningAverage(10.0, 20.0, 0.0, 1.0), 10.0);
        QCOMPARE(AveragingEngine::RunningAverage(10.0, 20.0, -2.0, 1.0), 10.0);
    }

    void firstStepAfterResetTakesTheFix()
    {
        AveragingEngine engine = LockedEngine();
        engine.bUseDopWeighting = true;
        engine.hdopWeight = 0.1;  // a tiny weight must not matter for the restart
        engine.SetDops(2.0, 2.0, 2.0, 2.0, 2.0);
        engine.currentLat = 0.0;  // the restart copies the fix of the step, not of the reset
        engine.AddNavSample(48.5, 11.5, 600.0, 552.0, 0);
        QCOMPARE(engine.averagedLat, 48.5);
        QCOMPARE(engine.averagedLon, 11.5);
        QCOMPARE(engine.averagedAltGps, 600.0);
        QCOMPARE(engine.averagedAltMsl, 552.0);
        QVERIFY(!engine.bRestartPending);
        QCOMPARE(engine.positionFilterCount, 2.0);
        QCOMPARE(engine.altitudeFilterCount, 2.0);
        QCOMPARE(engine.rmsFilterCount, 2.0);
        QCOMPARE(engine.timingFilterCount, 2.0);
    }

    void cumulativeMeanWhileCounting()
    {
        AveragingEngine engine = LockedEngine();
        engine.AddNavSample(48.0, 11.0, 500.0, 452.0, 0);
        engine.AddNavSample(48.3, 11.3, 530.0, 482.0, 0);
        engine.AddNavSample(48.6, 11.6, 560.0, 512.0, 0);
        // Counter 2 then 3 then 4: (48 x 1 + 48 x 1) / 2, then thirds, then quarters.
        QCOMPARE(engine.positionFilterCount, 4.0);
        QVERIFY(std::fabs(engine.averagedLat - (48.0 * 2 + 48.3 + 48.6) / 4) < 1e-12);
        QVERIFY(std::fabs(engine.averagedAltGps - (500.0 * 2 + 530.0 + 560.0) / 4) < 1e-9);
    }

    void weightAboveCounterJumpsToSample()
    {
        AveragingEngine engine = LockedEngine();
        engine.bUseDopWeighting = true;
        engine.hdopWeight = 30.0;
        engine.vdopWeight = 30.0;
        engine.SetDops(1.0, 1.0, 1.0, 1.0, 1.0);  // weight 900, far above the counter
        engine.AddNavSample(48.0, 11.0, 500.0, 452.0, 0);
        engine.AddNavSample(48.9, 11.9, 700.0, 652.0, 0);
        QCOMPARE(engine.averagedLat, 48.9);
        QCOMPARE(engine.averagedLon, 11.9);
        QCOMPARE(engine.averagedAltGps, 700.0);
        // Cut again to the RMS counter: the mean squares jump to the latest square.
        const double north = (engine.refLat - 48.9) * engine.metresPerDegreeLat;
        QVERIFY(std::fabs(engine.errorTerms[AveragingEngine::North][AveragingEngine::RefAvg].meanSquare
                          - north * north) < 1e-3);
    }

    void exponentialAverageAtTheLimit()
    {
        AveragingEngine engine = LockedEngine(0.0, 0.0, 0.0);
        engine.positionFilterLimit = 4.0;
        for (int i = 0; i < 6; ++i)
            engine.AddNavSample(0.0, 0.0, 0.0, 0.0, 0);
        QCOMPARE(engine.positionFilterCount, 4.0);
        engine.AddNavSample(8.0, 0.0, 0.0, 0.0, 0);
        QCOMPARE(engine.averagedLat, 2.0);  // gain 1/4

        // Lowering the limit takes effect at the next step.
        engine.positionFilterLimit = 2.0;
        engine.AddNavSample(2.0, 0.0, 0.0, 0.0, 0);
        QCOMPARE(engine.positionFilterCount, 2.0);
        QCOMPARE(engine.averagedLat, 2.0);
    }

    void zeroLimitsNeverGiveNan()
    {
        AveragingEngine engine = LockedEngine();
        engine.positionFilterLimit = 0.0;
        engine.rmsFilterLimit = 0.0;
        engine.timingFilterLimit = 0.0;
        for (int i = 0; i < 5; ++i)
            engine.AddNavSample(48.0 + i * 0.01, 11.0, 500.0 + i, 452.0 + i, 0);
        QVERIFY(std::isfinite(engine.averagedLat));
        QVERIFY(std::isfinite(engine.averagedAltGps));
        QVERIFY(std::isfinite(engine.tsigmaAverage));
        for (const auto& component : engine.errorTerms) {
            for (const auto& term : component)
                QVERIFY(std::isfinite(term.rms));
        }
        QCOMPARE(engine.averagedLat, 48.04);  // counter 1: the latest fix
    }

    void tsigmaByModeAndSatellites_data()
    {
        QTest::addColumn<int>("gpsMode");
        QTest::addColumn<int>("satellites");
        QTest::addColumn<double>("expected");
        QTest::addColumn<QString>("printed");
        QTest::newRow("3D, 4 sats") << 0 << 4 << 284.25 << "284";
        QTest::newRow("3D, 8 sats") << 0 << 8 << 94.75 << "095";
        QTest::newRow("3D, 2 sats") << 0 << 2 << 284.25 << "284";
        QTest::newRow("2D, 4 sats") << 1 << 4 << std::sqrt(10100.0 / 0.5) << "142";
        QTest::newRow("2D, 3 sats") << 1 << 3 << std::sqrt(10100.0 * 6.0) << "246";
        QTest::newRow("0D, 8 sats") << 2 << 8 << 36.70 << "037";
        QTest::newRow("0D, 1 sat") << 2 << 1 << std::sqrt(10100.0 * 2.0) << "142";
        QTest::newRow("other, 8 sats") << 7 << 8 << 36.70 << "037";
    }
    void tsigmaByModeAndSatellites()
    {
        QFETCH(int, gpsMode);
        QFETCH(int, satellites);
        QFETCH(double, expected);
        QFETCH(QString, printed);
        AveragingEngine engine = LockedEngine();
        engine.SetTimingSigmas(10.0, 100.0);
        QCOMPARE(engine.timingVariance, 10100.0);
        engine.SetSatellitesUsed(satellites);
        engine.AddNavSample(48.0, 11.0, 500.0, 452.0, gpsMode);
        QVERIFY2(std::fabs(engine.tsigma - expected) < 0.01, qPrintable(QString::number(engine.tsigma)));
        // First step after a reset: the extremes are this Tsigma.
        QCOMPARE(engine.tsigmaMax, engine.tsigma);
        QCOMPARE(engine.tsigmaMin, engine.tsigma);
        const QString average = QString::asprintf("%3.0f", engine.tsigma / 2.0);
        QCOMPARE(engine.timeAccuracyText, QStringLiteral("Tsigma %1 nsec (max %2, average %3, min %2)")
                                              .arg(printed, QString::asprintf("%3.0f", engine.tsigma), average));
    }

    void tsigmaExtremesAndNoSatellites()
    {
        AveragingEngine engine = LockedEngine();
        engine.SetTimingSigmas(10.0, 100.0);
        engine.SetSatellitesUsed(8);
        engine.AddNavSample(48.0, 11.0, 500.0, 452.0, 0);
        engine.SetSatellitesUsed(4);
        engine.AddNavSample(48.0, 11.0, 500.0, 452.0, 0);
        QVERIFY(std::fabs(engine.tsigmaMax - 284.25) < 0.01);
        QVERIFY(std::fabs(engine.tsigmaMin - 94.75) < 0.01);

        // Locked for gps mode 5 with no satellite: the estimate is skipped, not divided by 0.
        engine.SetSatellitesUsed(0);
        engine.UpdateLockStatus(5, kNow);
        engine.AddNavSample(48.0, 11.0, 500.0, 452.0, 5);
        QVERIFY(engine.timeAccuracyText.isEmpty());
        QVERIFY(std::fabs(engine.tsigma - 284.25) < 0.01);
    }

    void noTimingSolutionOncePerLoss()
    {
        AveragingEngine engine = LockedEngine();
        engine.AddNavSample(48.0, 11.0, 500.0, 452.0, 0);
        engine.SetSatellitesUsed(2);
        engine.UpdateLockStatus(0, kNow);
        unsigned shows = 0;
        engine.AddNavSample(48.0, 11.0, 500.0, 452.0, 0, &shows);
        QCOMPARE(engine.timeAccuracyText, QStringLiteral("No Timing Solution. Not enough satellites tracked."));
        QVERIFY(shows & AveragingEngine::ShowTimeAccuracy);
        QVERIFY(!engine.bHadTimingSolution);
        shows = 0;
        engine.AddNavSample(48.0, 11.0, 500.0, 452.0, 0, &shows);
        QCOMPARE(shows, 0u);

        // The flags belong to each engine: a fresh one owes no such text.
        AveragingEngine other;
        other.AddNavSample(48.0, 11.0, 500.0, 452.0, 0);
        QVERIFY(other.timeAccuracyText.isEmpty());
    }

    void unlockedStepAveragesNothing()
    {
        AveragingEngine engine = LockedEngine();
        engine.AddNavSample(48.0, 11.0, 500.0, 452.0, 0);
        engine.bRestartOnUnlock = false;
        engine.SetSatellitesUsed(0);
        engine.UpdateLockStatus(0, kNow);
        engine.AddNavSample(49.0, 12.0, 600.0, 552.0, 0);
        QCOMPARE(engine.averagedLat, 48.0);
        QCOMPARE(engine.positionFilterCount, 2.0);
        QCOMPARE(engine.timingFilterCount, 2.0);
    }

    void restartOnUnlock()
    {
        AveragingEngine engine = LockedEngine();
        engine.bRestartOnUnlock = true;
        engine.SetTimingSigmas(10.0, 100.0);
        for (int i = 0; i < 3; ++i)
            engine.AddNavSample(48.0, 11.0, 500.0, 452.0, 0);
        engine.SetSatellitesUsed(2);
        engine.UpdateLockStatus(0, kNow);
        QCOMPARE(engine.unlockCount, 1);

        engine.AddNavSample(48.1, 11.1, 510.0, 462.0, 0);
        QCOMPARE(engine.positionFilterCount, 1.0);
        QCOMPARE(engine.timingFilterCount, 1.0);
        QCOMPARE(engine.tsigma, -1.0);
        QCOMPARE(engine.unlockCount, 0);  // the loss just counted is cleared again
        QVERIFY(engine.bRestartPending);

        // Still unlocked: the pending restart is not repeated.
        engine.positionFilterCount = 9.0;
        engine.AddNavSample(48.2, 11.2, 520.0, 472.0, 0);
        QCOMPARE(engine.positionFilterCount, 9.0);

        // The averages restart from the first fix after the lock returns.
        engine.SetSatellitesUsed(8);
        engine.UpdateLockStatus(0, kNow);
        engine.AddNavSample(47.5, 10.5, 450.0, 402.0, 0);
        QCOMPARE(engine.averagedLat, 47.5);
        QCOMPARE(engine.averagedAltMsl, 402.0);
    }

    void twoDimensionalFixFreezesAltitude()
    {
        AveragingEngine engine = LockedEngine();
        engine.refAltGps = 490.0;
        engine.AddNavSample(48.0, 11.0, 500.0, 452.0, 0);
        const auto before = engine.errorTerms[AveragingEngine::AltitudeGps][AveragingEngine::RefAvg];
        engine.SetNavMode(2);
        engine.AddNavSample(48.2, 11.0, 900.0, 852.0, 0);
        QCOMPARE(engine.averagedAltGps, 500.0);
        QCOMPARE(engine.altitudeFilterCount, 2.0);
        const auto after = engine.errorTerms[AveragingEngine::AltitudeGps][AveragingEngine::RefAvg];
        QCOMPARE(after.difference, before.difference);
        QCOMPARE(after.meanSquare, before.meanSquare);
        QVERIFY(engine.averagedLat > 48.0);
        QCOMPARE(engine.positionFilterCount, 3.0);
    }

    void oneLastPassAfterFixDrops()
    {
        AveragingEngine engine = LockedEngine();
        engine.AddNavSample(48.0, 11.0, 500.0, 452.0, 0);
        engine.SetNavMode(0);
        QTest::ignoreMessage(QtDebugMsg, "Averaging just stopped with one pass after Nav set to 0D\n");
        engine.AddNavSample(48.3, 11.0, 500.0, 452.0, 0);
        QCOMPARE(engine.positionFilterCount, 3.0);
        QCOMPARE(engine.averagedLat, (48.0 * 2 + 48.3) / 3);
        QVERIFY(!engine.bPositionAveraging);

        unsigned shows = 0;
        engine.AddNavSample(49.0, 11.0, 500.0, 452.0, 0, &shows);
        QCOMPARE(engine.positionFilterCount, 3.0);
        QCOMPARE(engine.timingFilterCount, 4.0);  // timing goes on while locked
        QVERIFY(!(shows & AveragingEngine::ShowErrorTable));

        engine.SetNavMode(3);
        engine.AddNavSample(49.0, 11.0, 500.0, 452.0, 0);
        QCOMPARE(engine.positionFilterCount, 4.0);
    }

    void errorTermsAndTable()
    {
        AveragingEngine engine = LockedEngine(0.0, 0.0, 100.0);
        engine.metresPerDegreeLat = 100.0;
        engine.metresPerDegreeLon = 50.0;
        engine.refLat = 0.03;
        engine.refLon = 0.08;
        engine.refAltGps = 110.0;
        engine.refAltMsl = 40.0;
        engine.AddNavSample(0.0, 0.0, 100.0, 52.0, 0);
        using E = AveragingEngine;
        QVERIFY(std::fabs(engine.errorTerms[E::North][E::RefAvg].difference - 3.0) < 1e-9);
        QVERIFY(std::fabs(engine.errorTerms[E::East][E::RefCur].difference - 4.0) < 1e-9);
        QVERIFY(std::fabs(engine.errorTerms[E::Horizontal][E::RefCur].difference - 5.0) < 1e-9);
        QCOMPARE(engine.errorTerms[E::AltitudeGps][E::RefCur].difference, 10.0);
        QCOMPARE(engine.errorTerms[E::AltitudeMsl][E::RefCur].difference, -12.0);
        // Counter 2 from 0: the mean squares are half the squares.
        QVERIFY(std::fabs(engine.errorTerms[E::Horizontal][E::RefAvg].meanSquare - 12.5) < 1e-9);
        QVERIFY(std::fabs(engine.errorTerms[E::AltitudeMsl][E::RefAvg].rms - std::sqrt(72.0)) < 1e-9);

        QCOMPARE(engine.ErrorTableText(1, 1), QStringLiteral("   3.00"));
        QCOMPARE(engine.ErrorTableText(5, 3), QStringLiteral("    5.00"));
        QCOMPARE(engine.ErrorTableText(6, 3), QStringLiteral("    3.54"));
        QCOMPARE(engine.ErrorTableText(5, 4), QStringLiteral("  10.00"));
        QCOMPARE(engine.ErrorTableText(5, 5), QStringLiteral(" -12.00"));
        QCOMPARE(engine.ErrorTableText(3, 1), QStringLiteral("   0.00"));
        QVERIFY(engine.ErrorTableText(0, 1).isEmpty());
        QVERIFY(engine.ErrorTableText(7, 1).isEmpty());
        QVERIFY(engine.ErrorTableText(1, 6).isEmpty());

        QCOMPARE(AveragingEngine::CountText(28800.7), QStringLiteral("28800"));
        QCOMPARE(AveragingEngine::CountText(1e300), QString::number(INT_MAX));
    }

    void dopWeightingOffForMotorolaBinaryButVp()
    {
        AveragingEngine engine;
        for (int mode : {GpsPortModeMotorolaBinary, GpsPortModeMotorolaBinaryRxOnly}) {
            receiverInfo.gpsPortMode = mode;
            receiverInfo.receiverModel = 5;
            engine.bUseDopWeighting = true;
            engine.ResetAverages();
            QVERIFY(!engine.bUseDopWeighting);
            engine.bUseDopWeighting = true;
            engine.LoadAverages();
            QVERIFY(!engine.bUseDopWeighting);

            receiverInfo.receiverModel = 10;  // the VP
            engine.bUseDopWeighting = true;
            engine.ResetAverages();
            QVERIFY(engine.bUseDopWeighting);
        }
        receiverInfo.gpsPortMode = GpsPortModeUbloxUbx;
        receiverInfo.receiverModel = 5;
        engine.ResetAverages();
        QVERIFY(engine.bUseDopWeighting);
    }
};

HORALUX_TEST(TestAveragingEngine);
#include "tst_averagingengine.moc"
