#include "averagingengine.h"
#include "testsupport.h"

#include <QTest>

class TestNavigationState : public QObject
{
    Q_OBJECT

private slots:
    void settersIgnoreOutOfRange()
    {
        AveragingEngine engine;
        engine.SetDops(2.5, 2.1, 1.2, 1.8, 1.0);
        engine.SetDops(-1.0, 3.0, -1.0, 0.0, -1.0);
        QCOMPARE(engine.gdop, 2.5);
        QCOMPARE(engine.pdop, 3.0);
        QCOMPARE(engine.hdop, 1.2);
        QCOMPARE(engine.vdop, 0.0);
        QCOMPARE(engine.tdop, 1.0);

        engine.SetSatellitesUsed(0);
        engine.SetSatellitesUsed(-1);
        QCOMPARE(engine.GetSatellitesUsed(), 0);
        engine.SetSpeed(0.0);
        engine.SetHeading(0.0);
        engine.SetSpeed(-0.5);
        engine.SetHeading(-3.0);
        QCOMPARE(engine.GetSpeed(), 0.0);
        QCOMPARE(engine.GetHeading(), 0.0);
        engine.SetFixStatus(3);
        engine.SetFixStatus(-2);
        QCOMPARE(engine.GetFixStatus(), 3);
        engine.SetFixStatus(-1);  // the not-known value
        QCOMPARE(engine.GetFixStatus(), -1);
        engine.SetNavMode(-4);  // any mode is stored
        QCOMPARE(engine.GetNavMode(), -4);

        engine.AddNavSample(48.1, 11.6, 560.0, 512.0, 0);
        QCOMPARE(engine.GetGeoidSeparation(), 48.0);
    }

    void lockRule_data()
    {
        QTest::addColumn<int>("gpsMode");
        QTest::addColumn<int>("satellites");
        QTest::addColumn<bool>("locked");
        const int modes[] = {0, 1, 2, 4};
        for (int mode : modes) {
            for (int satellites : {-1, 1, 3}) {
                const bool locked = mode > 2 || satellites >= (mode == 2 ? 1 : 3);
                QTest::addRow("mode %d, %d sats", mode, satellites) << mode << satellites << locked;
            }
        }
    }
    void lockRule()
    {
        QFETCH(int, gpsMode);
        QFETCH(int, satellites);
        QFETCH(bool, locked);
        AveragingEngine engine;
        engine.SetSatellitesUsed(satellites);  // -1 leaves the unreported -1
        const QDateTime now(QDate(2024, 3, 5), QTime(7, 8, 9), Qt::UTC);
        const auto change = engine.UpdateLockStatus(gpsMode, now);
        QCOMPARE(engine.bLocked, locked);
        QCOMPARE(change, locked ? AveragingEngine::LockChange::Locked : AveragingEngine::LockChange::None);
        QCOMPARE(engine.lockedSinceText, locked ? QStringLiteral("05-Mar-2024 07:08:09 UTC") : QString());
        // A second refresh changes nothing.
        QCOMPARE(engine.UpdateLockStatus(gpsMode, now.addSecs(1)), AveragingEngine::LockChange::None);
        QCOMPARE(engine.lockedSinceText, locked ? QStringLiteral("05-Mar-2024 07:08:09 UTC") : QString());
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
        QCOMPARE(engine.unlockCount, 1);
        QCOMPARE(engine.lockedSinceText, QStringLiteral("31-Dec-2023 23:59:58 UTC"));  // kept
        QCOMPARE(engine.UpdateLockStatus(0, t0.addSecs(3)), AveragingEngine::LockChange::None);
        QCOMPARE(engine.unlockCount, 1);

        engine.SetSatellitesUsed(4);
        QCOMPARE(engine.UpdateLockStatus(0, t0.addSecs(4)), AveragingEngine::LockChange::Locked);
        QCOMPARE(engine.lockedSinceText, QStringLiteral("01-Jan-2024 00:00:02 UTC"));
    }
};

HORALUX_TEST(TestNavigationState);
#include "tst_navigationstate.moc"
