// The log-file names, the logged seconds and the texts the logs write, without a window.

#include "gpsserialportthread.h"
#include "logfilenames.h"
#include "logtexts.h"
#include "testsupport.h"

#include <QTest>

using namespace LogFileNames;

class TestLogTexts : public QObject
{
    Q_OBJECT

private slots:
    void names_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("gps");  // the PVT file of 31 December 2024; "" refused
        QTest::addColumn<QString>("tic");  // port 3's time file, comma style
        QTest::newRow("defaults") << "GPS" << "/logs/GPS2024366.csv" << "/logs/GPS2024366T3.csv";
        QTest::newRow("empty prefix") << "" << "/logs/2024366.csv" << "/logs/2024366T3.csv";
        QTest::newRow("32 characters") << QString(32, 'x') << "/logs/" + QString(32, 'x') + "2024366.csv"
                                       << "/logs/" + QString(32, 'x') + "2024366T3.csv";
        QTest::newRow("33 characters") << QString(33, 'x') << "" << "";
        QTest::newRow("parent folder") << "../x" << "" << "";
        QTest::newRow("sub folder") << "a/b" << "" << "";
        QTest::newRow("blank") << "a b" << "" << "";
        QTest::newRow("dash and underscore") << "St_1-a" << "/logs/St_1-a2024366.csv" << "/logs/St_1-a2024366T3.csv";
    }
    void names()
    {
        QFETCH(QString, prefix);
        QFETCH(QString, gps);
        QFETCH(QString, tic);
        const QDate day(2024, 12, 31);
        QCOMPARE(GpsLogPath("/logs", prefix, GpsLogPvt, day), gps);
        QCOMPARE(TicLogPath("/logs/", prefix, 1, day, QLatin1Char('T'), 3), tic);
    }

    void extensionsPeriodsAndSeconds()
    {
        QString extensions;
        for (int type = -1; type <= 5; ++type)
            extensions += GpsLogExtension(type);
        QCOMPARE(extensions, ".txt.txt.bin.csv.txt.bin.txt");
        QCOMPARE(TicLogExtension(0) + TicLogExtension(1) + TicLogExtension(2), ".prn.csv.txt");
        QCOMPARE(TicLogPath("/l", "TIC", 0, QDate(2025, 1, 1), QLatin1Char('C'), 0), "/l/TIC2025001C.prn");
        QCOMPARE(TicLogPath("/l", "TIC", 2, QDate(2025, 1, 1), QLatin1Char('A'), 9), QString());
        QCOMPARE(GpsLogPeriodSeconds(11), 3600);
        QCOMPARE(GpsLogPeriodSeconds(12), 1);
        QCOMPARE(GpsLogPeriodSeconds(-1), 1);
        QVERIFY(IsLoggedSecond(QTime(0, 0, 0), 3600) && IsLoggedSecond(QTime(13, 0, 0), 3600));
        QVERIFY(!IsLoggedSecond(QTime(13, 0, 1), 3600) && IsLoggedSecond(QTime(13, 0, 15), 15));
        QVERIFY(!IsLoggedSecond(QTime(), 1) && !IsLoggedSecond(QTime(1, 0, 0), 0));
        // Before any receiver time the PC clock chooses the day.
        const QDateTime pc(QDate(2025, 1, 1), QTime(0, 0, 1), Qt::UTC);
        const QDateTime rx(QDate(2024, 12, 31), QTime(23, 59, 59), Qt::UTC);
        QCOMPARE(LogClock(rx, false, pc), pc);
        QCOMPARE(LogClock(rx, true, pc), rx);
        QCOMPARE(LogClock(QDateTime(), true, pc), pc);
    }

    void linesRecordsAndSentences()
    {
        QCOMPARE(LogTexts::LogLines("a\r\nb\n\n"), QByteArray("a\nb\n"));
        QCOMPARE(LogTexts::LogLines("\r\n\n"), QByteArray());
        QCOMPARE(LogTexts::BinaryRecord("@@Cj"), QByteArray("@@Cj\x29\r\n"));
        QVERIFY(LogTexts::IsRinexMessage("@@Bo\x01") && !LogTexts::IsRinexMessage("@@Cj"));
        QCOMPARE(LogTexts::LogTimeText(QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9), Qt::UTC)), "06-May-2024 07:08:09");

        LogTexts::StatusValues v;
        v.utc = QDateTime(QDate(2024, 12, 31), QTime(23, 59, 59), Qt::UTC);
        v.nmeaPosition = "4807.0380,N,01131.0000,E";
        v.navMode = 3;
        v.satellitesUsed = 8;
        v.bLocked = true;
        v.pcClockOffsetMs = -12;
        v.hdop = 0.9;
        v.altitudeMsl = 545.4;
        v.geoidSeparation = 46.9;
        for (int fix : {0, 1, 2, 3, 4}) {
            v.fixStatus = fix;
            QCOMPARE(LogTexts::RawStatusRecord(v),
                     QStringLiteral("2024-12-31,23:59:59,4807.0380,N,01131.0000,E,3,%1,8,1,-12").arg(fix));
            QByteArray gga = LogTexts::GgaStatusSentence(v);
            const char quality = fix == 2 ? '1' : fix == 3 ? '2' : '0';
            QCOMPARE(gga.left(gga.size() - 3),
                     "$GPGGA,235959.00,4807.0380,N,01131.0000,E," + QByteArray(1, quality) + ",08,0.9,545.4,M,46.9,M,,");
            QVERIFY(GpsSerialPortThread::CheckNmeaChecksum(gga));
        }
    }

    void configurationBufferLimit_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("19999") << 19999;
        QTest::newRow("20000") << 20000;
        QTest::newRow("20001") << 20001;
    }
    void configurationBufferLimit()
    {
        QFETCH(int, size);
        const QString overflow = "*** Configuration buffer overflow before log opened ***\n";
        QString buffer;
        LogTexts::BufferConfigurationText(buffer, QString(size - 1, 'c') + '\n');
        QCOMPARE(buffer.size(), size <= 20000 ? size : overflow.size());
        // Once full, the buffer takes nothing more, and says so once.
        LogTexts::BufferConfigurationText(buffer, QString(20000, 'c'));
        LogTexts::BufferConfigurationText(buffer, "x\n");
        QCOMPARE(buffer.count(overflow), 1);
        QVERIFY(buffer.endsWith(overflow));
    }
};

HORALUX_TEST(TestLogTexts);
#include "tst_logtexts.moc"
