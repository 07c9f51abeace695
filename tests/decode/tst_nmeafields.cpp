#include "nmeafields.h"
#include "testsupport.h"

#include <QTest>

#include <limits>

// The field rules of the NMEA sentences, with no main window.
class TestNmeaFields : public QObject
{
    Q_OBJECT

private slots:
    void scannerReadsLikeScanfButBounded()
    {
        int a = 0;
        int b = 0;
        double c = 0.0;
        Nmea::Scanner time("123519.25");
        QVERIFY(time.Int(&a, 2) && time.Int(&b, 2) && time.Double(&c));
        QCOMPARE(a, 12);
        QCOMPARE(b, 35);
        QCOMPARE(c, 19.25);
        QVERIFY(time.AtEnd());

        // The sign counts towards the width, as with "%2d".
        Nmea::Scanner signedWidth("-5x");
        QVERIFY(signedWidth.Int(&a, 2));
        QCOMPARE(a, -5);
        Nmea::Scanner loneSign("-");
        QVERIFY(!loneSign.Int(&a, 2));

        // Beyond the int range, or not a finite number: not read.
        Nmea::Scanner huge("99999999999");
        QVERIFY(!huge.Int(&a));
        Nmea::Scanner lowest("-2147483648");
        QVERIFY(lowest.Int(&a));
        QCOMPARE(a, std::numeric_limits<int>::min());
        for (const char* text : {"nan", "inf", "-inf", "1e999", "", ".", "e5"}) {
            Nmea::Scanner scanner(text);
            double value = 7.0;
            QVERIFY2(!scanner.Double(&value), text);
            QCOMPARE(value, 7.0);
        }
        Nmea::Scanner exponent(" +1.5e2,");
        QVERIFY(exponent.Double(&c));
        QCOMPARE(c, 150.0);
        QVERIFY(exponent.Literal(','));
        Nmea::Scanner bareExponent("2e");
        QVERIFY(bareExponent.Double(&c));
        QCOMPARE(c, 2.0);
    }

    void emptyFieldsAreFilled_data()
    {
        QTest::addColumn<QByteArray>("sentence");
        QTest::addColumn<QByteArray>("filled");
        QTest::newRow("runs of empty fields") << QByteArray("$GPGSA,A,3,04,,,09") << QByteArray("$GPGSA,A,3,04,0,0,09");
        QTest::newRow("before the checksum") << QByteArray("$GPGSA,A,1,*3F") << QByteArray("$GPGSA,A,1,0*3F");
        QTest::newRow("trailing comma") << QByteArray("$GPGSV,3,1,11,05,") << QByteArray("$GPGSV,3,1,11,05,0");
        QTest::newRow("nothing empty") << QByteArray("$GPGSV,1,1,00") << QByteArray("$GPGSV,1,1,00");
    }

    void emptyFieldsAreFilled()
    {
        QFETCH(QByteArray, sentence);
        QFETCH(QByteArray, filled);
        QCOMPARE(Nmea::FillEmptyFields(sentence), filled);
    }

    void timesAndCoordinates()
    {
        QVERIFY(Nmea::ReadTime("235959.99").IsValid());
        QVERIFY(Nmea::ReadTime("000000").IsValid());
        QVERIFY(Nmea::ReadTime("235960.00").IsValid());  // a leap second
        QVERIFY(!Nmea::ReadTime("243000.00").IsValid());
        QVERIFY(!Nmea::ReadTime("126000.00").IsValid());
        QVERIFY(!Nmea::ReadTime("123461.00").IsValid());
        QVERIFY(!Nmea::ReadTime("1234").IsValid());
        QCOMPARE(Nmea::ReadTime("1234").conversions, 2);
        QVERIFY(Nmea::ReadTime("12345x").IsRead());

        QVERIFY(Nmea::ReadLatitude("9000.000").bRead);
        QVERIFY(!Nmea::ReadLatitude("8960.001").bRead);
        QVERIFY(!Nmea::ReadLatitude("-100.000").bRead);
        QVERIFY(Nmea::ReadLongitude("17960.000").bRead);
        QVERIFY(!Nmea::ReadLongitude("18000.001").bRead);
        QCOMPARE(Nmea::HemisphereSign("", 'N', 'S'), 0);
        QCOMPARE(Nmea::HemisphereSign("NS", 'N', 'S'), 0);
        QCOMPARE(Nmea::HemisphereSign("n", 'N', 'S'), 0);
    }

    void receiverTimesAreUtcAndReal_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::addColumn<QByteArray>("time");
        QTest::addColumn<QDateTime>("utc");  // invalid: refused
        QTest::newRow("plain") << 1990 << 3 << 5 << QByteArray("123456.00")
                               << QDateTime(QDate(1990, 3, 5), QTime(12, 34, 56), Qt::UTC);
        QTest::newRow("half a second rounds up") << 2020 << 6 << 1 << QByteArray("123456.50")
                                                 << QDateTime(QDate(2020, 6, 1), QTime(12, 34, 57), Qt::UTC);
        QTest::newRow("rounding to 60 carries into the next year")
            << 2021 << 12 << 31 << QByteArray("235959.60")
            << QDateTime(QDate(2022, 1, 1), QTime(0, 0), Qt::UTC);
        QTest::newRow("leap second held at 59") << 2016 << 12 << 31 << QByteArray("235960.40")
                                                << QDateTime(QDate(2016, 12, 31), QTime(23, 59, 59), Qt::UTC);
        QTest::newRow("31 February") << 2021 << 2 << 31 << QByteArray("120000") << QDateTime();
        QTest::newRow("29 February of a leap year") << 2024 << 2 << 29 << QByteArray("120000")
                                                    << QDateTime(QDate(2024, 2, 29), QTime(12, 0), Qt::UTC);
        QTest::newRow("29 February of another year") << 2023 << 2 << 29 << QByteArray("120000") << QDateTime();
        QTest::newRow("year 1899") << 1899 << 12 << 31 << QByteArray("120000") << QDateTime();
        QTest::newRow("huge year") << std::numeric_limits<int>::max() << 1 << 1 << QByteArray("120000") << QDateTime();
    }

    void receiverTimesAreUtcAndReal()
    {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(int, day);
        QFETCH(QByteArray, time);
        QFETCH(QDateTime, utc);
        const QDateTime untouched(QDate(2000, 1, 1), QTime(0, 0), Qt::UTC);
        QDateTime result = untouched;
        const bool ok = Nmea::ReceiverUtc(year, month, day, Nmea::ReadTime(time), false, &result);
        QCOMPARE(ok, utc.isValid());
        if (!ok) {
            QCOMPARE(result, untouched);
            return;
        }
        QCOMPARE(result, utc);
        QCOMPARE(result.timeSpec(), Qt::UTC);
    }
};

HORALUX_TEST(TestNmeaFields);
#include "tst_nmeafields.moc"
