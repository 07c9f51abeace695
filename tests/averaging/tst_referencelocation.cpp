// The reference location: its keys and factors, the editor run from GpsNavDialog and
// from the Manual Entry menu, and the named-location store.

#include "averagingtests.h"
#include "geoidmodel.h"
#include "gpsnavdialog.h"
#include "mainwindow.h"
#include "modalwatcher.h"
#include "referencelocationdialog.h"
#include "testsupport.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

using Step = std::function<void(QDialog*)>;

// Plays steps into a modal dialog, one at a time, and answers the message boxes they
// open with OK, recording "title|text". A step runs from its own zero timer so that a
// box it opens is answered by the poll while the step waits for it.
class DialogScript : public QObject
{
public:
    explicit DialogScript(QList<Step> steps) : steps(std::move(steps))
    {
        connect(&timer, &QTimer::timeout, this, &DialogScript::Poll);
        timer.start(5);
    }

    QStringList boxes;

private:
    void Poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            boxes << box->windowTitle() + '|' + box->text();
            box->button(QMessageBox::Ok)->click();
        } else if (auto* dialog = qobject_cast<QDialog*>(modal); dialog && !bStepRunning) {
            // A dialog left open after the last step is a failure, not a hang.
            if (steps.isEmpty()) {
                boxes << QStringLiteral("still open");
                dialog->reject();
                return;
            }
            bStepRunning = true;
            QTimer::singleShot(0, dialog, [this, dialog, step = steps.takeFirst()] {
                step(dialog);
                bStepRunning = false;
            });
        }
    }

    QList<Step> steps;
    QTimer timer;
    bool bStepRunning = false;
};

template <typename T>
T* Child(QWidget* dialog, const char* name)
{
    return dialog->findChild<T*>(QLatin1String(name));
}

// Types into a field as the operator does: textEdited on each key, editingFinished
// when the field is left with Tab.
Step Type(const char* field, const QString& text)
{
    return [=](QDialog* dialog) {
        auto* edit = Child<QLineEdit>(dialog, field);
        // Leaving the field needs the focus, which only an active window has.
        dialog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Tab);
    };
}

Step Click(const char* button)
{
    return [=](QDialog* dialog) { Child<QAbstractButton>(dialog, button)->click(); };
}

QString Stored(const QString& key)
{
    return QSettings().value(key).toString();
}

const QString kRef = QStringLiteral("GpsNavDialog/RefLocation/");

}  // namespace

class TestReferenceLocation : public QObject
{
    Q_OBJECT

private slots:
    void init() { StartAveragingTest(); }
    void cleanup() { EndAveragingTest(); }

    void setRefLocationStoresAndDerivesFactors()
    {
        GpsNavDialog nav;
        nav.averagedLat = 60.0;
        nav.averagedLon = -0.123456789012345;
        nav.averagedAltGps = 100.25;
        nav.averagedAltMsl = 55.5;
        nav.SetRefToAveraged();
        QCOMPARE(nav.metresPerDegreeLat, 111111.1);
        QVERIFY(std::fabs(nav.metresPerDegreeLon - 55555.5) < 0.1);
        QCOMPARE(Stored(kRef + "Latitude"), QStringLiteral("60.0000000000000000"));
        QCOMPARE(Stored(kRef + "Longitude"), QStringLiteral("-0.1234567890123450"));
        QCOMPARE(Stored(kRef + "MSL Altitude"), QStringLiteral("55.5000000000000000"));
        nav.currentLat = 0.0;
        nav.SetRefToCurrent();
        QCOMPARE(nav.metresPerDegreeLon, 111111.1);

        // A restart reads the location and its factors back.
        nav.SetRefLocation(60.0, 1.0, 2.0, 3.0);
        GpsNavDialog restarted;
        QCOMPARE(restarted.refLat, 60.0);
        QCOMPARE(restarted.metresPerDegreeLon, nav.metresPerDegreeLon);
    }

    void storedReferenceIsRepairedOnLoad_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("loaded");
        QTest::addColumn<bool>("repaired");
        QTest::newRow("pole") << "Latitude" << "90" << 90.0 << false;
        QTest::newRow("past the pole") << "Latitude" << "90.5" << 0.0 << true;
        QTest::newRow("date line") << "Longitude" << "180" << 180.0 << false;
        // -180 is the same meridian as 180: kept, so a typed -180 survives a restart.
        QTest::newRow("date line west") << "Longitude" << "-180.0000000000000000" << -180.0 << false;
        QTest::newRow("past the date line") << "Longitude" << "-180.5" << 0.0 << true;
        QTest::newRow("deepest") << "GPS Altitude" << "-1000" << -1000.0 << false;
        QTest::newRow("too deep") << "MSL Altitude" << "-1000.5" << 0.0 << true;
        QTest::newRow("infinite") << "GPS Altitude" << "inf" << 0.0 << true;
        QTest::newRow("no number") << "Latitude" << "12 N" << 0.0 << false;
    }

    void storedReferenceIsRepairedOnLoad()
    {
        QFETCH(QString, key);
        QFETCH(QString, text);
        QFETCH(double, loaded);
        QFETCH(bool, repaired);
        QSettings().setValue(kRef + key, text);
        GpsNavDialog nav;
        double values[4];
        nav.GetRefLocation(&values[0], &values[1], &values[2], &values[3]);
        const int index = QStringList{"Latitude", "Longitude", "GPS Altitude", "MSL Altitude"}.indexOf(key);
        QCOMPARE(values[index], loaded);
        QCOMPARE(Stored(kRef + key), repaired ? QStringLiteral("0.0000000000000000") : text);
    }

    // WGS-84 typed alone fails the altitude-pair rule; the MSL altitude typed after it
    // passes, and the location, its partner altitude and the start-up choice are taken.
    void editRefLocationTakesTheTypedLocation()
    {
        ReferenceLocationDialog editor;
        GpsNavDialog nav;
        nav.SetRefLocationDialog(&editor);
        nav.SetRefLocation(1.0, 2.0, 30.0, 3.0);

        // The remote command's parse is silent; the operator's shows its boxes.
        {
            ModalWatcher watcher;
            double value = 0.0;
            QVERIFY(!nav.ParseLongitude("200", &value, false));
            QVERIFY(nav.ParseLatitude("12 30 S", &value, false));
            QCOMPARE(value, -12.5);
            QVERIFY(!nav.ParseAltitude("100m", &value));
            QCOMPARE(watcher.boxes.size(), 1);
        }
        {
            DialogScript cancelled({Type("IDC_REFDLG_LATITUDE", "45"), Click("CANCEL")});
            QVERIFY(!nav.EditRefLocation());
        }
        QCOMPARE(nav.refLat, 1.0);
        QCOMPARE(Stored(kRef + "Latitude"), QStringLiteral("1.0000000000000000"));

        {
            DialogScript script({Type("IDC_REFDLG_LATITUDE", "48 30 N"), Type("IDC_REFDLG_LONGITUDE", "11 15 30 W"),
                                 Type("IDC_REFDLG_ALT_WGS84", "600"), Click("OK"), Type("IDC_REFDLG_ALT_MSL", "550"),
                                 Click("IDC_REFDLG_LOC_ON_START"), Click("OK")});
            QVERIFY2(nav.EditRefLocation(), qPrintable(script.boxes.join(';')));
            QCOMPARE(script.boxes, QStringList{"Altitude(WGS84) changed.|Altitude(MSL) must be changed to match."});
        }
        QCOMPARE(nav.refLat, 48.5);
        // OK reads each angle back from its field, rewritten in the display format.
        QVERIFY(std::fabs(nav.refLon - -(11.0 + 15.5 / 60.0)) < 0.6e-7);
        QCOMPARE(nav.refAltMsl, 550.0);
        QVERIFY(std::fabs(nav.refAltGps - (550.0 + GeoidModel::GeoidSeparation(48.5, nav.refLon))) < 1e-9);
        QVERIFY(std::fabs(nav.metresPerDegreeLon - 111111.1 * std::cos(0.0174533 * 48.5)) < 1e-6);
        QCOMPARE(Stored(kRef + "Latitude"), QStringLiteral("48.5000000000000000"));

        // The choice read by the next load of the averaging settings is the one taken.
        QVERIFY(!nav.bRefLocOnStart);
        nav.LoadSettings();
        QVERIFY(!nav.bRefLocOnStart);

        // Both altitudes once given, a later OK needs no second one.
        DialogScript again({Type("IDC_REFDLG_ALT_WGS84", "700"), Click("OK")});
        QVERIFY(nav.EditRefLocation());
        QVERIFY(again.boxes.isEmpty());
        QCOMPARE(nav.refAltGps, 700.0);
    }

    // A bad latitude holds OK; bad altitudes are shown but do not.
    void okHoldsOnAnglesNotOnAltitudes()
    {
        ReferenceLocationDialog editor;
        editor.SetReferenceLocation(10.0, 20.0, 5.0, 1.0, true);
        // A valid longitude enables OK again after a bad latitude, a valid latitude after
        // a bad altitude.
        DialogScript script({Type("IDC_REFDLG_LATITUDE", "95"), Type("IDC_REFDLG_LONGITUDE", "20 E"), Click("OK"),
                             Type("IDC_REFDLG_LATITUDE", "-12.5"), Type("IDC_REFDLG_ALT_WGS84", "abc100"),
                             Type("IDC_REFDLG_LATITUDE", "-12.5"), Click("OK")});
        QVERIFY2(editor.exec() == 1, qPrintable(script.boxes.join(';')));
        const QString range = "Numeric Error|Degrees field out of range.\nDegrees must be between -90.0 and +90.0";
        const QString extra = "Extraineous characters in Altitude.|Only the following characters are allowed: "
                              "\"+-1234567890.\"";
        // Leaving the field, then OK; leaving the bad altitude, then OK's own check of it.
        QCOMPARE(script.boxes, (QStringList{range, range, extra, extra}));
        double lat, lon, altGps, altMsl;
        bool bOnStart = false;
        editor.GetReferenceLocation(&lat, &lon, &altGps, &altMsl, &bOnStart);
        QCOMPARE(lat, -12.5);
        QCOMPARE(altGps, 5.0);
        QVERIFY(bOnStart);
        QCOMPARE(Child<QLineEdit>(&editor, "IDC_REFDLG_LATITUDE")->text(), QStringLiteral("-12.5000000\u00b0"));
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

        for (const char* text : {"Home", "Home", "home", "a/b"}) {
            name->setEditText(QLatin1String(text));
            save->click();
        }
        QCOMPARE(Stored("RefLocationDB/Home"),
                 QStringLiteral("12.5000000000000000 -75.2500000000000000 100.0000000000000000 120.0000000000000000"));
        QStringList items;
        for (int i = 0; i < name->count(); ++i)
            items << name->itemText(i);
        QCOMPARE(items, (QStringList{"", "Home", "home"}));
        QVERIFY(QSettings().childGroups().contains("RefLocationDB") && !QSettings().contains("RefLocationDB/a/b"));

        // Saving a new name under a chosen one re-sorts without loading another entry.
        editor.SetReferenceLocation(-33.5, 151.0, 60.0, 40.0, true);
        name->setEditText(QStringLiteral("Away"));
        save->click();
        QCOMPARE(name->currentText(), QStringLiteral("Away"));
        QCOMPARE(name->itemText(1), QStringLiteral("Away"));
        name->setCurrentIndex(name->findText("Home"));
        QCOMPARE(editor.latitude, 12.5);
        QCOMPARE(latitude->text(), QStringLiteral("12.5000000\u00b0"));
        name->setEditText(QStringLiteral("Zulu"));
        save->click();
        QCOMPARE(name->currentText(), QStringLiteral("Zulu"));
        QCOMPARE(latitude->text(), QStringLiteral("12.5000000\u00b0"));
        QCOMPARE(editor.latitude, 12.5);
        QCOMPARE(editor.longitude, -75.25);
        QVERIFY(watcher.boxes.isEmpty());

        // Remove leaves the name listed; choosing it loads nothing; a second Remove warns.
        name->setCurrentIndex(name->findText("Home"));
        remove->click();
        QVERIFY(!QSettings().contains("RefLocationDB/Home"));
        name->setCurrentIndex(0);
        name->setCurrentIndex(name->findText("Home"));
        QCOMPARE(latitude->text(), QString());
        QCOMPARE(latitude->styleSheet(), QStringLiteral("color:red"));
        QCOMPARE(editor.latitude, 12.5);
        remove->click();
        QCOMPARE(watcher.boxes.size(), 1);
        QCOMPARE(watcher.boxes[0].title, QStringLiteral("No such item in the database."));
        QCOMPARE(watcher.boxes[0].text, QStringLiteral("RefLocationDB/Home"));

        // The next start lists the stored names, sorted, and loads none of them.
        ReferenceLocationDialog restarted;
        auto* names = Child<QComboBox>(&restarted, "IDC_REFDLG_NAME");
        QCOMPARE(names->count(), 4);
        QCOMPARE(names->itemText(1), QStringLiteral("Away"));
        QCOMPARE(names->currentText(), QString());
    }

    // A stored pair that does not match the geoid at its place loads by its MSL altitude,
    // and a loaded pair counts as both altitudes given.
    void loadedAltitudesFollowTheGeoid()
    {
        const double separation = GeoidModel::GeoidSeparation(40.0, 10.0);
        QSettings().setValue("RefLocationDB/Site", QString::asprintf("40 10 %f 300", 300.0 + separation + 5.0));
        ReferenceLocationDialog editor;
        editor.SetReferenceLocation(0.0, 0.0, 0.0, 0.0, true);
        auto* name = Child<QComboBox>(&editor, "IDC_REFDLG_NAME");
        name->setCurrentIndex(name->findText("Site"));
        QCOMPARE(editor.altitudeMsl, 300.0);
        QVERIFY(std::fabs(editor.altitudeWgs84 - (300.0 + separation)) < 1e-9);
        QVERIFY(editor.bWgs84AltitudeChanged && editor.bMslAltitudeChanged);
        QCOMPARE(Child<QLineEdit>(&editor, "IDC_REFDLG_GEDIFF_MODEL")->text(), QString::asprintf("%04.2f", separation));
    }

    // Manual Entry as an operator uses it: the new location reaches the clocks' site and
    // the "Ref:" row of the navigation table.
    void manualEntryMovesTheReferenceEverywhere()
    {
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        DialogScript script({Type("IDC_REFDLG_LATITUDE", "51 28 40.1 N"), Type("IDC_REFDLG_LONGITUDE", "0 0 5.3 W"),
                             Type("IDC_REFDLG_ALT_WGS84", "93"), Type("IDC_REFDLG_ALT_MSL", "46"),
                             [](QDialog* dialog) {
                                 const QString out = qEnvironmentVariable("HORALUX_SCREENSHOT_DIR");
                                 if (!out.isEmpty())
                                     dialog->grab().save(out + "/referencelocationdialog.png");
                                 Child<QAbstractButton>(dialog, "OK")->click();
                             }});
        window.ui->actionManual_Entry->trigger();
        QVERIFY2(script.boxes.isEmpty(), qPrintable(script.boxes.join(';')));
        double lat, lon, altGps, altMsl;
        window.gpsNavDialog->GetRefLocation(&lat, &lon, &altGps, &altMsl);
        QVERIFY(std::fabs(lat - (51.0 + 28.0 / 60.0 + 40.1 / 3600.0)) < 0.6e-7);
        QVERIFY(lon < 0.0 && lon > -0.002);
        QCOMPARE(altMsl, 46.0);
        QCOMPARE(window.displayTime.latitude, lat);
        QCOMPARE(window.receiverTime.longitude, lon);
        window.UpdateClockDisplay();
        QCOMPARE(window.ui->GpsNavDataTableWidget->item(3, 1)->text().left(11), QString::asprintf("%11.8f", lat));
        const QString out = qEnvironmentVariable("HORALUX_SCREENSHOT_DIR");
        if (!out.isEmpty())
            window.grab().save(out + "/mainwindow-reference.png");
    }
};

HORALUX_TEST(TestReferenceLocation);
#include "tst_referencelocation.moc"
