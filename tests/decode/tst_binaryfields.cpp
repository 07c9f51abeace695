// The binary field readers and the GPS calendar.

#include "binaryfields.h"
#include "mainwindow.h"
#include "testsupport.h"

#include <QTest>

namespace {

QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray b;
    for (int v : values)
        b.append(static_cast<char>(v));
    return b;
}

struct Calendar
{
    int year, month, day, hour, minute, second;
};

Calendar ToCalendar(unsigned week, int seconds)
{
    uint8_t s = 0, mi = 0, h = 0, d = 0, mo = 0;
    int y = 0;
    MainWindow::GpsWeekSecondsToCalendar(week, seconds, s, mi, h, d, mo, y);
    return {y, mo, d, h, mi, s};
}

}  // namespace

class TestBinaryFields : public QObject
{
    Q_OBJECT

private slots:
    void readersCombineBytesUnsigned()
    {
        const QByteArray minusTwo = Bytes({0xFF, 0xFF, 0xFF, 0xFE});
        QCOMPARE(ReadBigEndianInt32AsDouble(minusTwo, 0), -2.0);
        QCOMPARE(MainWindow::GetMotorolaUInt32(minusTwo, 0), 4294967294u);
        QCOMPARE(static_cast<int32_t>(MainWindow::GetMotorolaUInt32(minusTwo, 0)), -2);
        QCOMPARE(MainWindow::GetMotorolaUInt24(Bytes({0x01, 0x02, 0x03}), 0), 66051u);
        QCOMPARE(MainWindow::GetMotorolaUInt24AsDouble(Bytes({0xFF, 0xFF, 0xFF}), 0), 16777215.0);
        QCOMPARE(MainWindow::GetMotorolaSecondsNanoseconds(Bytes({0x3B, 0x00, 0x00, 0x01, 0xF4}), 0),
                 59.0000005);
        // A negative whole second and a negative fraction both count.
        QCOMPARE(MainWindow::GetMotorolaSecondsNanoseconds(Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), 0),
                 -1.000000001);
        QCOMPARE(ReadLittleEndianUInt32(Bytes({0x78, 0x56, 0x34, 0x12}), 0), 305419896u);
        QCOMPARE(ReadBigEndianUInt16(Bytes({0x00, 0xAB, 0xCD}), 1), uint16_t(0xABCD));
        QCOMPARE(ReadInt8(Bytes({0x80}), 0), int8_t(-128));
    }

    void fieldsOutsideTheMessageReadZero()
    {
        const QByteArray three = Bytes({0x11, 0x22, 0x33});
        QCOMPARE(MainWindow::GetMotorolaUInt32(three, 0), 0u);
        QCOMPARE(MainWindow::GetMotorolaUInt24(three, 1), 0u);
        QCOMPARE(ReadBigEndianUInt16(three, 2), uint16_t(0));
        QCOMPARE(ReadUInt8(three, 3), uint8_t(0));
        QCOMPARE(ReadUInt8(three, -1), uint8_t(0));
        QCOMPARE(ReadLittleEndianUInt32(three, 0), 0u);
        QCOMPARE(ReadBigEndianInt32AsDouble(three, 0x7FFFFFFF), 0.0);
        // The seconds byte is inside, its nanoseconds are not.
        QCOMPARE(MainWindow::GetMotorolaSecondsNanoseconds(three, 2), 51.0);
    }

    void gpsWeekAndSecondsToCalendar_data()
    {
        QTest::addColumn<unsigned>("week");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("expected");
        QTest::newRow("epoch") << 0u << 0 << "1980-01-06 00:00:00";
        QTest::newRow("end of a day") << 0u << 86399 << "1980-01-06 23:59:59";
        QTest::newRow("end of week 0") << 0u << 604799 << "1980-01-12 23:59:59";
        QTest::newRow("new year 2020") << 2086u << 259200 << "2020-01-01 00:00:00";
        QTest::newRow("day 366 of 2020") << 2138u << 345600 << "2020-12-31 00:00:00";
        QTest::newRow("29 February 2024") << 2303u << 349323 << "2024-02-29 01:02:03";
        QTest::newRow("first roll-over") << 1024u << 0 << "1999-08-22 00:00:00";
        QTest::newRow("a second before the epoch") << 0u << -1 << "1980-01-05 23:59:59";
    }

    void gpsWeekAndSecondsToCalendar()
    {
        QFETCH(unsigned, week);
        QFETCH(int, seconds);
        QFETCH(QString, expected);
        const Calendar c = ToCalendar(week, seconds);
        QCOMPARE(QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d", c.year, c.month, c.day, c.hour,
                                   c.minute, c.second),
                 expected);
    }

    void calendarAgreesWithQtOverTheYears()
    {
        const QDateTime epoch(QDate(1980, 1, 6), QTime(0, 0), Qt::UTC);
        for (unsigned week = 0; week < 6000; week += 7) {
            for (int seconds : {0, 302399, 604799}) {
                const Calendar c = ToCalendar(week, seconds);
                const QDateTime expected = epoch.addSecs(static_cast<qint64>(week) * 604800 + seconds);
                // Four-year cycles agree with the Gregorian calendar until 2100.
                if (expected.date().year() >= 2100)
                    continue;
                QCOMPARE(QDateTime(QDate(c.year, c.month, c.day), QTime(c.hour, c.minute, c.second), Qt::UTC),
                         expected);
            }
        }
    }
};

HORALUX_TEST(TestBinaryFields);
#include "tst_binaryfields.moc"
