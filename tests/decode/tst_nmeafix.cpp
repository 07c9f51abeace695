#include "gpsnavdialog.h"
#include "mainwindow.h"
#include "nmeatestwindow.h"
#include "receiverinfo.h"
#include "testsupport.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray kMunich = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,";

struct Position
{
    double lat = 0.0;
    double lon = 0.0;
    double altGps = 0.0;
    double altMsl = 0.0;
};

bool Near(double a, double b)
{
    return qAbs(a - b) < 1e-6;
}

}  // namespace

// The fix data sentence: position samples, fix status, satellites used, the
// differential state and the PVT log line.
class TestNmeaFix : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        window = NmeaTestWindow::Create();
        QVERIFY(logDir.isValid());
    }

    void cleanupTestCase() { delete window; }

    void init()
    {
        NmeaTestWindow::Reset(window);
        window->gpsLogFile.close();
        window->gpsLogFile.setFileName(logDir.filePath(QStringLiteral("pvt.csv")));
        QVERIFY(window->gpsLogFile.open(QIODevice::WriteOnly | QIODevice::Truncate));
    }

    void cleanup() { window->gpsLogFile.close(); }

    void fixFromAGenericReceiver()
    {
        window->bGpsRawDataVisible = true;
        window->gpsLogTypeDialog->gpsLogType = 2;
        QVERIFY(window->DecodeNmeaSentence(NmeaTestWindow::Sentence(kMunich)));
        QCOMPARE(window->gpsNavDialog->GetFixStatus(), 2);
        QCOMPARE(window->gpsNavDialog->GetSatellitesUsed(), 8);
        const Position p = Current();
        QVERIFY(Near(p.lat, 48.1173));
        QVERIFY(Near(p.lon, 11.0 + 31.0 / 60.0));
        QVERIFY(Near(p.altGps, 592.3));
        QVERIFY(Near(p.altMsl, 545.4));
        QCOMPARE(window->dgpsState, 0);
        // The log line: time, latitude and longitude pieces, then the sentence's own
        // fields for the remaining columns.
        QCOMPARE(LogText().trimmed(),
                 QByteArray("12,35,19.00,48,7.038000,N,11,31.000000,E,1,08,0.9,545.4,M,46.9,M,,"));
    }

    void noLogLineUnlessSomeoneLooks()
    {
        window->gpsLogTypeDialog->gpsLogType = 2;
        QVERIFY(window->DecodeNmeaSentence(NmeaTestWindow::Sentence(kMunich)));
        QVERIFY(LogText().isEmpty());
        // Another log type gets no PVT line either.
        window->bLogThisSecond = true;
        window->gpsLogTypeDialog->gpsLogType = 0;
        QVERIFY(window->DecodeNmeaSentence(NmeaTestWindow::Sentence(kMunich)));
        QVERIFY(LogText().isEmpty());
    }

    void heightsDependOnModelAndFirmware_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<double>("firmware");
        QTest::addColumn<double>("altGps");
        QTest::addColumn<double>("altMsl");
        QTest::newRow("VP 6.5") << 10 << 6.5 << 545.4 << 498.5;
        QTest::newRow("VP 8.0") << 10 << 8.0 << 498.5 << 545.4;
        QTest::newRow("XT 9.1") << 11 << 9.1 << 592.3 << 545.4;
    }

    void heightsDependOnModelAndFirmware()
    {
        QFETCH(int, model);
        QFETCH(double, firmware);
        QFETCH(double, altGps);
        QFETCH(double, altMsl);
        receiverInfo.receiverModel = model;
        receiverInfo.firmwareVersion = firmware;
        QVERIFY(window->DecodeNmeaSentence(NmeaTestWindow::Sentence(kMunich)));
        QVERIFY(Near(Current().altGps, altGps));
        QVERIFY(Near(Current().altMsl, altMsl));
    }

    void fixStatusByInterfaceMode()
    {
        const QByteArray three = "$GPGGA,123519,4807.038,N,01131.000,E,1,03,0.9,545.4,M,46.9,M,,";
        QVERIFY(window->DecodeNmeaSentence(NmeaTestWindow::Sentence(three)));
        QCOMPARE(window->gpsNavDialog->GetFixStatus(), 1);
        receiverInfo.gpsPortMode = GpsPortModeUbloxNmea;
        QVERIFY(window->DecodeNmeaSentence(NmeaTestWindow::Sentence(three)));
        QCOMPARE(window->gpsNavDialog->GetFixStatus(), 2);
    }

    // The differential state follows every valid sentence, both ways; with the
    // checksum left in the last field it could never fall back.
    void differentialStateComesAndGoes()
    {
        QVERIFY(window->DecodeNmeaSentence(
            NmeaTestWindow::Sentence("$GPGGA,113258,3238.9148,N,10822.4466,W,2,08,1.1,1577.4,M,-24.6,M,,")));
        QCOMPARE(window->gpsNavDialog->GetFixStatus(), 3);
        QCOMPARE(window->dgpsState, 2);
        QVERIFY(Near(Current().lat, 32.0 + 38.9148 / 60.0));
        QVERIFY(Near(Current().lon, -(108.0 + 22.4466 / 60.0)));
        QVERIFY(Near(Current().altGps, 1552.8));
        QVERIFY(window->DecodeNmeaSentence(
            NmeaTestWindow::Sentence("$GPGGA,113259,3238.9145,S,10822.4482,E,1,08,1.1,1577.9,M,-24.6,M,2.0,0031")));
        QCOMPARE(window->dgpsState, 0);
        QVERIFY(Near(Current().lat, -(32.0 + 38.9145 / 60.0)));
        QVERIFY(Near(Current().lon, 108.0 + 22.4482 / 60.0));
    }

    void sameSentenceTwiceIsDecodedTwice()
    {
        QVERIFY(window->DecodeNmeaSentence(NmeaTestWindow::Sentence(kMunich)));
        window->gpsNavDialog->SetFixStatus(-1);
        QVERIFY(window->DecodeNmeaSentence(NmeaTestWindow::Sentence(kMunich)));
        QCOMPARE(window->gpsNavDialog->GetFixStatus(), 2);
    }

    void unitsOtherThanMetres()
    {
        QTest::ignoreMessage(QtDebugMsg, "NMEA fAltitude_msl not in Meters");
        QTest::ignoreMessage(QtDebugMsg, "NMEA fGeoid_separation not in Meters");
        QVERIFY(window->DecodeNmeaSentence(
            NmeaTestWindow::Sentence("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,F,46.9,f,,")));
        QCOMPARE(Current().altGps, 0.0);
        QCOMPARE(Current().altMsl, 0.0);
        QVERIFY(Near(Current().lat, 48.1173));
    }

    void badLatitudeGivesNoPositionButStillTheFixStatus()
    {
        window->bGpsRawDataVisible = true;
        window->gpsLogTypeDialog->gpsLogType = 2;
        window->dgpsState = 2;
        QVERIFY(!window->DecodeNmeaSentence(
            NmeaTestWindow::Sentence("$GPGGA,123519,9100.000,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,")));
        QCOMPARE(Current().lat, 0.0);
        QCOMPARE(window->gpsNavDialog->GetFixStatus(), 2);
        QCOMPARE(window->gpsNavDialog->GetSatellitesUsed(), 8);
        QCOMPARE(window->dgpsState, 2);
        QCOMPARE(LogText().trimmed(), QByteArray("12,35,19.00,"));
    }

    void emptySatelliteFieldSetsNoFixStatus()
    {
        QVERIFY(!window->DecodeNmeaSentence(
            NmeaTestWindow::Sentence("$GPGGA,123519,4807.038,N,01131.000,E,1,,0.9,545.4,M,46.9,M,,")));
        QCOMPARE(window->gpsNavDialog->GetFixStatus(), -1);
        QCOMPARE(window->gpsNavDialog->GetSatellitesUsed(), -1);
        QCOMPARE(Current().lat, 0.0);
    }

    void sentenceWithoutFix()
    {
        window->dgpsState = 2;
        QVERIFY(!window->DecodeNmeaSentence(NmeaTestWindow::Sentence("$GPGGA,123519,,,,,0,00,,,M,,M,,")));
        QCOMPARE(window->gpsNavDialog->GetFixStatus(), 0);
        QCOMPARE(window->gpsNavDialog->GetSatellitesUsed(), 0);
        QCOMPARE(Current().lat, 0.0);
        QCOMPARE(window->dgpsState, 2);
    }

    void badDifferentialFieldsFailTheSentenceAfterThePosition()
    {
        QVERIFY(!window->DecodeNmeaSentence(
            NmeaTestWindow::Sentence("$GPGGA,123519,4807.038,N,01131.000,E,2,08,0.9,545.4,M,46.9,M,x,")));
        QVERIFY(Near(Current().altMsl, 545.4));
        QCOMPARE(window->dgpsState, 0);
        QVERIFY(!window->DecodeNmeaSentence(
            NmeaTestWindow::Sentence("$GPGGA,123519,4807.038,N,01131.000,E,2,08,0.9,x,M,46.9,M,,")));
        QCOMPARE(window->dgpsState, 0);
    }

    // A separation that cannot be read, "nan" included, gives no sample at all.
    void unreadableSeparationGivesNoSample()
    {
        for (const char* separation : {"x", "nan", "inf", "1e999"}) {
            window->gpsNavDialog->currentLat = 0.0;
            QVERIFY(!window->DecodeNmeaSentence(NmeaTestWindow::Sentence(
                "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M," + QByteArray(separation) + ",M,,")));
            QCOMPARE(Current().lat, 0.0);
            QCOMPARE(Current().altGps, 0.0);
        }
        // An empty one is 0.
        QVERIFY(window->DecodeNmeaSentence(
            NmeaTestWindow::Sentence("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,,M,,")));
        QVERIFY(Near(Current().altGps, 545.4));
    }

private:
    Position Current() const
    {
        Position p;
        window->gpsNavDialog->GetCurrentPosition(&p.lat, &p.lon, &p.altGps, &p.altMsl);
        return p;
    }

    QByteArray LogText()
    {
        window->gpsLogFile.flush();
        QFile file(window->gpsLogFile.fileName());
        if (!file.open(QIODevice::ReadOnly))
            return QByteArray();
        return file.readAll();
    }

    MainWindow* window = nullptr;
    QTemporaryDir logDir;
};

HORALUX_TEST(TestNmeaFix);
#include "tst_nmeafix.moc"
