// The averaging engine with the navigation state and lock status it keeps.

#include "averagingtests.h"

#include <QTest>

#include <climits>

namespace {

const QDateTime kNow(QDate(2024, 3, 5), QTime(7, 8, 9), Qt::UTC);

// A locked engine on a 3D fix with 8 satellites, averages restarted at the given fix.
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

void Fix(AveragingEngine& engine, double lat, double alt = 500.0, int gpsMode = 0)
{
    engine.AddNavSample(lat, 11.0, alt, alt - 48.0, gpsMode);
}

}  // namespace

class TestAveragingEngine : public QObject
{
    Q_OBJECT

private slots:
    void init() { StartAveragingTest(); }
    void cleanup() { EndAveragingTest(); }

    // Each value out of range is ignored on its own; -1 is the not-known fix status.
    void navigationSettersIgnoreOutOfRange()
    {
        AveragingEngine engine;
        engine.SetDops(2.5, 2.1, 1.2, 1.8, 1.0);
        engine.SetDops(-1.0, 3.0, -1.0, 0.0, -1.0);
        QCOMPARE(QList<double>({engine.gdop, engine.pdop, engine.hdop, engine.vdop, engine.tdop}),
                 QList<double>({2.5, 3.0, 1.2, 0.0, 1.0}));
        engine.SetSatellitesUsed(0);
        engine.SetSatellitesUsed(-1);
        engine.SetSpeed(0.0);
        engine.SetSpeed(-0.5);
        engine.SetHeading(0.0);
        engine.SetHeading(-3.0);
        engine.SetFixStatus(3);
        engine.SetFixStatus(-2);
        QCOMPARE(engine.GetSatellitesUsed() + engine.GetSpeed() + engine.GetHeading(), 0.0);
        QCOMPARE(engine.GetFixStatus(), 3);
        engine.SetFixStatus(-1);
        QCOMPARE(engine.GetFixStatus(), -1);
        engine.AddNavSample(48.1, 11.6, 560.0, 512.0, 0);
        QCOMPARE(engine.GetGeoidSeparation(), 48.0);
    }

    void lockRule_data()
    {
        QTest::addColumn<int>("gpsMode");
        QTest::addColumn<int>("satellites");
        QTest::addColumn<bool>("locked");
        for (int mode : {0, 1, 2, 4}) {
            for (int satellites : {-1, 1, 3})  // -1 leaves the unreported -1
                QTest::addRow("mode %d, %d sats", mode, satellites)
                    << mode << satellites << (mode > 2 || satellites >= (mode == 2 ? 1 : 3));
        }
    }
    void lockRule()
    {
        QFETCH(int, gpsMode);
        QFETCH(int, satellites);
        QFETCH(bool, locked);
        AveragingEngine engine;
        engine.SetSatellitesUsed(satellites);
        const QString since = locked ? QStringLiteral("05-Mar-2024 07:08:09 UTC") : QString();
        QCOMPARE(engine.UpdateLockStatus(gpsMode, kNow),
                 locked ? AveragingEngine::LockChange::Locked : AveragingEngine::LockChange::None);
        QCOMPARE(engine.bLocked, locked);
        QCOMPARE(engine.lockedSinceText, since);
        QCOMPARE(engine.UpdateLockStatus(gpsMode, kNow.addSecs(1)), AveragingEngine::LockChange::None);
        QCOMPARE(engine.lockedSinceText, since);
    }

    void unlockCounting()
    {
        AveragingEngine engine;
        const QDateTime t0(QDate(2023, 12, 31), QTime(23, 59, 58), Qt::UTC);
        engine.SetSatellitesUsed(5);
        engine.UpdateLockStatus(0, t0);
        // A dip that no refresh sees counts nothing.
        engine.SetSatellitesUsed(2);
        engine.SetSatellitesUsed(5);
        engine.UpdateLockStatus(0, t0.addSecs(1));
        QCOMPARE(engine.unlockCount, 0);
        engine.SetSatellitesUsed(2);
        QCOMPARE(engine.UpdateLockStatus(0, t0.addSecs(2)), AveragingEngine::LockChange::Unlocked);
        QCOMPARE(engine.UpdateLockStatus(0, t0.addSecs(3)), AveragingEngine::LockChange::None);
        QCOMPARE(engine.unlockCount, 1);
        QCOMPARE(engine.lockedSinceText, QStringLiteral("31-Dec-2023 23:59:58 UTC"));  // kept
        engine.SetSatellitesUsed(4);
        QCOMPARE(engine.UpdateLockStatus(0, t0.addSecs(4)), AveragingEngine::LockChange::Locked);
        QCOMPARE(engine.lockedSinceText, QStringLiteral("01-Jan-2024 00:00:02 UTC"));
    }

    void counterAndWeightRules()
    {
        // A limit above the ceiling lets the counter reach it and no further.
        double count = 999998.0;
        AveragingEngine::ClampFilterCount(&count, 5000000.0);
        AveragingEngine::ClampFilterCount(&count, 5000000.0);
        QCOMPARE(count, 999999.0);
        // A limit below 1 (or not a number) counts as 1, so no counter becomes 0.
        for (double limit : {0.0, -3.0, std::nan("")}) {
            for (double start : {0.0, 7.0}) {
                count = start;
                AveragingEngine::ClampFilterCount(&count, limit);
                QCOMPARE(count, 1.0);
            }
        }
        AveragingEngine engine;
        engine.bUseDopWeighting = true;
        QCOMPARE(engine.DopWeight(1.5, 0.75), 4.0);
        QCOMPARE(engine.DopWeight(1.5, 0.0), 1.0);  // not reported
        QCOMPARE(engine.DopWeight(1.5, -1.0), 1.0);
        engine.bUseDopWeighting = false;
        QCOMPARE(engine.DopWeight(1.5, 0.75), 1.0);
        // A counter of 0 or less changes nothing.
        QCOMPARE(AveragingEngine::RunningAverage(10.0, 20.0, 0.0, 1.0), 10.0);
        QCOMPARE(AveragingEngine::RunningAverage(10.0, 20.0, -2.0, 1.0), 10.0);
    }

    void weightsCutToTheCounter()
    {
        AveragingEngine engine = LockedEngine();
        engine.bUseDopWeighting = true;
        engine.hdopWeight = engine.vdopWeight = 0.1;  // a tiny weight must not matter for the restart
        engine.SetDops(2.0, 2.0, 2.0, 2.0, 2.0);
        engine.currentLat = 0.0;  // the restart copies the fix of the step, not of the reset
        engine.AddNavSample(48.5, 11.5, 600.0, 552.0, 0);
        QCOMPARE(engine.averagedLat, 48.5);
        QCOMPARE(engine.averagedAltMsl, 552.0);
        // Weight 900, far above the counter: the average jumps to the sample.
        engine.hdopWeight = engine.vdopWeight = 30.0;
        engine.SetDops(1.0, 1.0, 1.0, 1.0, 1.0);
        engine.AddNavSample(48.9, 11.9, 700.0, 652.0, 0);
        QCOMPARE(engine.averagedLat, 48.9);
        QCOMPARE(engine.averagedAltGps, 700.0);
        // Cut again to the RMS counter: the mean square jumps to the latest square.
        using E = AveragingEngine;
        const double north = (engine.refLat - 48.9) * engine.metresPerDegreeLat;
        QVERIFY(std::fabs(engine.errorTerms[E::North][E::RefAvg].meanSquare - north * north) < 1e-3);
        // The 2D terms keep weight 1 whatever the DOP: counter 3, the mean of 0 and two squares.
        const double m2 = engine.metresPerDegreeLat * engine.metresPerDegreeLon;
        const double squares = (48.5 * 48.5 + 11.5 * 11.5 + 48.9 * 48.9 + 11.9 * 11.9) * m2;
        QVERIFY(std::fabs(engine.errorTerms[E::Horizontal][E::RefAvg].meanSquare / (squares / 3) - 1.0) < 1e-9);
    }

    void cumulativeThenExponentialAverage()
    {
        AveragingEngine engine = LockedEngine(0.0, 0.0, 0.0);
        engine.positionFilterLimit = 4.0;
        Fix(engine, 0.0, 0.0);
        Fix(engine, 3.0, 30.0);
        Fix(engine, 6.0, 60.0);
        // Counters 2, 3, 4: the mean of 0, 0, 3, 6.
        QCOMPARE(engine.positionFilterCount, 4.0);
        QCOMPARE(engine.averagedLat, 2.25);
        QCOMPARE(engine.averagedAltGps, 22.5);
        Fix(engine, 10.0, 0.0);
        QCOMPARE(engine.averagedLat, 2.25 + (10.0 - 2.25) / 4);  // gain 1/4 at the limit
        // Lowering the limit takes effect at the next step.
        engine.positionFilterLimit = 2.0;
        Fix(engine, 0.0, 0.0);
        QCOMPARE(engine.positionFilterCount, 2.0);
        QCOMPARE(engine.averagedLat, (2.25 + 7.75 / 4) / 2);
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
        engine.SetReceiverErrorTerms(10.0, 100.0);
        engine.SetSatellitesUsed(satellites);
        Fix(engine, 48.0, 500.0, gpsMode);
        QVERIFY2(std::fabs(engine.tsigma - expected) < 0.01, qPrintable(QString::number(engine.tsigma)));
        // First step after a reset: the extremes are this Tsigma.
        const QString whole = QString::asprintf("%3.0f", engine.tsigma);
        const QString average = QString::asprintf("%3.0f", engine.tsigma / 2.0);
        QCOMPARE(engine.timeAccuracyText,
                 QStringLiteral("Tsigma %1 nsec (max %2, average %3, min %2)").arg(printed, whole, average));
    }

    void tsigmaExtremesAndNoSatellites()
    {
        AveragingEngine engine = LockedEngine();
        engine.SetReceiverErrorTerms(10.0, 100.0);
        Fix(engine, 48.0);
        engine.SetSatellitesUsed(4);
        Fix(engine, 48.0);
        QVERIFY(std::fabs(engine.tsigmaMax - 284.25) < 0.01);
        QVERIFY(std::fabs(engine.tsigmaMin - 94.75) < 0.01);
        // Locked for gps mode 5 with no satellite: the estimate is skipped, not divided by 0.
        engine.SetSatellitesUsed(0);
        engine.UpdateLockStatus(5, kNow);
        Fix(engine, 48.0, 500.0, 5);
        QVERIFY(engine.timeAccuracyText.isEmpty());
        QVERIFY(std::fabs(engine.tsigma - 284.25) < 0.01);
    }

    void noTimingSolutionOncePerLoss()
    {
        AveragingEngine engine = LockedEngine();
        Fix(engine, 48.0);
        // The flags belong to each engine: a fresh one owes no such text.
        AveragingEngine other;
        Fix(other, 48.0);
        QVERIFY(other.timeAccuracyText.isEmpty());
        engine.SetSatellitesUsed(2);
        engine.UpdateLockStatus(0, kNow);
        unsigned shows = 0;
        engine.AddNavSample(48.0, 11.0, 500.0, 452.0, 0, &shows);
        QCOMPARE(engine.timeAccuracyText, QStringLiteral("No Timing Solution. Not enough satellites tracked."));
        QVERIFY(shows & AveragingEngine::ShowTimeAccuracy);
        shows = 0;
        engine.AddNavSample(48.0, 11.0, 500.0, 452.0, 0, &shows);
        QCOMPARE(shows, 0u);
    }

    void restartOnUnlock()
    {
        AveragingEngine engine = LockedEngine();
        engine.bRestartOnUnlock = true;
        engine.SetReceiverErrorTerms(10.0, 100.0);
        for (int i = 0; i < 3; ++i)
            Fix(engine, 48.0);
        engine.SetSatellitesUsed(2);
        engine.UpdateLockStatus(0, kNow);
        QCOMPARE(engine.unlockCount, 1);
        Fix(engine, 48.1, 510.0);
        QCOMPARE(engine.positionFilterCount, 1.0);
        QCOMPARE(engine.timingFilterCount, 1.0);
        QCOMPARE(engine.tsigma, -1.0);
        QCOMPARE(engine.unlockCount, 0);  // the loss just counted is cleared again
        // Still unlocked: nothing is averaged and the pending restart is not repeated.
        engine.positionFilterCount = 9.0;
        Fix(engine, 48.2, 520.0);
        QCOMPARE(engine.positionFilterCount, 9.0);
        QCOMPARE(engine.averagedLat, 48.1);
        // The averages restart from the first fix after the lock returns.
        engine.SetSatellitesUsed(8);
        engine.UpdateLockStatus(0, kNow);
        Fix(engine, 47.5, 450.0);
        QCOMPARE(engine.averagedLat, 47.5);
        QCOMPARE(engine.averagedAltMsl, 402.0);
    }

    // Another port or mode: the old receiver's lock, its last position pass and its
    // time accuracy are not the new one's, and the change is no lock loss to count.
    void anotherReceiverStartsUnlockedAndOwesNothing()
    {
        AveragingEngine engine = LockedEngine();
        Fix(engine, 48.0);
        QVERIFY(engine.bPositionAveraging && !engine.timeAccuracyText.isEmpty());
        engine.RestartForAnotherReceiver();
        QVERIFY(!engine.bLocked && engine.lockedSinceText.isEmpty() && engine.timeAccuracyText.isEmpty());
        QCOMPARE(engine.UpdateLockStatus(0, kNow), AveragingEngine::LockChange::None);
        QCOMPARE(engine.unlockCount, 0);
        // Its first fix before it says its fix dimension: taken, but no position pass.
        engine.SetSatellitesUsed(6);
        QCOMPARE(engine.UpdateLockStatus(0, kNow.addSecs(60)), AveragingEngine::LockChange::Locked);
        QCOMPARE(engine.lockedSinceText, QStringLiteral("05-Mar-2024 07:09:09 UTC"));
        Fix(engine, 49.4);
        QCOMPARE(engine.averagedLat, 49.4);
        QCOMPARE(engine.positionFilterCount, 1.0);
        QVERIFY(!engine.bPositionAveraging);
    }

    // Averages that hold no position start from the first fix rather than blend it with
    // zeros: those stored by an engine stopped before its first fix, or a reset with no
    // fix since another receiver was chosen.
    void noPositionIsAveragedBeforeOneIsReceived()
    {
        AveragingEngine stopped;
        stopped.positionFilterCount = 1.0;
        stopped.SaveAverages();
        AveragingEngine engine;
        engine.LoadAverages();
        engine.SetNavMode(3);
        for (double lat : {48.0, 49.0}) {
            engine.SetSatellitesUsed(8);
            engine.UpdateLockStatus(0, kNow);
            Fix(engine, lat);
            QCOMPARE(engine.averagedLat, lat);
            engine.ForgetReceiverFix();
            engine.TakeCurrentAsAverage();  // the reset button
        }
    }

    void navModeDecidesWhatIsAveraged()
    {
        using E = AveragingEngine;
        AveragingEngine engine = LockedEngine();
        engine.refAltGps = 490.0;
        Fix(engine, 48.0);
        const auto altitudeTerm = engine.errorTerms[E::AltitudeGps][E::RefAvg];
        // 2D: the horizontal averages go on, the altitude ones stay frozen.
        engine.SetNavMode(2);
        Fix(engine, 48.3, 900.0);
        QCOMPARE(engine.positionFilterCount, 3.0);
        QCOMPARE(engine.averagedLat, (48.0 * 2 + 48.3) / 3);
        QCOMPARE(engine.averagedAltGps, 500.0);
        QCOMPARE(engine.altitudeFilterCount, 2.0);
        QCOMPARE(engine.errorTerms[E::AltitudeGps][E::RefAvg].difference, altitudeTerm.difference);
        QCOMPARE(engine.errorTerms[E::AltitudeGps][E::RefAvg].meanSquare, altitudeTerm.meanSquare);
        // No fix: one last pass, then only the timing filter while locked.
        engine.SetNavMode(0);
        QTest::ignoreMessage(QtDebugMsg, "Averaging just stopped with one pass after Nav set to 0D\n");
        Fix(engine, 48.3);
        QCOMPARE(engine.positionFilterCount, 4.0);
        unsigned shows = 0;
        engine.AddNavSample(49.0, 11.0, 500.0, 452.0, 0, &shows);
        QCOMPARE(engine.positionFilterCount, 4.0);
        QCOMPARE(engine.timingFilterCount, 5.0);
        QVERIFY(!(shows & E::ShowErrorTable));
        engine.SetNavMode(3);
        Fix(engine, 49.0);
        QCOMPARE(engine.positionFilterCount, 5.0);
        QCOMPARE(engine.altitudeFilterCount, 3.0);
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
        // Counter 2 from 0: the mean squares are half the squares.
        QVERIFY(std::fabs(engine.errorTerms[E::Horizontal][E::RefAvg].meanSquare - 12.5) < 1e-9);
        QVERIFY(std::fabs(engine.errorTerms[E::AltitudeMsl][E::RefAvg].rms - std::sqrt(72.0)) < 1e-9);
        // Rows: difference and RMS of Ref-Avg, Avg-Cur, Ref-Cur; columns N, E, 2D, GPS, MSL.
        QCOMPARE(engine.ErrorTableText(1, 1), QStringLiteral("   3.00"));
        QCOMPARE(engine.ErrorTableText(5, 2), QStringLiteral("   4.00"));
        QCOMPARE(engine.ErrorTableText(5, 3), QStringLiteral("    5.00"));
        QCOMPARE(engine.ErrorTableText(6, 3), QStringLiteral("    3.54"));
        QCOMPARE(engine.ErrorTableText(5, 4), QStringLiteral("  10.00"));
        QCOMPARE(engine.ErrorTableText(5, 5), QStringLiteral(" -12.00"));
        QVERIFY(engine.ErrorTableText(7, 1).isEmpty());
        QCOMPARE(AveragingEngine::CountText(28800.7), QStringLiteral("28800"));
        QCOMPARE(AveragingEngine::CountText(1e300), QString::number(INT_MAX));
    }

    void dopWeightingOffForMotorolaBinaryButVp()
    {
        AveragingEngine engine;
        for (int mode : {GpsPortModeMotorolaBinary, GpsPortModeMotorolaBinaryRxOnly, GpsPortModeUbloxUbx}) {
            for (int model : {5, 10}) {  // 10 is the VP
                receiverInfo.gpsPortMode = mode;
                receiverInfo.receiverModel = model;
                const bool kept = mode == GpsPortModeUbloxUbx || model == 10;
                engine.bUseDopWeighting = true;
                engine.ResetAverages();
                QCOMPARE(engine.bUseDopWeighting, kept);
                engine.bUseDopWeighting = true;
                engine.LoadAverages();
                QCOMPARE(engine.bUseDopWeighting, kept);
            }
        }
    }
};

HORALUX_TEST(TestAveragingEngine);
#include "tst_averagingengine.moc"
