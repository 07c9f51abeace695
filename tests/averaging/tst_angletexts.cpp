#include "angletexts.h"
#include "modalwatcher.h"
#include "referencelocationdialog.h"
#include "testsupport.h"

#include <QTest>

#include <cmath>

namespace {

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

}  // namespace

class TestAngleTexts : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("result");
        QTest::addColumn<double>("value");
        QTest::addColumn<QStringList>("boxes");
        const QStringList none;
        auto row = [](const char* legend, const QString& text, int kind, bool result, double value,
                      const QStringList& boxes) {
            QTest::newRow(legend) << text << kind << result << value << boxes;
        };
        row("empty", "", Latitude, false, kUnchanged, none);
        row("blanks", "   ", Longitude, true, 0.0, none);
        row("letter alone", "N", Latitude, true, 0.0, none);
        row("degree sign alone", "\u00b0", Longitude, true, 0.0, none);
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
            const bool ok = kind == Altitude ? dialog.ValidateAltitude(text, &parsed, bShowMessages)
                                             : dialog.ParseAngle(text, &parsed, bShowMessages, kind);
            QCOMPARE(ok, result);
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
        QTest::addColumn<QString>("decimal");
        QTest::addColumn<QString>("minutes");
        QTest::addColumn<QString>("seconds");
        QTest::newRow("12.5") << 12.5 << "12.5000000\u00b0" << "12\u00b0  30.00000'" << "12\u00b0   30'   0.0000\"";
        QTest::newRow("-0.5") << -0.5 << "-0.5000000\u00b0" << "-00\u00b0  30.00000'" << "-00\u00b0   30'   0.0000\"";
        QTest::newRow("5.1234567") << 5.1234567 << "5.1234567\u00b0" << "05\u00b0   7.40740'"
                                   << "05\u00b0    7'  24.4441\"";
        // Rounded before it is split: no 60 minutes or seconds is ever shown.
        QTest::newRow("just short of 180") << 179.999999999 << "180.0000000\u00b0" << "180\u00b0   0.00000'"
                                           << "180\u00b0    0'   0.0000\"";
    }

    // Each format as shown, and read back by the grammar to the angle it shows.
    void formatAngle()
    {
        QFETCH(double, angle);
        QFETCH(QString, decimal);
        QFETCH(QString, minutes);
        QFETCH(QString, seconds);
        const QString expected[3] = {decimal, minutes, seconds};
        const double precision[3] = {0.6e-7, 0.6e-5 / 60.0, 0.6e-4 / 3600.0};
        for (int format = 0; format < 3; ++format) {
            const QString text = AngleTexts::FormatAngle(angle, format);
            QCOMPARE(text, expected[format]);
            double parsed = 0.0;
            QVERIFY(AngleTexts::ParseAngle(text, &parsed, AngleTexts::Longitude));
            QVERIFY2(std::fabs(parsed - angle) < precision[format], qPrintable(text));
        }
    }
};

HORALUX_TEST(TestAngleTexts);
#include "tst_angletexts.moc"
