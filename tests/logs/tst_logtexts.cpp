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
    // The PVT file of 31 December 2024 and port 3's time file, comma style; "" refused.
    void names()
    {
        const QDate day(2024, 12, 31);
        for (const QString& prefix : QStringList{"GPS", "", "St_1-a", QString(32, 'x'), QString(33, 'x'), "../x"}) {
            const bool bRefused = prefix.size() > 32 || prefix.contains('/');
            QCOMPARE(GpsLogPath("/logs", prefix, GpsLogPvt, day), bRefused ? "" : "/logs/" + prefix + "2024366.csv");
            QCOMPARE(TicLogPath("/logs/", prefix, 1, day, QLatin1Char('T'), 3), bRefused ? "" : "/logs/" + prefix + "2024366T3.csv");
        }
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
        QCOMPARE(GpsLogPeriodSeconds(11) + GpsLogPeriodSeconds(-1), 3601);
        QVERIFY(IsLoggedSecond(QTime(13, 0, 0), 3600) && !IsLoggedSecond(QTime(13, 0, 1), 3600));
        QVERIFY(!IsLoggedSecond(QTime(), 1) && !IsLoggedSecond(QTime(1, 0, 0), 0));
    }

    // The NMEA log's quality follows the fix status; the sentence carries its checksum.
    void ggaQuality()
    {
        LogTexts::StatusValues v;
        v.utc = QDateTime(QDate(2024, 12, 31), QTime(23, 59, 59), Qt::UTC);
        v.nmeaPosition = "4807.0380,N,01131.0000,E";
        v.satellitesUsed = 8;
        v.hdop = 0.9;
        v.altitudeMsl = 545.4;
        v.geoidSeparation = 46.9;
        for (int fix : {1, 2, 3, 4}) {
            v.fixStatus = fix;
            QByteArray gga = LogTexts::GgaStatusSentence(v);
            const char quality = fix == 2 ? '1' : fix == 3 ? '2' : '0';
            QCOMPARE(gga.chopped(3),
                     "$GPGGA,235959.00,4807.0380,N,01131.0000,E," + QByteArray(1, quality) + ",08,0.9,545.4,M,46.9,M,,");
            QVERIFY(GpsSerialPortThread::CheckNmeaChecksum(gga));
        }
    }
};

HORALUX_TEST(TestLogTexts);
#include "tst_logtexts.moc"
