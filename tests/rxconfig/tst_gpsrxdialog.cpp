#include "gpsrxdialog.h"
#include "modalwatcher.h"
#include "testsupport.h"
#include "widgetlookup.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
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

QStringList StoredValueKeys()
{
    QStringList keys = QSettings().allKeys().filter(QStringLiteral("GpsRxDialog/"));
    keys.removeAll(QStringLiteral("GpsRxDialog/Geometry"));
    return keys;
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
        QCOMPARE(StoredValueKeys(), QStringList());
        QVERIFY(QSettings().contains("GpsRxDialog/Geometry"));

        QCOMPARE(ExecWith(dialog, [&] { Click(&dialog, "OK"); }), 1);
        const std::pair<const char*, const char*> defaults[] = {
            {"Gps Mode", "0"},           {"Gps Rx On Local Time", "false"},
            {"Emulate Pvt6", "false"},   {"Pps Rate", "0"},
            {"Pps Duration", "0"},       {"Elevation Mask", "10"},
            {"Ionospheric Delay", "1"},  {"Tropospheric Delay", "1"},
            {"Position Fix Mode", "0"},  {"Satellite Selection", "0"},
            {"GeometryButton", "1"},     {"Application Type", "4"},
            {"Align Messages", "0"},     {"DGPS Activate", "false"},
            {"DGPS Rate", "1"},          {"Satellite Enable Mask", "4294967295"},
            {"Sat Gps", "true"},         {"Sat Glonass", "false"},
            {"Sat Galileo", "false"},    {"Sat Beidou", "false"},
            {"Sat Qzss", "false"},       {"Sat Sbas", "false"},
        };
        for (const auto& [key, value] : defaults)
            QCOMPARE(Stored(key), QLatin1String(value));
        QCOMPARE(StoredValueKeys().size(), int(std::size(defaults)));
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
        QCOMPARE(ExecWith(dialog, [&] {
                     Click(&dialog, qPrintable(control));
                     Click(&dialog, "OK");
                 }),
                 1);
        QCOMPARE(Stored(key), after);
    }

    void setGpsModeAndSaveConstellationsWriteTheirKeys()
    {
        GpsRxDialog dialog;
        dialog.SetGpsMode(2);
        QCOMPARE(dialog.gpsMode, 2);
        QVERIFY(Child<QRadioButton>(&dialog, "IDC_GPS_MODE_0D_RADIO")->isChecked());
        QCOMPARE(Stored("Gps Mode"), "2");

        bool* flags[6] = {&dialog.bSatGps,    &dialog.bSatGlonass, &dialog.bSatGalileo,
                          &dialog.bSatBeidou, &dialog.bSatQzss,    &dialog.bSatSbas};
        const char* keys[6] = {"Sat Gps", "Sat Glonass", "Sat Galileo", "Sat Beidou", "Sat Qzss", "Sat Sbas"};
        for (int k = 0; k < 6; ++k)
            *flags[k] = k % 2 == 1;
        dialog.SaveConstellations();
        QCOMPARE(StoredValueKeys().size(), 7);
        for (int k = 0; k < 6; ++k)
            QCOMPARE(Stored(keys[k]), k % 2 == 1 ? "true" : "false");
    }

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

        // A value no button stands for survives OK until a button is picked.
        QVERIFY(!Child<QRadioButton>(&dialog, "IDC_GPS_MODE_AP_STATIC_RADIO")->isChecked());
        QCOMPARE(Child<QLineEdit>(&dialog, "IDC_GPS_MODE_ELEVATION_MASK")->text(), "-5");
        ExecWith(dialog, [&] {
            Child<QLineEdit>(&dialog, "IDC_GPS_MODE_ELEVATION_MASK")->setText("5");
            Click(&dialog, "OK");
        });
        QCOMPARE(Stored("Application Type"), "7");
        QCOMPARE(Stored("Satellite Enable Mask"), QString::number(0x8000FFFFu));
    }

    void badNumericFieldsKeepTheDialogOpen()
    {
        ModalWatcher watcher;
        GpsRxDialog dialog;
        dialog.show();
        auto* elevation = Child<QLineEdit>(&dialog, "IDC_GPS_MODE_ELEVATION_MASK");
        QTest::keyClick(elevation, Qt::Key_End);
        QTest::keyClicks(elevation, "5");  // 105
        QVERIFY(elevation->styleSheet().contains("color:red"));
        Click(&dialog, "OK");
        QTRY_COMPARE(watcher.boxes.size(), 1);
        QCOMPARE(watcher.boxes[0].title, "Numeric Error");
        QCOMPARE(watcher.boxes[0].text, "Field is out of range.\nMust be between 0 and 89");
        QVERIFY(dialog.isVisible());

        elevation->setText("1O");
        Click(&dialog, "OK");
        QTRY_COMPARE(watcher.boxes.size(), 2);
        QCOMPARE(watcher.boxes[1].title, "Error");
        QCOMPARE(watcher.boxes[1].text, "Extraineous characters in the field.");
        QCOMPARE(StoredValueKeys(), QStringList());

        elevation->setText("89");
        auto* dgpsRate = Child<QLineEdit>(&dialog, "IDC_GPS_MODE_DGPS_RATE");
        dgpsRate->setText("0");
        Click(&dialog, "OK");
        QTRY_COMPARE(watcher.boxes.size(), 3);
        QCOMPARE(watcher.boxes[2].text, "Field is out of range.\nMust be between 1 and 255");

        dgpsRate->setText("2");
        Click(&dialog, "OK");
        QVERIFY(!dialog.isVisible());
        QCOMPARE(Stored("Elevation Mask"), "89");
        QCOMPARE(watcher.boxes.size(), 3);
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
        QVERIFY(filled);
        QVERIFY(localTimeWhileOpen);
        QCOMPARE(dialog.gpsMode, 2);
        QCOMPARE(dialog.elevationMask, 40);
        QCOMPARE(dialog.bSatGps, false);
        QCOMPARE(dialog.bRxOnLocalTime, false);
        QCOMPARE(StoredValueKeys().size(), 3);
        QCOMPARE(Stored("Gps Mode"), "2");

        // Escape or the window's close box leave the same way.
        dialog.show();
        Click(&dialog, "IDC_GPS_MODE_LOCAL_TIME");
        dialog.close();
        QCOMPARE(dialog.bRxOnLocalTime, false);
    }
};

HORALUX_TEST(TestGpsRxDialog);
#include "tst_gpsrxdialog.moc"
