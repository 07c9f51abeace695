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

QStringList StoredValueKeys()
{
    QStringList keys = QSettings().allKeys().filter(QStringLiteral("GpsRxDialog/"));
    keys.removeAll(QStringLiteral("GpsRxDialog/Geometry"));
    return keys;
}

const char* const kAllKeys[] = {
    "Gps Mode", "Gps Rx On Local Time", "Emulate Pvt6", "Pps Rate", "Pps Duration", "Elevation Mask",
    "Ionospheric Delay", "Tropospheric Delay", "Position Fix Mode", "Satellite Selection",
    "GeometryButton", "Application Type", "Align Messages", "DGPS Activate", "DGPS Rate",
    "Satellite Enable Mask", "Sat Gps", "Sat Glonass", "Sat Galileo", "Sat Beidou", "Sat Qzss", "Sat Sbas",
};

}  // namespace

class TestGpsRxDialog : public QObject
{
    Q_OBJECT

private slots:
    void init() { TestSupport::ClearSettings(); }

    void emptyStoreGivesDefaultsAndWritesNothingUntilOk()
    {
        GpsRxDialog dialog;
        QCOMPARE(dialog.gpsMode, 0);
        QCOMPARE(dialog.elevationMask, 10);
        QCOMPARE(dialog.ionosphericDelay, 1);
        QCOMPARE(dialog.troposphericDelay, 1);
        QCOMPARE(dialog.positionFixMode, 0);
        QCOMPARE(dialog.satelliteSelection, 0);
        QCOMPARE(dialog.geometryButton, 1);
        QCOMPARE(dialog.applicationType, 4);
        QCOMPARE(dialog.alignMessages, 0);
        QCOMPARE(dialog.bDgpsActivate, false);
        QCOMPARE(dialog.dgpsRate, 1);
        QCOMPARE(dialog.satelliteEnableMask, 0xFFFFFFFFu);
        QVERIFY(dialog.bSatGps);
        QVERIFY(!dialog.bSatGlonass && !dialog.bSatGalileo && !dialog.bSatBeidou && !dialog.bSatQzss
                && !dialog.bSatSbas);
        QVERIFY(!dialog.bRxOnLocalTime && !dialog.bEmulatePvt6);
        QCOMPARE(dialog.ppsRate, 0);
        QCOMPARE(dialog.ppsDuration, 0);
        QCOMPARE(dialog.navigationStatus, -1);

        bool shown = false;
        QCOMPARE(ExecWith(dialog, [&] {
                     shown = Child<QRadioButton>(&dialog, "IDC_GPS_MODE_3D_RADIO")->isChecked()
                         && Child<QRadioButton>(&dialog, "IDC_GPS_MODE_AP_STATIC_RADIO")->isChecked()
                         && Child<QRadioButton>(&dialog, "IDC_GPS_MODE_PDOP_RADIO")->isChecked()
                         && Child<QCheckBox>(&dialog, "IDC_GPS_MODE_GPS")->isChecked()
                         && Child<QLineEdit>(&dialog, "IDC_GPS_MODE_ELEVATION_MASK")->text() == "10";
                     Click(&dialog, "CANCEL");
                 }),
                 0);
        QVERIFY(shown);
        QCOMPARE(StoredValueKeys(), QStringList());
        QVERIFY(QSettings().contains("GpsRxDialog/Geometry"));
    }

    void okWritesEveryKeyAndTheRadioValues()
    {
        GpsRxDialog dialog;
        QCOMPARE(ExecWith(dialog, [&] {
                     Click(&dialog, "IDC_GPS_MODE_2D_RADIO");
                     Click(&dialog, "IDC_GPS_MODE_AP_MAR_RADIO");
                     Click(&dialog, "IDC_GPS_MODE_SEL_HIGHEST_RADIO");
                     Click(&dialog, "IDC_GPS_MODE_BEST4_RADIO");
                     Click(&dialog, "IDC_GPS_MODE_VDOP_RADIO");
                     Click(&dialog, "IDC_GPS_MODE_PPS_100HZ_RADIO");
                     Click(&dialog, "IDC_GPS_MODE_PPS_SHORT_RADIO");
                     Click(&dialog, "IDC_GPS_MODE_IONOSPHERIC");
                     Click(&dialog, "IDC_GPS_MODE_ALIGN_MESSAGES");
                     Click(&dialog, "IDC_GPS_MODE_DGPS_ACTIVATE");
                     Click(&dialog, "IDC_GPS_MODE_LOCAL_TIME");
                     Click(&dialog, "IDC_GPS_MODE_PVT6");
                     Click(&dialog, "IDC_GPS_MODE_SBAS");
                     Click(&dialog, "IDC_GPS_MODE_PRN03");
                     Child<QLineEdit>(&dialog, "IDC_GPS_MODE_ELEVATION_MASK")->setText("15");
                     Child<QLineEdit>(&dialog, "IDC_GPS_MODE_DGPS_RATE")->setText("30");
                     Click(&dialog, "OK");
                 }),
                 1);

        QSettings s;
        for (const char* key : kAllKeys)
            QVERIFY2(s.contains(QStringLiteral("GpsRxDialog/") + QLatin1String(key)), key);
        QCOMPARE(s.value("GpsRxDialog/Gps Mode").toInt(), 1);
        QCOMPARE(s.value("GpsRxDialog/Application Type").toInt(), 3);
        QCOMPARE(s.value("GpsRxDialog/Satellite Selection").toInt(), 1);
        QCOMPARE(s.value("GpsRxDialog/Position Fix Mode").toInt(), 1);
        QCOMPARE(s.value("GpsRxDialog/GeometryButton").toInt(), 3);
        QCOMPARE(s.value("GpsRxDialog/Pps Rate").toInt(), 1);
        QCOMPARE(s.value("GpsRxDialog/Pps Duration").toInt(), 1);
        QCOMPARE(s.value("GpsRxDialog/Ionospheric Delay").toInt(), 0);
        QCOMPARE(s.value("GpsRxDialog/Tropospheric Delay").toInt(), 1);
        QCOMPARE(s.value("GpsRxDialog/Align Messages").toInt(), 1);
        QCOMPARE(s.value("GpsRxDialog/DGPS Activate").toBool(), true);
        QCOMPARE(s.value("GpsRxDialog/DGPS Rate").toInt(), 30);
        QCOMPARE(s.value("GpsRxDialog/Elevation Mask").toInt(), 15);
        QCOMPARE(s.value("GpsRxDialog/Gps Rx On Local Time").toBool(), true);
        QCOMPARE(s.value("GpsRxDialog/Emulate Pvt6").toBool(), true);
        QCOMPARE(s.value("GpsRxDialog/Sat Sbas").toBool(), true);
        QCOMPARE(s.value("GpsRxDialog/Satellite Enable Mask").toUInt(), 0xFFFFFFFBu);

        // Each radio button of the two prescribed groups stands for its own value.
        const char* fixRadios[] = {"IDC_GPS_MODE_3D_RADIO", "IDC_GPS_MODE_2D_RADIO", "IDC_GPS_MODE_0D_RADIO"};
        const char* typeRadios[] = {"IDC_GPS_MODE_AP_AIR_RADIO", "IDC_GPS_MODE_AP_HH_RADIO",
                                    "IDC_GPS_MODE_AP_LAND_RADIO", "IDC_GPS_MODE_AP_MAR_RADIO",
                                    "IDC_GPS_MODE_AP_STATIC_RADIO"};
        for (int value = 0; value < 5; ++value) {
            ExecWith(dialog, [&] {
                if (value < 3)
                    Click(&dialog, fixRadios[value]);
                Click(&dialog, typeRadios[value]);
                Click(&dialog, "OK");
            });
            if (value < 3)
                QCOMPARE(s.value("GpsRxDialog/Gps Mode").toInt(), value);
            QCOMPARE(s.value("GpsRxDialog/Application Type").toInt(), value);
        }
    }

    void cancelKeepsTheOldValues()
    {
        {
            QSettings s;
            s.setValue("GpsRxDialog/Gps Mode", 1);
            s.setValue("GpsRxDialog/Gps Rx On Local Time", true);
            s.setValue("GpsRxDialog/Elevation Mask", 20);
            s.setValue("GpsRxDialog/Sat Glonass", true);
        }
        GpsRxDialog dialog;
        bool localTimeWhileOpen = true;
        QCOMPARE(ExecWith(dialog, [&] {
                     Click(&dialog, "IDC_GPS_MODE_3D_RADIO");
                     Click(&dialog, "IDC_GPS_MODE_LOCAL_TIME");
                     localTimeWhileOpen = dialog.bRxOnLocalTime;
                     Click(&dialog, "IDC_GPS_MODE_GLONASS");
                     Child<QLineEdit>(&dialog, "IDC_GPS_MODE_ELEVATION_MASK")->setText("30");
                     Click(&dialog, "CANCEL");
                 }),
                 0);
        QCOMPARE(localTimeWhileOpen, false);  // the option follows its box at once
        QCOMPARE(dialog.gpsMode, 1);
        QCOMPARE(dialog.bRxOnLocalTime, true);
        QCOMPARE(dialog.elevationMask, 20);
        QCOMPARE(dialog.bSatGlonass, true);
        QSettings s;
        QCOMPARE(s.value("GpsRxDialog/Gps Mode").toInt(), 1);
        QCOMPARE(s.value("GpsRxDialog/Gps Rx On Local Time").toBool(), true);
        QCOMPARE(s.value("GpsRxDialog/Elevation Mask").toInt(), 20);
        QCOMPARE(StoredValueKeys().size(), 4);

        // Escape or the window's close box leave the same way.
        dialog.show();
        Click(&dialog, "IDC_GPS_MODE_LOCAL_TIME");
        dialog.close();
        QCOMPARE(dialog.bRxOnLocalTime, true);
    }

    void setGpsModeAndSaveConstellationsWriteTheirKeys()
    {
        GpsRxDialog dialog;
        dialog.SetGpsMode(2);
        QCOMPARE(dialog.gpsMode, 2);
        QCOMPARE(QSettings().value("GpsRxDialog/Gps Mode").toInt(), 2);
        QVERIFY(Child<QRadioButton>(&dialog, "IDC_GPS_MODE_0D_RADIO")->isChecked());
        QCOMPARE(StoredValueKeys(), QStringList{"GpsRxDialog/Gps Mode"});

        dialog.bSatGps = false;
        dialog.bSatGlonass = true;
        dialog.bSatGalileo = false;
        dialog.bSatBeidou = true;
        dialog.bSatQzss = false;
        dialog.bSatSbas = true;
        dialog.SaveConstellations();
        QSettings s;
        QCOMPARE(StoredValueKeys().size(), 7);
        const bool expected[6] = {false, true, false, true, false, true};
        const char* keys[6] = {"GpsRxDialog/Sat Gps",    "GpsRxDialog/Sat Glonass", "GpsRxDialog/Sat Galileo",
                               "GpsRxDialog/Sat Beidou", "GpsRxDialog/Sat Qzss",    "GpsRxDialog/Sat Sbas"};
        for (int k = 0; k < 6; ++k)
            QCOMPARE(s.value(keys[k]).toBool(), expected[k]);
        GpsRxDialog reread;
        QVERIFY(!reread.bSatGps && reread.bSatGlonass && reread.bSatBeidou && reread.bSatSbas);
    }

    void storedValuesAreUsedAsStored()
    {
        {
            QSettings s;
            s.setValue("GpsRxDialog/Elevation Mask", -5);
            s.setValue("GpsRxDialog/Application Type", 7);
            s.setValue("GpsRxDialog/GeometryButton", 300);
            s.setValue("GpsRxDialog/Satellite Enable Mask", 0x8000FFFFu);
        }
        GpsRxDialog dialog;
        QCOMPARE(dialog.elevationMask, -5);
        QCOMPARE(dialog.applicationType, 7);
        QCOMPARE(dialog.geometryButton, 300);
        QCOMPARE(dialog.satelliteEnableMask, 0x8000FFFFu);
        QVERIFY(Child<QCheckBox>(&dialog, "IDC_GPS_MODE_PRN32")->isChecked());
        QVERIFY(!Child<QCheckBox>(&dialog, "IDC_GPS_MODE_PRN17")->isChecked());

        // A value no button stands for survives OK until a button is picked.
        QVERIFY(!Child<QRadioButton>(&dialog, "IDC_GPS_MODE_AP_STATIC_RADIO")->isChecked());
        QCOMPARE(Child<QLineEdit>(&dialog, "IDC_GPS_MODE_ELEVATION_MASK")->text(), "-5");
        ExecWith(dialog, [&] {
            Child<QLineEdit>(&dialog, "IDC_GPS_MODE_ELEVATION_MASK")->setText("5");
            Click(&dialog, "OK");
        });
        QCOMPARE(QSettings().value("GpsRxDialog/Application Type").toInt(), 7);
        QCOMPARE(QSettings().value("GpsRxDialog/Satellite Enable Mask").toUInt(), 0x8000FFFFu);
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
        QCOMPARE(StoredValueKeys(), QStringList());

        elevation->setText("1O");
        Click(&dialog, "OK");
        QTRY_COMPARE(watcher.boxes.size(), 2);
        QCOMPARE(watcher.boxes[1].title, "Error");
        QCOMPARE(watcher.boxes[1].text, "Extraineous characters in the field.");

        elevation->setText("89");
        Child<QLineEdit>(&dialog, "IDC_GPS_MODE_DGPS_RATE")->setText("0");
        Click(&dialog, "OK");
        QTRY_COMPARE(watcher.boxes.size(), 3);
        QCOMPARE(watcher.boxes[2].text, "Field is out of range.\nMust be between 1 and 255");
        QVERIFY(dialog.isVisible());

        Child<QLineEdit>(&dialog, "IDC_GPS_MODE_DGPS_RATE")->setText("2");
        Click(&dialog, "OK");
        QVERIFY(!dialog.isVisible());
        QCOMPARE(QSettings().value("GpsRxDialog/Elevation Mask").toInt(), 89);
        QCOMPARE(watcher.boxes.size(), 3);
    }

    void defaultsButtonFillsInWithoutSaving()
    {
        {
            QSettings s;
            s.setValue("GpsRxDialog/Gps Mode", 2);
            s.setValue("GpsRxDialog/Elevation Mask", 40);
            s.setValue("GpsRxDialog/Sat Gps", false);
        }
        GpsRxDialog dialog;
        bool filled = false;
        ExecWith(dialog, [&] {
            Click(&dialog, "IDC_GPS_MODE_DEFAULTS");
            filled = dialog.gpsMode == 0 && dialog.elevationMask == 10 && dialog.bSatGps
                && Child<QRadioButton>(&dialog, "IDC_GPS_MODE_3D_RADIO")->isChecked()
                && Child<QLineEdit>(&dialog, "IDC_GPS_MODE_ELEVATION_MASK")->text() == "10"
                && Child<QCheckBox>(&dialog, "IDC_GPS_MODE_GPS")->isChecked()
                && QSettings().value("GpsRxDialog/Gps Mode").toInt() == 2;
            Click(&dialog, "CANCEL");
        });
        QVERIFY(filled);
        QCOMPARE(dialog.gpsMode, 2);
        QCOMPARE(dialog.elevationMask, 40);
        QCOMPARE(dialog.bSatGps, false);
    }
};

HORALUX_TEST(TestGpsRxDialog);
#include "tst_gpsrxdialog.moc"
