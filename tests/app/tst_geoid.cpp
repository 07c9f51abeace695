#include "geoidmodel.h"
#include "testsupport.h"

#include <QTest>

#include <cmath>
#include <limits>

class TestGeoid : public QObject
{
    Q_OBJECT

private slots:
    void separation_data()
    {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("longitude");
        QTest::addColumn<double>("metres");

        QTest::newRow("grid 0,0") << 0.0 << 0.0 << 18.0;
        QTest::newRow("grid 10S 80E") << -10.0 << 80.0 << -75.0;
        QTest::newRow("south pole") << -90.0 << 37.0 << -30.0;
        QTest::newRow("north pole") << 90.0 << -123.0 << 13.0;
        QTest::newRow("along a parallel") << 0.0 << 5.0 << 15.0;
        QTest::newRow("along a meridian") << 5.0 << 0.0 << 20.0;
        // Corners 18, 12 (0N 0, 10E) and 22, 23 (10N 0, 10E).
        QTest::newRow("quarter cell") << 2.5 << 2.5 << 0.75 * (0.75 * 18 + 0.25 * 12) + 0.25 * (0.75 * 22 + 0.25 * 23);
        // Across the date line: columns +170 (32, 26) and -180 (22, 13), -170 (16, 12).
        QTest::newRow("180 is -180") << 0.0 << 180.0 << 22.0;
        QTest::newRow("east of date line") << 0.0 << 175.0 << 27.0;
        QTest::newRow("date line mid-cell") << 5.0 << 175.0 << 23.25;
        QTest::newRow("past 180") << 5.0 << 185.0 << 15.75;
        QTest::newRow("past -180") << 5.0 << -185.0 << 23.25;
        QTest::newRow("north of the pole row") << 95.0 << 0.0 << 13.0;
        QTest::newRow("south of the pole row") << -95.0 << 5.0 << -30.0;
        // The grid point east of Lake Baikal, +17 m between -2 and 23 m.
        QTest::newRow("50N 130E") << 50.0 << 130.0 << 17.0;
        QTest::newRow("lat 100") << 100.0 << 0.0 << 0.0;
        QTest::newRow("lat -100") << -100.0 << 0.0 << 0.0;
        QTest::newRow("lon 190") << 0.0 << 190.0 << 0.0;
        QTest::newRow("lon -190") << 0.0 << -190.0 << 0.0;
        QTest::newRow("far out") << 1e300 << -1e300 << 0.0;
        QTest::newRow("NaN latitude") << nan << 0.0 << 0.0;
        QTest::newRow("NaN longitude") << 0.0 << nan << 0.0;
        QTest::newRow("infinite longitude") << 0.0 << -inf << 0.0;
    }

    void separation()
    {
        QFETCH(double, latitude);
        QFETCH(double, longitude);
        QFETCH(double, metres);
        QVERIFY(std::fabs(GeoidModel::GeoidSeparation(latitude, longitude) - metres) < 1e-9);
    }
};

HORALUX_TEST(TestGeoid);
#include "tst_geoid.moc"
