// The date-time value with its time scales and net offset, the calendar names and the
// geoid model.

#include "apptest.h"
#include "calendarnames.h"
#include "geoidmodel.h"
#include "pctime.h"
#include "testsupport.h"
#include "utcdatetime.h"

#include <QRegularExpression>
#include <QTest>

#include <cmath>
#include <limits>

namespace {

UtcDateTime At(const QDateTime& when)
{
    UtcDateTime t;
    t.SetDateTime(when);
    return t;
}

// Seconds of the day of a "hh:mm:ss.cc" sidereal text.
double SiderealSeconds(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    return parts.size() != 3 ? -1.0 : parts[0].toInt() * 3600.0 + parts[1].toInt() * 60.0 + parts[2].toDouble();
}

// Difference of two times of day, folded into -43200 to 43200 seconds.
double DayDifference(double a, double b)
{
    const double d = std::fmod(a - b, 86400.0);
    return d > 43200.0 ? d - 86400.0 : d < -43200.0 ? d + 86400.0 : d;
}

}  // namespace

class TestTimeAndGeoid : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { PcTime::SetFixedUtc(QDateTime()); }

    void newValueReadsPcClockAndHasNoDayNumber()
    {
        PcTime::SetFixedUtc(Utc(2023, 9, 16, 14, 5, 7));
        const UtcDateTime t;
        QCOMPARE(t.dateTime, Utc(2023, 9, 16, 14, 5, 7));
        QCOMPARE(t.mjd, 0);
        QCOMPARE(t.GpsWeek(), 4294960976u);  // week of MJD 0 in integer arithmetic, seen unsigned
    }

    void mjdAndGpsWeek_data()
    {
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<int>("mjd");
        QTest::addColumn<uint>("week");
        QTest::newRow("week 0") << Utc(1980, 1, 6) << 44244 << 0u;
        QTest::newRow("1901") << Utc(1901, 1, 1) << 15385 << 0u;
        QTest::newRow("before first roll-over") << Utc(1999, 8, 21, 23, 59, 59) << 51411 << 1023u;
        QTest::newRow("first roll-over") << Utc(1999, 8, 22) << 51412 << 1024u;
        QTest::newRow("leap day 366") << Utc(2024, 12, 31) << 60675 << 2347u;
        QTest::newRow("new year after") << Utc(2025, 1, 1) << 60676 << 2347u;
        // A day number that does not fit, or no date at all, gives MJD 0.
        QTest::newRow("year 1e7") << QDateTime(QDate(10000000, 1, 1), QTime(0, 0), Qt::UTC) << 0 << 0u;
        QTest::newRow("invalid") << QDateTime() << 0 << 0u;
    }

    void mjdAndGpsWeek()
    {
        QFETCH(QDateTime, when);
        QFETCH(int, mjd);
        QFETCH(uint, week);
        UtcDateTime t = At(Utc(2000, 1, 1));
        t.SetDateTime(when);
        QCOMPARE(t.mjd, mjd);
        if (mjd >= 44244)
            QCOMPARE(t.GpsWeek(), week);
    }

    void sumAndDifferenceAreUtcWithoutOffsets()
    {
        UtcDateTime a = At(Utc(2000, 1, 2, 0, 0, 10));
        a.SetEpochOffsetMs(100);
        a.SetLocation(10.0, 20.0);
        const UtcDateTime b = At(QDateTime::fromMSecsSinceEpoch(86400000 + 5000, Qt::UTC));
        const UtcDateTime sum = UtcDateTime::Add(a, b);
        QCOMPARE(sum.dateTime, Utc(2000, 1, 3, 0, 0, 15));
        QCOMPARE(sum.mjd, 51546);
        QCOMPARE(sum.EpochOffsetMs(), 0);
        QCOMPARE(sum.longitude, 0.0);
        QCOMPARE(UtcDateTime::Subtract(a, b).dateTime, Utc(2000, 1, 1, 0, 0, 5));
    }

    void dayAndMjdTexts()
    {
        QCOMPARE(At(Utc(2000, 1, 1, 12)).MjdText(), QStringLiteral("51544.50000"));
        QCOMPARE(At(Utc(2023, 1, 5, 12)).YearDayText(), QStringLiteral("202305.500000"));
        QCOMPARE(At(Utc(2023, 9, 15)).YearDayText(), QStringLiteral("2023258.000000"));
        QCOMPARE(At(Utc(2023, 9, 15, 6, 0, 0, 999)).DayFraction(), 0.25);  // milliseconds do not count
        QCOMPARE(At(Utc(2023, 9, 15, 6)).MjdWithFraction(), 60202.25);

        PcTime::SetFixedUtc(Utc(2023, 9, 16, 14, 5, 7, 250));
        QCOMPARE(UtcDateTime::DaysSince1900Text(), QStringLiteral("45183.586887"));
        PcTime::SetFixedUtc(Utc(1970, 1, 1, 0, 0, 1, 999));  // milliseconds dropped
        QCOMPARE(UtcDateTime::DaysSince1900Text(), QStringLiteral("25567.000012"));
        PcTime::SetFixedUtc(Utc(1900, 1, 2, 0, 0, 1));  // padded on the left to 12 characters
        QCOMPARE(UtcDateTime::DaysSince1900Text(), QStringLiteral("00001.000012"));
    }

    void siderealTime_data()
    {
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<double>("gmstSecs");
        QTest::addColumn<double>("longitude");
        // Reference values from the IAU 1982 expression of GMST.
        QTest::newRow("J2000") << Utc(2000, 1, 1) << 23992.271 << 15.0;
        QTest::newRow("2010") << Utc(2010, 6, 30, 23, 59, 59) << 66944.550 << -75.5;
        QTest::newRow("leap day") << Utc(2024, 2, 29, 12, 34, 56) << 83413.414 << 179.9;
        QTest::newRow("2023") << Utc(2023, 9, 15, 18) << 63466.068 << -180.0;
    }

    void siderealTime()
    {
        QFETCH(QDateTime, when);
        QFETCH(double, gmstSecs);
        QFETCH(double, longitude);
        UtcDateTime t = At(when);
        const QString gmst = t.SiderealTimeText(0);
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d$")).match(gmst).hasMatch(),
                 qPrintable(gmst));
        QVERIFY2(std::fabs(DayDifference(SiderealSeconds(gmst), gmstSecs)) < 0.05, qPrintable(gmst));
        QCOMPARE(t.SiderealTimeText(1), gmst);  // at longitude 0
        t.SetLocation(48.0, longitude);
        const double lmst = SiderealSeconds(t.SiderealTimeText(1));
        QVERIFY2(std::fabs(DayDifference(lmst, SiderealSeconds(gmst)) - longitude * 240.0) < 0.02, qPrintable(gmst));
        QCOMPARE(t.SiderealTimeText(7), gmst);  // any kind but 1 is Greenwich
        t.SetLocation(0.0, std::nan(""));
        QCOMPARE(t.SiderealTimeText(1), QStringLiteral("00:00:00.00"));
    }

    void netOffsetRoundsAndFolds_data()
    {
        QTest::addColumn<int>("epochMs");
        QTest::addColumn<uint>("ppsNs");
        QTest::addColumn<uint>("cableNs");
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("read");
        QTest::newRow("900 reads -100") << 900 << 0u << 0u << 900 << -100;
        QTest::newRow("499 unchanged") << 499 << 0u << 0u << 499 << 499;
        QTest::newRow("500 folds") << 500 << 0u << 0u << 500 << -500;
        QTest::newRow("1499.6 gives 500") << 1499 << 600000u << 0u << 500 << -500;
        QTest::newRow("-1.4 gives -1") << -1 << 0u << 400000u << -1 << -1;
        QTest::newRow("cable 999999 ns") << 0 << 0u << 999999u << -1 << -1;
        QTest::newRow("negative remainder kept") << -1600 << 0u << 0u << -600 << -600;
        QTest::newRow("largest unsigned pps") << 0 << 4294967295u << 0u << 295 << 295;
        QTest::newRow("extremes") << int(INT32_MIN) << 0u << 4294967295u << -943 << -943;
    }

    void netOffsetRoundsAndFolds()
    {
        QFETCH(int, epochMs);
        QFETCH(uint, ppsNs);
        QFETCH(uint, cableNs);
        QFETCH(int, stored);
        QFETCH(int, read);
        UtcDateTime t;
        t.SetEpochOffsetMs(epochMs);
        t.SetPpsOffsetNs(ppsNs);
        t.SetCableDelayNs(cableNs);
        QCOMPARE(t.netOffsetMs, stored);
        QCOMPARE(t.NetOffsetMs(), read);
    }

    void calendarNames()
    {
        QCOMPARE(DayName(1) + DayName(7) + ShortDayName(2), QStringLiteral("SundaySaturdayMon"));
        QCOMPARE(MonthName(9) + ShortMonthName(12), QStringLiteral("SeptemberDec"));
        for (int bad : {0, 8, -1, INT32_MIN})
            QCOMPARE(DayName(bad) + ShortDayName(bad), QStringLiteral("Illegal dayIllegal day"));
        for (int bad : {0, 13, -1})
            QCOMPARE(MonthName(bad) + ShortMonthName(bad), QStringLiteral("Illegal monthIllegal month"));
    }

    void geoidSeparation_data()
    {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("longitude");
        QTest::addColumn<double>("metres");
        QTest::newRow("grid 0,0") << 0.0 << 0.0 << 18.0;
        QTest::newRow("grid 10S 80E") << -10.0 << 80.0 << -75.0;
        QTest::newRow("south pole") << -90.0 << 37.0 << -30.0;
        QTest::newRow("north pole") << 90.0 << -123.0 << 13.0;
        // Corners 18, 12 (0N 0, 10E) and 22, 23 (10N 0, 10E).
        QTest::newRow("quarter cell") << 2.5 << 2.5 << 0.75 * (0.75 * 18 + 0.25 * 12) + 0.25 * (0.75 * 22 + 0.25 * 23);
        // Across the date line: columns +170 (32, 26) and -180 (22, 13), -170 (16, 12).
        QTest::newRow("180 is -180") << 0.0 << 180.0 << 22.0;
        QTest::newRow("date line mid-cell") << 5.0 << 175.0 << 23.25;
        QTest::newRow("past 180") << 5.0 << 185.0 << 15.75;
        QTest::newRow("past -180") << 5.0 << -185.0 << 23.25;
        QTest::newRow("north of the pole row") << 95.0 << 0.0 << 13.0;
        QTest::newRow("south of the pole row") << -95.0 << 5.0 << -30.0;
        // The grid point east of Lake Baikal, +17 m between -2 and 23 m.
        QTest::newRow("50N 130E") << 50.0 << 130.0 << 17.0;
        QTest::newRow("lat 100") << 100.0 << 0.0 << 0.0;
        QTest::newRow("lon -190") << 0.0 << -190.0 << 0.0;
        QTest::newRow("far out") << 1e300 << -1e300 << 0.0;
        QTest::newRow("NaN latitude") << nan << 0.0 << 0.0;
        QTest::newRow("NaN longitude") << 0.0 << nan << 0.0;
        QTest::newRow("infinite longitude") << 0.0 << -std::numeric_limits<double>::infinity() << 0.0;
    }

    void geoidSeparation()
    {
        QFETCH(double, latitude);
        QFETCH(double, longitude);
        QFETCH(double, metres);
        QVERIFY(std::fabs(GeoidModel::GeoidSeparation(latitude, longitude) - metres) < 1e-9);
    }
};

HORALUX_TEST(TestTimeAndGeoid);
#include "tst_timeandgeoid.moc"
