#include "gpsrxdialog.h"
#include "modalwatcher.h"
#include "testsupport.h"
#include "widgetlookup.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSettings>
#include <QTest>
#include <QTimer>

namespace {

void Click(QObject* dialog, const char* name)
{
    Child<QAbstractButton>(dialog, name)->click();
}

// Runs exec() with the given steps done inside its event loop.
int ExecWith(GpsRxDialog& dialog, std::function<void()> steps)
{
    QTimer::singleShot(0, &dialog, std::move(steps));
    return dialog.exec();
}

QString Stored(const QString& key)
{
    return QSettings().value(QStringLiteral("GpsRxDialog/") + key).toString();
}

void Store(const QString& key, const QVariant& value)
{
    QSettings().setValue(QStringLiteral("GpsRxDialog/") + key, value);
}

// Every stored value but the geometry, as "key=value" in the order of the keys.
QStringList StoredValues()
{
    QStringList values;
    for (const QString& key : QSettings().allKeys().filter(QRegularExpression("^GpsRxDialog/(?!Geometry$)")))
        values << key.mid(12) + '=' + QSettings().value(key).toString();
    values.sort();
    return values;
}

}  // namespace

class TestGpsRxDialog : public QObject
{
    Q_OBJECT

private slots:
    void init() { TestSupport::ClearSettings(); }

    void emptyStoreGivesDefaultsWrittenOnlyByOk()
    {
        GpsRxDialog dialog;
        QCOMPARE(dialog.navigationStatus, -1);
        QCOMPARE(ExecWith(dialog, [&] { Click(&dialog, "CANCEL"); }), 0);
        QCOMPARE(StoredValues(), QStringList());
        QVERIFY(QSettings().contains("GpsRxDialog/Geometry"));
        QCOMPARE(ExecWith(dialog, [&] { Click(&dialog, "OK"); }), 1);
        QCOMPARE(StoredValues(),
                 QStringList({"Align Messages=0", "Application Type=4", "DGPS Activate=false", "DGPS Rate=1",
                              "Elevation Mask=10", "Emulate Pvt6=false", "GeometryButton=1", "Gps Mode=0",
                              "Gps Rx On Local Time=false", "Ionospheric Delay=1", "Position Fix Mode=0",
                              "Pps Duration=0", "Pps Rate=0", "Sat Beidou=false", "Sat Galileo=false",
                              "Sat Glonass=false", "Sat Gps=true", "Sat Qzss=false", "Sat Sbas=false",
                              "Satellite Enable Mask=4294967295", "Satellite Selection=0", "Tropospheric Delay=1"}));
    }

    void eachControlStoresItsValue_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::newRow("3D") << "IDC_GPS_MODE_3D_RADIO" << "Gps Mode" << "2" << "0";
        QTest::newRow("2D") << "IDC_GPS_MODE_2D_RADIO" << "Gps Mode" << "0" << "1";
        QTest::newRow("0D") << "IDC_GPS_MODE_0D_RADIO" << "Gps Mode" << "0" << "2";
        QTest::newRow("air") << "IDC_GPS_MODE_AP_AIR_RADIO" << "Application Type" << "4" << "0";
        QTest::newRow("hand-held") << "IDC_GPS_MODE_AP_HH_RADIO" << "Application Type" << "4" << "1";
        QTest::newRow("land") << "IDC_GPS_MODE_AP_LAND_RADIO" << "Application Type" << "4" << "2";
        QTest::newRow("marine") << "IDC_GPS_MODE_AP_MAR_RADIO" << "Application Type" << "4" << "3";
        QTest::newRow("static") << "IDC_GPS_MODE_AP_STATIC_RADIO" << "Application Type" << "0" << "4";
        QTest::newRow("highest") << "IDC_GPS_MODE_SEL_HIGHEST_RADIO" << "Satellite Selection" << "0" << "1";
        QTest::newRow("best 4") << "IDC_GPS_MODE_BEST4_RADIO" << "Position Fix Mode" << "0" << "1";
        QTest::newRow("VDOP") << "IDC_GPS_MODE_VDOP_RADIO" << "GeometryButton" << "1" << "3";
        QTest::newRow("100 Hz") << "IDC_GPS_MODE_PPS_100HZ_RADIO" << "Pps Rate" << "0" << "1";
        QTest::newRow("short pulse") << "IDC_GPS_MODE_PPS_SHORT_RADIO" << "Pps Duration" << "0" << "1";
        QTest::newRow("ionosphere") << "IDC_GPS_MODE_IONOSPHERIC" << "Ionospheric Delay" << "1" << "0";
        QTest::newRow("troposphere") << "IDC_GPS_MODE_TROPOSPHERIC" << "Tropospheric Delay" << "1" << "0";
        QTest::newRow("align") << "IDC_GPS_MODE_ALIGN_MESSAGES" << "Align Messages" << "0" << "1";
        QTest::newRow("DGPS") << "IDC_GPS_MODE_DGPS_ACTIVATE" << "DGPS Activate" << "false" << "true";
        QTest::newRow("local time") << "IDC_GPS_MODE_LOCAL_TIME" << "Gps Rx On Local Time" << "false" << "true";
        QTest::newRow("PVT6") << "IDC_GPS_MODE_PVT6" << "Emulate Pvt6" << "false" << "true";
        QTest::newRow("GPS") << "IDC_GPS_MODE_GPS" << "Sat Gps" << "true" << "false";
        QTest::newRow("SBAS") << "IDC_GPS_MODE_SBAS" << "Sat Sbas" << "false" << "true";
        QTest::newRow("PRN 3") << "IDC_GPS_MODE_PRN03" << "Satellite Enable Mask" << "4294967295" << "4294967291";
    }
    void eachControlStoresItsValue()
    {
        QFETCH(QString, control);
        QFETCH(QString, key);
        QFETCH(QString, before);
        QFETCH(QString, after);
        Store(key, before);
        GpsRxDialog dialog;
        QCOMPARE(ExecWith(dialog, [&] { Click(&dialog, qPrintable(control)), Click(&dialog, "OK"); }), 1);
        QCOMPARE(Stored(key), after);
    }

    void setGpsModeAndSaveConstellationsWriteTheirKeys()
    {
        GpsRxDialog dialog;
        dialog.SetGpsMode(2);
        QCOMPARE(dialog.gpsMode, 2);
        QVERIFY(Child<QRadioButton>(&dialog, "IDC_GPS_MODE_0D_RADIO")->isChecked());
        dialog.bSatGps = dialog.bSatGalileo = dialog.bSatQzss = false;
        dialog.bSatGlonass = dialog.bSatBeidou = dialog.bSatSbas = true;
        dialog.SaveConstellations();
        QCOMPARE(StoredValues(), QStringList({"Gps Mode=2", "Sat Beidou=true", "Sat Galileo=false", "Sat Glonass=true",
                                              "Sat Gps=false", "Sat Qzss=false", "Sat Sbas=true"}));
    }

    // A value no control stands for is used as stored and survives OK until a control is picked.
    void storedValuesAreUsedAsStored()
    {
        Store("Elevation Mask", -5);
        Store("Application Type", 7);
        Store("Satellite Enable Mask", 0x8000FFFFu);
        GpsRxDialog dialog;
        QCOMPARE(dialog.elevationMask, -5);
        QCOMPARE(dialog.applicationType, 7);
        QCOMPARE(dialog.satelliteEnableMask, 0x8000FFFFu);
        QVERIFY(Child<QCheckBox>(&dialog, "IDC_GPS_MODE_PRN32")->isChecked()
                && !Child<QCheckBox>(&dialog, "IDC_GPS_MODE_PRN17")->isChecked());
        QVERIFY(!Child<QRadioButton>(&dialog, "IDC_GPS_MODE_AP_STATIC_RADIO")->isChecked());
        auto* elevation = Child<QLineEdit>(&dialog, "IDC_GPS_MODE_ELEVATION_MASK");
        QCOMPARE(elevation->text(), "-5");
        ExecWith(dialog, [&] { elevation->setText("5"), Click(&dialog, "OK"); });
        QCOMPARE(Stored("Application Type"), "7");
        QCOMPARE(Stored("Satellite Enable Mask"), QString::number(0x8000FFFFu));
    }

    void badNumericFieldsKeepTheDialogOpen()
    {
        ModalWatcher watcher;
        GpsRxDialog dialog;
        dialog.show();
        auto* elevation = Child<QLineEdit>(&dialog, "IDC_GPS_MODE_ELEVATION_MASK");
        auto* dgpsRate = Child<QLineEdit>(&dialog, "IDC_GPS_MODE_DGPS_RATE");
        QTest::keyClick(elevation, Qt::Key_End);
        QTest::keyClicks(elevation, "5");  // 105
        QVERIFY(elevation->styleSheet().contains("color:red"));
        const auto okGives = [&](QLineEdit* field, const QString& text) {
            field->setText(text);
            Click(&dialog, "OK");
            const auto box = watcher.boxes.isEmpty() ? ModalWatcher::Box() : watcher.boxes.takeFirst();
            return box.title + '|' + box.text;
        };
        QCOMPARE(okGives(elevation, "105"), "Numeric Error|Field is out of range.\nMust be between 0 and 89");
        QCOMPARE(okGives(elevation, "1O"), "Error|Extraineous characters in the field.");
        // Digits alone are a number, however many: too large, not stray text.
        QCOMPARE(okGives(elevation, " 99999999999999 "), "Numeric Error|Field is out of range.\nMust be between 0 and 89");
        QCOMPARE(okGives(elevation, QString(400, '9')), "Numeric Error|Field is out of range.\nMust be between 0 and 89");
        QVERIFY(dialog.isVisible());
        QCOMPARE(StoredValues(), QStringList());
        elevation->setText("89");
        QCOMPARE(okGives(dgpsRate, "0"), "Numeric Error|Field is out of range.\nMust be between 1 and 255");
        QCOMPARE(okGives(dgpsRate, "2"), "|");
        QVERIFY(!dialog.isVisible());
        QCOMPARE(Stored("Elevation Mask"), "89");
    }

    void defaultsAndCancelKeepTheStoredValues()
    {
        Store("Gps Mode", 2);
        Store("Elevation Mask", 40);
        Store("Sat Gps", false);
        GpsRxDialog dialog;
        bool filled = false;
        bool localTimeWhileOpen = false;
        QCOMPARE(ExecWith(dialog, [&] {
                     Click(&dialog, "IDC_GPS_MODE_DEFAULTS");
                     filled = dialog.gpsMode == 0 && dialog.elevationMask == 10 && dialog.bSatGps
                         && Child<QRadioButton>(&dialog, "IDC_GPS_MODE_3D_RADIO")->isChecked()
                         && Child<QRadioButton>(&dialog, "IDC_GPS_MODE_AP_STATIC_RADIO")->isChecked()
                         && Child<QLineEdit>(&dialog, "IDC_GPS_MODE_ELEVATION_MASK")->text() == "10"
                         && Child<QCheckBox>(&dialog, "IDC_GPS_MODE_GPS")->isChecked();
                     Click(&dialog, "IDC_GPS_MODE_LOCAL_TIME");
                     localTimeWhileOpen = dialog.bRxOnLocalTime;  // follows its box at once
                     Click(&dialog, "CANCEL");
                 }),
                 0);
        QVERIFY(filled && localTimeWhileOpen);
        QVERIFY(dialog.gpsMode == 2 && dialog.elevationMask == 40 && !dialog.bSatGps && !dialog.bRxOnLocalTime);
        QCOMPARE(StoredValues(), QStringList({"Elevation Mask=40", "Gps Mode=2", "Sat Gps=false"}));
        // Escape or the window's close box leave the same way.
        dialog.show();
        Click(&dialog, "IDC_GPS_MODE_LOCAL_TIME");
        dialog.close();
        QCOMPARE(dialog.bRxOnLocalTime, false);
    }
};

HORALUX_TEST(TestGpsRxDialog);
#include "tst_gpsrxdialog.moc"
