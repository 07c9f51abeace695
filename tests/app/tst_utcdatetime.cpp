#include "calendarnames.h"
#include "pctime.h"
#include "testsupport.h"
#include "utcdatetime.h"

#include <QTest>

#include <cmath>

namespace {

QDateTime Utc(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::UTC);
}

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
    if (parts.size() != 3)
        return -1.0;
    return parts[0].toInt() * 3600.0 + parts[1].toInt() * 60.0 + parts[2].toDouble();
}

// Difference of two times of day, folded into -43200 to 43200 seconds.
double DayDifference(double a, double b)
{
    double d = std::fmod(a - b, 86400.0);
    if (d > 43200.0)
        d -= 86400.0;
    if (d < -43200.0)
        d += 86400.0;
    return d;
}

}  // namespace

class TestUtcDateTime : public QObject
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
        QCOMPARE(t.NetOffsetMs(), 0);
        // Week of MJD 0 in integer arithmetic, seen unsigned.
        QCOMPARE(t.GpsWeek(), 4294960976u);
    }

    void mjdAndGpsWeekAcrossBoundaries_data()
    {
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<int>("mjd");
        QTest::addColumn<uint>("week");
        QTest::newRow("week 0") << Utc(1980, 1, 6) << 44244 << 0u;
        QTest::newRow("1901") << Utc(1901, 1, 1) << 15385 << 0u;
        QTest::newRow("last day 1999") << Utc(1999, 12, 31, 23, 59, 59) << 51543 << 1042u;
        QTest::newRow("J2000 day") << Utc(2000, 1, 1) << 51544 << 1042u;
        QTest::newRow("before first roll-over") << Utc(1999, 8, 21, 23, 59, 59) << 51411 << 1023u;
        QTest::newRow("first roll-over") << Utc(1999, 8, 22) << 51412 << 1024u;
        QTest::newRow("leap day 366") << Utc(2024, 12, 31) << 60675 << 2347u;
        QTest::newRow("new year after") << Utc(2025, 1, 1) << 60676 << 2347u;
    }

    void mjdAndGpsWeekAcrossBoundaries()
    {
        QFETCH(QDateTime, when);
        QFETCH(int, mjd);
        QFETCH(uint, week);
        const UtcDateTime t = At(when);
        QCOMPARE(t.mjd, mjd);
        if (mjd >= 44244)
            QCOMPARE(t.GpsWeek(), week);
    }

    void dateWithoutAnMjdInRange()
    {
        UtcDateTime t = At(Utc(2000, 1, 1));
        t.SetDateTime(QDateTime(QDate(2000000000, 1, 1), QTime(0, 0), Qt::UTC));
        QCOMPARE(t.mjd, 0);
        t.SetDateTime(QDateTime());
        QCOMPARE(t.mjd, 0);
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
        QCOMPARE(At(Utc(2023, 9, 16, 18)).MjdText(), QStringLiteral("60203.75000"));
        QCOMPARE(At(Utc(2023, 1, 5, 12)).YearDayText(), QStringLiteral("202305.500000"));
        QCOMPARE(At(Utc(2023, 9, 15)).YearDayText(), QStringLiteral("2023258.000000"));
        // Milliseconds do not count.
        QCOMPARE(At(Utc(2023, 9, 15, 6, 0, 0, 999)).DayFraction(), 0.25);
        QCOMPARE(At(Utc(2023, 9, 15, 6)).MjdWithFraction(), 60202.25);
    }

    void daysSince1900ReadsThePcClock()
    {
        PcTime::SetFixedUtc(Utc(2023, 9, 16, 14, 5, 7, 250));
        QCOMPARE(UtcDateTime::DaysSince1900Text(), QStringLiteral("45183.586887"));
        // Milliseconds are dropped.
        PcTime::SetFixedUtc(Utc(1970, 1, 1, 0, 0, 1, 999));
        QCOMPARE(UtcDateTime::DaysSince1900Text(), QStringLiteral("25567.000012"));
        // Padded on the left to 12 characters.
        PcTime::SetFixedUtc(Utc(1900, 1, 2, 0, 0, 1));
        QCOMPARE(UtcDateTime::DaysSince1900Text(), QStringLiteral("00001.000012"));
    }

    void greenwichSiderealTime_data()
    {
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<double>("expectedSecs");
        // Reference values from the IAU 1982 expression of GMST.
        QTest::newRow("J2000") << Utc(2000, 1, 1) << 23992.271;
        QTest::newRow("2010") << Utc(2010, 6, 30, 23, 59, 59) << 66944.550;
        QTest::newRow("2023") << Utc(2023, 9, 15, 18) << 63466.068;
        QTest::newRow("leap day") << Utc(2024, 2, 29, 12, 34, 56) << 83413.414;
    }

    void greenwichSiderealTime()
    {
        QFETCH(QDateTime, when);
        QFETCH(double, expectedSecs);
        const QString text = At(when).SiderealTimeText(0);
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d$")).match(text).hasMatch(),
                 qPrintable(text));
        QVERIFY2(std::fabs(DayDifference(SiderealSeconds(text), expectedSecs)) < 0.05, qPrintable(text));
    }

    void localSiderealTimeFollowsLongitude()
    {
        UtcDateTime t = At(Utc(2023, 9, 15, 18));
        const double gmst = SiderealSeconds(t.SiderealTimeText(0));
        QCOMPARE(t.SiderealTimeText(1), t.SiderealTimeText(0));  // at longitude 0
        for (double lon : {15.0, -75.5, 179.9, -180.0, 2.3522}) {
            t.SetLocation(48.0, lon);
            const double lmst = SiderealSeconds(t.SiderealTimeText(1));
            QVERIFY2(std::fabs(DayDifference(lmst, gmst) - lon * 240.0) < 0.02,
                     qPrintable(QString::number(lon)));
            // Any kind but 1 is Greenwich.
            QCOMPARE(t.SiderealTimeText(7), t.SiderealTimeText(0));
        }
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
        QTest::newRow("cable 2 ms") << 0 << 0u << 2000000u << -2 << -2;
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
        QCOMPARE(DayName(1), QStringLiteral("Sunday"));
        QCOMPARE(DayName(7), QStringLiteral("Saturday"));
        QCOMPARE(ShortDayName(2), QStringLiteral("Mon"));
        QCOMPARE(MonthName(9), QStringLiteral("September"));
        QCOMPARE(ShortMonthName(12), QStringLiteral("Dec"));
        for (int bad : {0, 8, -1, INT32_MIN}) {
            QCOMPARE(DayName(bad), QStringLiteral("Illegal day"));
            QCOMPARE(ShortDayName(bad), QStringLiteral("Illegal day"));
        }
        for (int bad : {0, 13, -1}) {
            QCOMPARE(MonthName(bad), QStringLiteral("Illegal month"));
            QCOMPARE(ShortMonthName(bad), QStringLiteral("Illegal month"));
        }
    }
};

HORALUX_TEST(TestUtcDateTime);
#include "tst_utcdatetime.moc"
