// Position, angle and altitude texts: the formats, the grammar that reads them back,
// and the grid locator.

#include "angletexts.h"
#include "averagingengine.h"
#include "maidenhead.h"
#include "modalwatcher.h"
#include "positiontexts.h"
#include "referencelocationdialog.h"
#include "testsupport.h"

#include <QTest>

#include <cmath>
#include <limits>

namespace {

QString Deg(QString text)
{
    return text.replace(QLatin1Char('@'), QChar(0xB0));
}

// The boxes of the grammar, by a short name.
QString Box(const QString& name)
{
    static const QHash<QString, QString> boxes = {
        {"minutes", "Numeric Error|Minutes field out of range.\nDegrees must be between 0.0 and 60.0"},
        {"seconds", "Numeric Error|Seconds field out of range.\nDegrees must be between  0.0 and 60.0"},
        {"sign", "Numeric Error|Do not use both the \"-\" sign and N, S, E, or W indicators."},
        {"end", "Format Error|Unknown characters at end of field."},
        {"fraction", "Format Error|Only the last field may have a fractional part."},
        {"latitude", "Numeric Error|Degrees field out of range.\nDegrees must be between -90.0 and +90.0"},
        {"longitude", "Numeric Error|Degrees field out of range.\nDegrees must be between -180.0 and +180.0"},
        {"extra", "Extraineous characters in Altitude.|Only the following characters are allowed: \"+-1234567890.\""},
        {"range", "Numeric Error|Field is out of range.\nMust be between -500 and 18000"},
    };
    return boxes.value(name);
}

enum Kind { Latitude = 0, Longitude = 1, Altitude = 2 };
constexpr double kUnchanged = 777.0;
const double kNan = std::numeric_limits<double>::quiet_NaN();

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
        auto row = [](const char* legend, int format, double lat, double lon, const QString& text) {
            QTest::newRow(legend) << format << lat << lon << text + "<br>     512m<br>     465m";
        };
        row("decimal", 0, 48.1466, 11.6083, "48.14660000@<br>11.60830000@");
        row("minutes", 1, 48.1466, 11.6083, "48@  8.79600'<br>  11@ 36.49800'");
        row("minutes south west", 1, -33.8, -70.25, "-33@ 48.00000'<br> -70@ 15.00000'");
        row("minutes, between -1 and 0", 1, -0.5, -0.25, "-00@ 30.00000'<br>-  00@ 15.00000'");
        row("minutes carry", 1, 10.9999999999, -7.99999999999, "11@  0.00000'<br> -08@  0.00000'");
        row("minutes carry out of -1 to 0", 1, -0.99999999999, 0.0, "-01@  0.00000'<br>  00@  0.00000'");
        row("seconds", 2, 48.1466, 11.6083, "48@   8' 47.7600\"<br>  11@ 36' 29.8800\"");
        row("seconds south west", 2, -33.8, -70.25, "-33@  48'  0.0000\"<br> -70@ 15'  0.0000\"");
        row("seconds carry into degrees", 2, 59.99999999999, -0.999999999999, "60@   0'  0.0000\"<br> -01@ 00'  0.0000\"");
        row("other format", 7, -0.5, 0.5, "-00@  30'  0.0000\"<br>  00@ 30'  0.0000\"");
        row("not finite", 1, kNan, std::numeric_limits<double>::infinity(), "00@  0.00000'<br>  00@  0.00000'");
    }
    void richFormats()
    {
        QFETCH(int, format);
        QFETCH(double, lat);
        QFETCH(double, lon);
        QFETCH(QString, expected);
        QCOMPARE(PositionTexts::FormatRich(format, lat, lon, 512.4, 464.6), Deg(expected));
    }

    void nmeaCsvAndDops()
    {
        QCOMPARE(PositionTexts::FormatNmea(48.1466, 11.6083), QStringLiteral("4808.7960,N,01136.4980,E"));
        QCOMPARE(PositionTexts::FormatNmea(-0.5, -0.25), QStringLiteral("0030.0000,S,00015.0000,W"));
        // Never "4860.0000": the minutes carry into the degrees.
        QCOMPARE(PositionTexts::FormatNmea(48.9999999999, 179.99999999), QStringLiteral("4900.0000,N,18000.0000,E"));
        QCOMPARE(PositionTexts::FormatNmea(kNan, -HUGE_VAL), QStringLiteral("0000.0000,N,00000.0000,E"));
        QCOMPARE(PositionTexts::FormatCsv(48.1466, -11.6083, 512.444, -3.005),
                 Deg("48.14660000@,-11.60830000@,512.44,-3.00"));
        QCOMPARE(PositionTexts::DopText(0.0, 0.0, 0.0, 0.0, 0.0), QString());
        QCOMPARE(PositionTexts::DopText(0.0, 0.0, 1.2, 2.0, 0.0), QStringLiteral("DOPs: H=1.2 V=2.0 "));
        QCOMPARE(PositionTexts::DopText(2.54, 2.1, 1.2, 1.8, 12.34),
                 QStringLiteral("DOPs: G=2.5 P=2.1 H=1.2 V=1.8 T=12.3 "));
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

    void locator_data()
    {
        QTest::addColumn<double>("lat");
        QTest::addColumn<double>("lon");
        QTest::addColumn<QString>("expected");
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
        QTest::newRow("not a number") << kNan << kNan << "JJ00aa.00";
    }
    void locator()
    {
        QFETCH(double, lat);
        QFETCH(double, lon);
        QFETCH(QString, expected);
        QCOMPARE(MaidenheadLocator(lat, lon), expected);
    }

    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("result");
        QTest::addColumn<double>("value");
        QTest::addColumn<QStringList>("boxes");
        const QStringList none;
        auto row = [](const char* legend, const QString& text, int kind, bool result, double value,
                      const QStringList& boxes) { QTest::newRow(legend) << text << kind << result << value << boxes; };
        row("empty", "", Latitude, false, kUnchanged, none);
        // No digit, no angle: 0 would be a place in the sea.
        row("blanks", "   ", Longitude, false, kUnchanged, none);
        row("letter alone", "N", Latitude, false, 0.0, {"end"});
        row("east letter alone", "E", Longitude, false, 0.0, {"end"});
        row("sign alone", "+", Latitude, false, 0.0, {"end"});
        row("degree sign alone", "\u00b0", Longitude, false, 0.0, {"end"});
        row("south letter", "12 30 S", Latitude, true, -12.5, none);
        row("lower-case letter", "12 30 s", Latitude, true, -12.5, none);
        row("minus", "-12 30", Latitude, true, -12.5, none);
        row("detached minus", "- 12 30", Latitude, true, -12.5, none);
        row("minus zero degrees", "-0 30", Latitude, true, -0.5, none);
        row("zero degrees south", "0 30 S", Latitude, true, -0.5, none);
        row("zero degrees west", "0 30 W", Longitude, true, -0.5, none);
        row("minus and letter", "-12 30 S", Latitude, false, 0.0, {"sign"});
        // Marks before the letter are skipped, so the letter still gives the hemisphere.
        row("marks then letter", "12\u00b030'00\"S", Latitude, true, -12.5, none);
        row("degree sign then letter", "12.5\u00b0S", Latitude, true, -12.5, none);
        row("marks then other", "12\u00b0 X", Latitude, false, 0.0, {"end"});
        row("trailing point", "10.", Latitude, false, 0.0, {"end"});
        row("fraction not last", "10.5 30", Latitude, false, 0.0, {"fraction"});
        row("fraction last", "10 30.5", Latitude, true, 10.0 + 30.5 / 60.0, none);
        row("four numbers", "1 2 3 4", Latitude, false, 0.0, {"end"});
        row("minutes 60", "10 60", Latitude, false, 0.0, {"minutes"});
        row("minutes negative", "10 -5", Latitude, false, 0.0, {"minutes"});
        row("seconds 60", "10 20 60", Latitude, false, 0.0, {"seconds"});
        row("north pole", "90", Latitude, true, 90.0, none);
        row("south pole", "-90", Latitude, true, -90.0, none);
        row("past the pole", "90.0000001", Latitude, false, 90.0000001, {"latitude"});
        row("date line", "180", Longitude, true, 180.0, none);
        row("past the date line", "-180.5", Longitude, false, -180.5, {"longitude"});
        row("east letter on a latitude", "12 E", Latitude, true, 12.0, none);
        row("two faults", "10 60 X", Latitude, false, 0.0, {"minutes", "end"});
        row("all four faults", "10.5 -1 60 X", Latitude, false, 0.0, {"minutes", "seconds", "end", "fraction"});
        row("huge", QString(400, QLatin1Char('9')), Longitude, false, HUGE_VAL, {"longitude"});
        row("placeholder", "???", Altitude, true, 0.0, none);
        row("altitude", "100", Altitude, true, 100.0, none);
        row("lowest", " -500", Altitude, true, -500.0, none);
        row("highest", "18000", Altitude, true, 18000.0, none);
        row("too high", "18000.01", Altitude, false, 18000.01, {"range"});
        row("two numbers", "12 34", Altitude, false, 12.0, {"extra"});
        row("unit", "100m", Altitude, false, 100.0, {"extra"});
        row("words before", "abc 100", Altitude, true, 100.0, none);
        row("glued words", "abc100", Altitude, false, 0.0, {"extra"});
        row("empty altitude", "", Altitude, false, 0.0, none);
    }
    // Each row with its boxes answered in order, then silently with the same outcome.
    void parse()
    {
        QFETCH(QString, text);
        QFETCH(int, kind);
        QFETCH(bool, result);
        QFETCH(double, value);
        QFETCH(QStringList, boxes);
        ReferenceLocationDialog dialog;
        for (const bool bShowMessages : {true, false}) {
            ModalWatcher watcher;
            double parsed = kUnchanged;
            QCOMPARE(kind == Altitude ? dialog.ValidateAltitude(text, &parsed, bShowMessages)
                                      : dialog.ParseAngle(text, &parsed, bShowMessages, kind),
                     result);
            QVERIFY2(parsed == value || std::fabs(parsed - value) < 1e-12, qPrintable(QString::number(parsed)));
            QStringList shown, expected;
            for (const ModalWatcher::Box& box : watcher.boxes)
                shown << box.title + '|' + box.text;
            for (const QString& name : boxes)
                expected << Box(name);
            QCOMPARE(shown, bShowMessages ? expected : QStringList());
        }
    }

    void formatAngle_data()
    {
        QTest::addColumn<double>("angle");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("12.5") << 12.5 << QStringList{"12.5000000@", "12@  30.00000'", "12@   30'   0.0000\""};
        QTest::newRow("-0.5") << -0.5 << QStringList{"-0.5000000@", "-00@  30.00000'", "-00@   30'   0.0000\""};
        QTest::newRow("5.1234567") << 5.1234567 << QStringList{"5.1234567@", "05@   7.40740'", "05@    7'  24.4441\""};
        // Rounded before it is split: no 60 minutes or seconds is ever shown.
        QTest::newRow("just short of 180")
            << 179.999999999 << QStringList{"180.0000000@", "180@   0.00000'", "180@    0'   0.0000\""};
    }
    // Each format as shown, and read back by the grammar to the angle it shows.
    void formatAngle()
    {
        QFETCH(double, angle);
        QFETCH(QStringList, texts);
        const double precision[3] = {0.6e-7, 0.6e-5 / 60.0, 0.6e-4 / 3600.0};
        for (int format = 0; format < 3; ++format) {
            const QString text = AngleTexts::FormatAngle(angle, format);
            QCOMPARE(text, Deg(texts[format]));
            double parsed = 0.0;
            QVERIFY(AngleTexts::ParseAngle(text, &parsed, AngleTexts::Longitude));
            QVERIFY2(std::fabs(parsed - angle) < precision[format], qPrintable(text));
        }
    }
};

HORALUX_TEST(TestPositionTexts);
#include "tst_positiontexts.moc"
