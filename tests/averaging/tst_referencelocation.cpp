// The reference location: its keys and factors, the editor run from GpsNavDialog and
// from the Manual Entry menu, and the named-location store.

#include "averagingtests.h"
#include "dialogscript.h"
#include "geoidmodel.h"
#include "gpsnavdialog.h"
#include "mainwindow.h"
#include "modalwatcher.h"
#include "referencelocationdialog.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>

using namespace DialogScript;

namespace {

// A key of the reference location, or of the named-location store.
QString Ref(const QString& key)
{
    return QSettings().value(QStringLiteral("GpsNavDialog/RefLocation/") + key).toString();
}

QString Named(const QString& name)
{
    return QSettings().value(QStringLiteral("RefLocationDB/") + name).toString();
}

}  // namespace

class TestReferenceLocation : public QObject
{
    Q_OBJECT

private slots:
    void init() { StartAveragingTest(); }
    void cleanup() { EndAveragingTest(); }

    void storedReferenceIsRepairedOnLoad_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("loaded");
        QTest::newRow("pole") << 0 << "90" << 90.0;
        QTest::newRow("past the pole") << 0 << "90.5" << 0.0;
        // -180 is the meridian of 180: kept, so a typed -180 survives a restart.
        QTest::newRow("date line west") << 1 << "-180.0000000000000000" << -180.0;
        QTest::newRow("past the date line") << 1 << "-180.5" << 0.0;
        QTest::newRow("too deep") << 3 << "-1000.5" << 0.0;
        QTest::newRow("infinite") << 2 << "inf" << 0.0;
    }

    void storedReferenceIsRepairedOnLoad()
    {
        QFETCH(int, index);
        QFETCH(QString, text);
        QFETCH(double, loaded);
        const QString key = QStringList{"Latitude", "Longitude", "GPS Altitude", "MSL Altitude"}[index];
        QSettings().setValue("GpsNavDialog/RefLocation/" + key, text);
        GpsNavDialog nav;
        double values[4];
        nav.GetRefLocation(&values[0], &values[1], &values[2], &values[3]);
        QCOMPARE(values[index], loaded);
        QCOMPARE(Ref(key), loaded == 0.0 ? QStringLiteral("0.0000000000000000") : text);
        QCOMPARE(nav.metresPerDegreeLon, 111111.1 * std::cos(0.0174533 * values[0]));

        nav.averagedLat = 60.0;
        nav.averagedLon = -0.123456789012345;
        nav.SetRefToAveraged();
        QVERIFY(std::fabs(nav.metresPerDegreeLon - 55555.5) < 0.1);
        QCOMPARE(Ref("Longitude"), QStringLiteral("-0.1234567890123450"));
    }

    // Manual Entry as an operator uses it. WGS-84 typed alone fails the altitude-pair
    // rule; the MSL altitude typed after it passes. The location reaches the keys, the
    // clocks' site and the "Ref:" row, and the start-up choice survives a reload.
    void manualEntryMovesTheReferenceEverywhere()
    {
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        GpsNavDialog& nav = *window.gpsNavDialog;
        const QString out = qEnvironmentVariable("HORALUX_SCREENSHOT_DIR");
        QStringList boxes;
        {
            Player script({Type("IDC_REFDLG_LATITUDE", "51 28 40.1 N"), Type("IDC_REFDLG_LONGITUDE", "0 0 5.3 W"),
                           Type("IDC_REFDLG_ALT_WGS84", "93"), Click("OK"), Type("IDC_REFDLG_ALT_MSL", "46"),
                           Click("IDC_REFDLG_LOC_ON_START"), [&](QDialog* dialog) {
                               if (!out.isEmpty())
                                   dialog->grab().save(out + "/referencelocationdialog.png");
                               Click("OK")(dialog);
                           }});
            window.ui->actionManual_Entry->trigger();
            boxes = script.boxes;
        }
        QCOMPARE(boxes, QStringList{"Altitude(WGS84) changed.|Altitude(MSL) must be changed to match."});
        double lat, lon, altGps, altMsl;
        nav.GetRefLocation(&lat, &lon, &altGps, &altMsl);
        // OK reads each angle back from its field, rewritten in the display format.
        QVERIFY(std::fabs(lat - (51.0 + 28.0 / 60.0 + 40.1 / 3600.0)) < 0.6e-7);
        QVERIFY(lon < 0.0 && lon > -0.002);
        QCOMPARE(altMsl, 46.0);
        QCOMPARE(altGps, 46.0 + GeoidModel::GeoidSeparation(lat, lon));
        QCOMPARE(Ref("MSL Altitude"), QStringLiteral("46.0000000000000000"));
        QCOMPARE(window.displayTime.latitude, lat);
        QCOMPARE(window.receiverTime.longitude, lon);
        window.UpdateClockDisplay();
        QCOMPARE(window.ui->GpsNavDataTableWidget->item(3, 1)->text().left(11), QString::asprintf("%11.8f", lat));
        if (!out.isEmpty())
            window.grab().save(out + "/mainwindow-reference.png");
        nav.LoadSettings();
        QVERIFY(!nav.bRefLocOnStart);

        // Cancel changes nothing; once both altitudes were given, one alone passes.
        for (const bool bOk : {false, true}) {
            Player script({Type("IDC_REFDLG_ALT_WGS84", "700"), Click(bOk ? "OK" : "CANCEL")});
            QCOMPARE(nav.EditRefLocation(), bOk);
            QCOMPARE(nav.refAltGps, bOk ? 700.0 : altGps);
            QVERIFY(script.boxes.isEmpty());
        }
    }

    void namedLocationsAreSavedChosenAndRemoved()
    {
        ModalWatcher watcher;
        ReferenceLocationDialog editor;
        auto* name = Child<QComboBox>(&editor, "IDC_REFDLG_NAME");
        auto* latitude = Child<QLineEdit>(&editor, "IDC_REFDLG_LATITUDE");
        auto* save = Child<QPushButton>(&editor, "IDC_REFDLG_SAVE_NAME");
        auto* remove = Child<QPushButton>(&editor, "IDC_REFDLG_REMOVE_NAME");
        QCOMPARE(name->count(), 1);
        editor.SetReferenceLocation(12.5, -75.25, 100.0, 120.0, true);
        editor.show();

        // Names are matched case-sensitively; one that would be a sub-group is refused.
        for (const char* text : {"Home", "Home", "home", "a/b"}) {
            name->setEditText(QLatin1String(text));
            save->click();
        }
        QCOMPARE(Named("Home"),
                 QStringLiteral("12.5000000000000000 -75.2500000000000000 100.0000000000000000 120.0000000000000000"));
        QCOMPARE(name->count(), 3);
        QCOMPARE(name->itemText(2), QStringLiteral("home"));

        // Saving a new name while another is chosen re-sorts without loading an entry.
        name->setCurrentIndex(name->findText("Home"));
        editor.SetReferenceLocation(-33.5, 151.0, 60.0, 40.0, true);
        name->setEditText(QStringLiteral("Away"));
        save->click();
        QCOMPARE(name->itemText(1), QStringLiteral("Away"));
        QCOMPARE(name->currentText(), QStringLiteral("Away"));
        QCOMPARE(latitude->text(), QStringLiteral("12.5000000\u00b0"));
        QCOMPARE(editor.latitude, -33.5);
        QVERIFY(watcher.boxes.isEmpty());

        // Remove leaves the name listed; choosing it loads nothing; a second Remove warns.
        name->setCurrentIndex(name->findText("Home"));
        QCOMPARE(editor.latitude, 12.5);
        remove->click();
        QVERIFY(!QSettings().contains("RefLocationDB/Home"));
        name->setCurrentIndex(0);
        name->setCurrentIndex(name->findText("Home"));
        QCOMPARE(latitude->text(), QString());
        QCOMPARE(latitude->styleSheet(), QStringLiteral("color:red"));
        QCOMPARE(editor.latitude, 12.5);
        remove->click();
        QCOMPARE(watcher.boxes.size(), 1);
        QCOMPARE(watcher.boxes[0].title + watcher.boxes[0].text,
                 QStringLiteral("No such item in the database.RefLocationDB/Home"));

        // The next start lists the stored names, sorted, and loads none of them.
        ReferenceLocationDialog restarted;
        auto* names = Child<QComboBox>(&restarted, "IDC_REFDLG_NAME");
        QCOMPARE(names->count(), 3);
        QCOMPARE(names->itemText(1), QStringLiteral("Away"));
        QCOMPARE(names->currentText(), QString());
    }
};

HORALUX_TEST(TestReferenceLocation);
#include "tst_referencelocation.moc"
