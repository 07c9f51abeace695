#include "gpsnavdialog.h"
#include "gpsrxdialog.h"
#include "gpsserialportthread.h"
#include "mainwindow.h"
#include "nmeatestwindow.h"
#include "receiverinfo.h"
#include "testsupport.h"

#include <QTest>

#include <ctime>

namespace {

QDateTime Utc(int year, int month, int day, int hour, int minute, int second)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second), Qt::UTC);
}

// Runs the test body on a PC whose local time is one hour ahead of UTC.
class PcTimeZone
{
public:
    explicit PcTimeZone(const char* zone) : old(qgetenv("TZ")), bHadZone(qEnvironmentVariableIsSet("TZ"))
    {
        qputenv("TZ", zone);
        tzset();
    }
    ~PcTimeZone()
    {
        if (bHadZone)
            qputenv("TZ", old);
        else
            qunsetenv("TZ");
        tzset();
    }

private:
    QByteArray old;
    bool bHadZone;
};

}  // namespace

// The time sentences ZDA and RMC, with the per-second flags a tick would set.
class TestNmeaTime : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { window = NmeaTestWindow::Create(); }
    void cleanupTestCase() { delete window; }
    void init() { NmeaTestWindow::Reset(window); }

    void zdaSetsTheTimeOfTheNextSecond()
    {
        QVERIFY(window->DecodeNmeaSentence(NmeaTestWindow::Sentence("$GPZDA,123456.00,05,03,1990,00,00")));
        QCOMPARE(window->receiverTime.dateTime, Utc(1990, 3, 5, 12, 34, 57));
        // With no tick waiting, the sentence refreshed the clock with its own time.
        QCOMPARE(window->displayTime.dateTime, Utc(1990, 3, 5, 12, 34, 56));
        QVERIFY(window->bTimeMessageSeen);
        QVERIFY(window->bNmeaTimeTaken);
        QVERIFY(!window->bPpsAwaitingTime[0]);
        QVERIFY(!window->bPpsAwaitingTime[1]);

        // The same sentence again is taken and changes nothing.
        window->bTimeMessageSeen = false;
        QVERIFY(window->DecodeNmeaSentence(NmeaTestWindow::Sentence("$GPZDA,123456.00,05,03,1990,00,00")));
        QCOMPARE(window->receiverTime.dateTime, Utc(1990, 3, 5, 12, 34, 57));
        QVERIFY(!window->bTimeMessageSeen);
    }

    void zdaWithEmptyZoneFields()
    {
        QVERIFY(window->DecodeNmeaSentence(NmeaTestWindow::Sentence("$GPZDA,235959.60,31,12,2021,,")));
        // The rounded second carried into the new year.
        QCOMPARE(window->receiverTime.dateTime, Utc(2022, 1, 1, 0, 0, 1));
    }

    void zdaIllegalDatesOnlyAdvanceTheClock_data()
    {
        QTest::addColumn<QByteArray>("sentence");
        QTest::newRow("year 0089") << QByteArray("$GPZDA,123456.00,05,03,0089,00,00");
        QTest::newRow("31 February") << QByteArray("$GPZDA,120000.00,31,02,2021,00,00");
    }

    void zdaIllegalDatesOnlyAdvanceTheClock()
    {
        QFETCH(QByteArray, sentence);
        const QDateTime before = Utc(2020, 5, 1, 10, 0, 0);
        window->receiverTime.SetDateTime(before);
        QTest::ignoreMessage(QtDebugMsg, "WARNING: Illegal date or time decoding GPZDA.");
        QVERIFY(window->DecodeNmeaSentence(NmeaTestWindow::Sentence(sentence)));
        QCOMPARE(window->receiverTime.dateTime, before.addSecs(1));
        QVERIFY(window->bNmeaTimeTaken);
    }

    void zdaBadFieldsAreRefused_data()
    {
        QTest::addColumn<QByteArray>("sentence");
        QTest::newRow("hour 24") << QByteArray("$GPZDA,243000.00,05,03,1990,00,00");
        QTest::newRow("second 61") << QByteArray("$GPZDA,123461.00,05,03,1990,00,00");
        QTest::newRow("zone minutes in letters") << QByteArray("$GPZDA,123456.00,05,03,1990,00,ab");
        QTest::newRow("day 32") << QByteArray("$GPZDA,123456.00,32,03,1990,00,00");
        QTest::newRow("month 0") << QByteArray("$GPZDA,123456.00,05,00,1990,00,00");
        QTest::newRow("negative year") << QByteArray("$GPZDA,123456.00,05,03,-1,00,00");
        QTest::newRow("no fields") << QByteArray("$GPZDA,");
    }

    void zdaBadFieldsAreRefused()
    {
        QFETCH(QByteArray, sentence);
        const QDateTime before = window->receiverTime.dateTime;
        QVERIFY(!window->DecodeNmeaSentence(NmeaTestWindow::Sentence(sentence)));
        QCOMPARE(window->receiverTime.dateTime, before);
        QVERIFY(!window->bNmeaTimeTaken);
        QVERIFY(!window->bTimeMessageSeen);
    }

    void zdaAfterTheTickLeavesTheSecondToIt()
    {
        for (bool& flag : window->bPpsAwaitingTime)
            flag = true;
        const QDateTime shown = window->displayTime.dateTime;
        QVERIFY(window->DecodeNmeaSentence(NmeaTestWindow::Sentence("$GPZDA,080000.00,01,07,2015,00,00")));
        QCOMPARE(window->receiverTime.dateTime, Utc(2015, 7, 1, 8, 0, 1));
        QCOMPARE(window->displayTime.dateTime, shown);
        QVERIFY(!window->bTimeMessageSeen);
        QVERIFY(!window->bPpsAwaitingTime[0]);
        QVERIFY(!window->bPpsAwaitingTime[1]);
        QVERIFY(window->bPpsAwaitingTime[2]);
    }

    // A ZDA sentence of the second has the time; RMC then gives only speed and course,
    // until the next tick.
    void zdaAndRmcInTheSameSecond()
    {
        QVERIFY(window->DecodeNmeaSentence(NmeaTestWindow::Sentence("$GPZDA,113258.00,18,10,2022,00,00")));
        QVERIFY(window->DecodeNmeaSentence(NmeaTestWindow::Sentence(
            "$GPRMC,113259,A,3238.9148,N,10822.4466,W,005.3,247.1,181022,009.3,E")));
        QCOMPARE(window->receiverTime.dateTime, Utc(2022, 10, 18, 11, 32, 59));
        QCOMPARE(window->gpsNavDialog->GetSpeed(), 5.3);
        QCOMPARE(window->gpsNavDialog->GetHeading(), 247.1);

        // The tick (played here) clears the ZDA mark and waits for the time messages.
        window->bNmeaTimeTaken = false;
        window->bTimeMessageSeen = false;
        for (bool& flag : window->bPpsAwaitingTime)
            flag = true;
        QVERIFY(window->DecodeNmeaSentence(NmeaTestWindow::Sentence(
            "$GPRMC,113300,A,3238.9141,N,10822.4498,W,005.0,245.0,181022,009.3,E")));
        QCOMPARE(window->receiverTime.dateTime, Utc(2022, 10, 18, 11, 33, 1));
        QVERIFY(!window->bPpsAwaitingTime[0]);
        QVERIFY(window->bPpsAwaitingTime[1]);
        QVERIFY(!window->bPpsAwaitingTime[2]);
        QVERIFY(!window->bTimeMessageSeen);
        QVERIFY(!window->bNmeaTimeTaken);  // only ZDA marks the second
    }

    void rmcWithoutFixIsTakenButNotDecoded()
    {
        window->gpsNavDialog->SetSpeed(1.0);
        const QDateTime before = window->receiverTime.dateTime;
        QVERIFY(window->DecodeNmeaSentence(
            NmeaTestWindow::Sentence("$GPRMC,113300,V,3238.9141,N,10822.4498,W,009.9,245.0,181022,,")));
        QCOMPARE(window->gpsNavDialog->GetSpeed(), 1.0);
        QCOMPARE(window->receiverTime.dateTime, before);
        QVERIFY(!window->bTimeMessageSeen);
        QVERIFY(window->DecodeNmeaSentence(NmeaTestWindow::Sentence("$GPRMC,,,,,,,,,,,")));
    }

    void rmcDates_data()
    {
        QTest::addColumn<QByteArray>("date");
        QTest::addColumn<QDate>("expected");
        QTest::newRow("1980") << QByteArray("010180") << QDate(1980, 1, 1);
        QTest::newRow("2079") << QByteArray("311279") << QDate(2079, 12, 31);
        QTest::newRow("30 February") << QByteArray("300222") << QDate();
    }

    void rmcDates()
    {
        QFETCH(QByteArray, date);
        QFETCH(QDate, expected);
        const QDateTime before = Utc(2020, 5, 1, 10, 0, 0);
        window->receiverTime.SetDateTime(before);
        QVERIFY(window->DecodeNmeaSentence(
            NmeaTestWindow::Sentence("$GPRMC,081500.00,A,5155.55442,N,00434.65873,E,0.211,," + date + ",,,A")));
        // An impossible date keeps the time the receiver had, one second on.
        const QDateTime expectedTime =
            expected.isValid() ? QDateTime(expected, QTime(8, 15, 1), Qt::UTC) : before.addSecs(1);
        QCOMPARE(window->receiverTime.dateTime, expectedTime);
    }

    void rmcFieldChecks()
    {
        // A number followed by a letter passes and is handed over as 0.
        window->gpsNavDialog->SetSpeed(3.0);
        QVERIFY(window->DecodeNmeaSentence(
            NmeaTestWindow::Sentence("$GPRMC,120000,A,4807.038,N,01131.000,E,12.5x,084.4,230394,003.1,W")));
        QCOMPARE(window->gpsNavDialog->GetSpeed(), 0.0);
        QCOMPARE(window->gpsNavDialog->GetHeading(), 84.4);

        // A bad latitude fails the sentence; speed and course still count.
        const QDateTime before = window->receiverTime.dateTime;
        QVERIFY(!window->DecodeNmeaSentence(
            NmeaTestWindow::Sentence("$GPRMC,120001,A,9100.000,N,01131.000,E,022.4,184.4,230394,003.1,W")));
        QCOMPARE(window->gpsNavDialog->GetSpeed(), 22.4);
        QCOMPARE(window->gpsNavDialog->GetHeading(), 184.4);
        QCOMPARE(window->receiverTime.dateTime, before);

        // Date field empty: it reads as 1 January 2000, which is fine.
        QVERIFY(window->DecodeNmeaSentence(
            NmeaTestWindow::Sentence("$GPRMC,120002,A,4807.038,N,01131.000,E,022.4,184.4,,,")));
        QCOMPARE(window->receiverTime.dateTime, Utc(2000, 1, 1, 12, 0, 3));
        QVERIFY(!window->DecodeNmeaSentence(
            NmeaTestWindow::Sentence("$GPRMC,120003,A,4807.038,N,01131.000,E,022.4,184.4,0101,,")));
    }

    void localTimeReceiverOnAPcAheadOfUtc()
    {
        const PcTimeZone zone("CET-1");
        window->gpsRxDialog->bRxOnLocalTime = true;
        QVERIFY(window->DecodeNmeaSentence(NmeaTestWindow::Sentence("$GPZDA,120000.00,15,01,2021,01,00")));
        window->gpsRxDialog->bRxOnLocalTime = false;
        QCOMPARE(window->receiverTime.dateTime, Utc(2021, 1, 15, 11, 0, 1));
        QCOMPARE(window->receiverTime.dateTime.timeSpec(), Qt::UTC);

        window->bNmeaTimeTaken = false;
        window->gpsRxDialog->bRxOnLocalTime = true;
        QVERIFY(window->DecodeNmeaSentence(
            NmeaTestWindow::Sentence("$GPRMC,003000,A,4807.038,N,01131.000,E,0.0,0.0,010121,,")));
        window->gpsRxDialog->bRxOnLocalTime = false;
        QCOMPARE(window->receiverTime.dateTime, Utc(2020, 12, 31, 23, 30, 1));
    }

private:
    MainWindow* window = nullptr;
};

HORALUX_TEST(TestNmeaTime);
#include "tst_nmeatime.moc"
