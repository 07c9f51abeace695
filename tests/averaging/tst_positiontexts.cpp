#include "averagingengine.h"
#include "maidenhead.h"
#include "positiontexts.h"
#include "testsupport.h"

#include <QTest>

#include <cmath>
#include <limits>

namespace {

const QString kDeg = QString(QChar(0xB0));

QString Deg(QString text)
{
    return text.replace(QLatin1Char('@'), kDeg);
}

}  // namespace

class TestPositionTexts : public QObject
{
    Q_OBJECT

private slots:
    void richFormats_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<double>("lat");
        QTest::addColumn<double>("lon");
        QTest::addColumn<QString>("expected");
        const QString alts = "<br>     512m<br>     465m";
        QTest::newRow("decimal") << 0 << 48.1466 << 11.6083 << "48.14660000@<br>11.60830000@" + alts;
        QTest::newRow("minutes") << 1 << 48.1466 << 11.6083 << "48@  8.79600'<br>  11@ 36.49800'" + alts;
        QTest::newRow("minutes south west") << 1 << -33.8 << -70.25 << "-33@ 48.00000'<br> -70@ 15.00000'" + alts;
        QTest::newRow("minutes, between -1 and 0") << 1 << -0.5 << -0.25
                                                   << "-00@ 30.00000'<br>-  00@ 15.00000'" + alts;
        QTest::newRow("minutes carry") << 1 << 10.9999999999 << -7.99999999999
                                       << "11@  0.00000'<br> -08@  0.00000'" + alts;
        QTest::newRow("minutes carry out of -1 to 0") << 1 << -0.99999999999 << 0.0
                                                      << "-01@  0.00000'<br>  00@  0.00000'" + alts;
        QTest::newRow("seconds") << 2 << 48.1466 << 11.6083 << "48@   8' 47.7600\"<br>  11@ 36' 29.8800\"" + alts;
        QTest::newRow("seconds south west") << 2 << -33.8 << -70.25
                                            << "-33@  48'  0.0000\"<br> -70@ 15'  0.0000\"" + alts;
        QTest::newRow("seconds carry into degrees") << 2 << 59.99999999999 << -0.999999999999
                                                    << "60@   0'  0.0000\"<br> -01@ 00'  0.0000\"" + alts;
        QTest::newRow("other format") << 7 << -0.5 << 0.5 << "-00@  30'  0.0000\"<br>  00@ 30'  0.0000\"" + alts;
    }
    void richFormats()
    {
        QFETCH(int, format);
        QFETCH(double, lat);
        QFETCH(double, lon);
        QFETCH(QString, expected);
        QCOMPARE(PositionTexts::FormatRich(format, lat, lon, 512.4, 464.6), Deg(expected));
    }

    void nmeaAndCsv()
    {
        QCOMPARE(PositionTexts::FormatNmea(48.1466, 11.6083), QStringLiteral("4808.7960,N,01136.4980,E"));
        QCOMPARE(PositionTexts::FormatNmea(-33.8, -70.25), QStringLiteral("3348.0000,S,07015.0000,W"));
        QCOMPARE(PositionTexts::FormatNmea(-0.5, -0.25), QStringLiteral("0030.0000,S,00015.0000,W"));
        // Never "4860.0000": the minutes carry into the degrees.
        QCOMPARE(PositionTexts::FormatNmea(48.9999999999, 179.99999999), QStringLiteral("4900.0000,N,18000.0000,E"));
        QCOMPARE(PositionTexts::FormatCsv(48.1466, -11.6083, 512.444, -3.005),
                 Deg("48.14660000@,-11.60830000@,512.44,-3.00"));
    }

    void engineChoosesPositionAndForm()
    {
        AveragingEngine engine;
        engine.currentLat = -33.8;
        engine.currentLon = -70.25;
        engine.averagedLat = 48.1466;
        engine.averagedLon = 11.6083;
        engine.refLat = 1.5;
        engine.refLon = 2.5;
        engine.refAltGps = 10.0;
        QCOMPARE(engine.FormatPositionNmea(3), QStringLiteral("3348.0000,S,07015.0000,W"));
        QCOMPARE(engine.FormatPositionCsv(4), Deg(" 1.50000000@, 2.50000000@,10.00,0.00"));
        QVERIFY(engine.FormatPosition(0).startsWith(QStringLiteral("48.14660000")));
        // The NMEA and comma forms belong to their own operation only.
        QCOMPARE(engine.FormatPosition(3), PositionTexts::FormatRich(2, 48.1466, 11.6083, 0.0, 0.0));
        QCOMPARE(engine.FormatPositionCsv(3), PositionTexts::FormatRich(2, 1.5, 2.5, 10.0, 0.0));
    }

    void notFiniteAnglesStillFormat()
    {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        QCOMPARE(PositionTexts::FormatNmea(nan, -inf), QStringLiteral("0000.0000,N,00000.0000,E"));
        QVERIFY(PositionTexts::FormatRich(1, nan, inf, 0.0, 0.0).startsWith(Deg("00@  0.00000'")));
    }

    void dopText()
    {
        QCOMPARE(PositionTexts::DopText(0.0, 0.0, 0.0, 0.0, 0.0), QString());
        QCOMPARE(PositionTexts::DopText(0.0, 0.0, 1.2, 2.0, 0.0), QStringLiteral("DOPs: H=1.2 V=2.0 "));
        QCOMPARE(PositionTexts::DopText(2.54, 2.1, 1.2, 1.8, 12.34),
                 QStringLiteral("DOPs: G=2.5 P=2.1 H=1.2 V=1.8 T=12.3 "));
    }

    void locator_data()
    {
        QTest::addColumn<double>("lat");
        QTest::addColumn<double>("lon");
        QTest::addColumn<QString>("expected");
        const double nan = std::numeric_limits<double>::quiet_NaN();
        QTest::newRow("worked example") << 48.1466 << 11.6083 << "JN58td.25";
        QTest::newRow("origin") << 0.0 << 0.0 << "JJ00aa.00";
        QTest::newRow("south west") << -33.87 << -70.31 << "FF46ud.21";
        QTest::newRow("north pole") << 90.0 << 0.0 << "JS00aa.00";
        QTest::newRow("south pole") << -90.0 << 0.0 << "JA00aa.00";
        QTest::newRow("+180") << 0.0 << 180.0 << "AJ00aa.00";
        QTest::newRow("-180") << 0.0 << -180.0 << "AJ00aa.00";
        QTest::newRow("just west of +180") << 0.0 << 179.9999 << "RJ90xa.90";
        QTest::newRow("beyond the pole is clamped") << 1000.0 << 0.0 << "JS00aa.00";
        QTest::newRow("huge longitude is clamped") << 0.0 << 1e300 << "AJ00aa.00";
        QTest::newRow("not a number") << nan << nan << "JJ00aa.00";
    }
    void locator()
    {
        QFETCH(double, lat);
        QFETCH(double, lon);
        QFETCH(QString, expected);
        QCOMPARE(MaidenheadLocator(lat, lon), expected);
    }
};

HORALUX_TEST(TestPositionTexts);
#include "tst_positiontexts.moc"
