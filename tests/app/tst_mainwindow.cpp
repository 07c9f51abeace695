// The main window as it comes up: shared state, form, status bar, tables and the
// settings it reads and writes back.

#include "mainwindow.h"
#include "modalwatcher.h"
#include "testsupport.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>

#include <memory>

namespace {

std::unique_ptr<MainWindow> NewWindow()
{
    return std::make_unique<MainWindow>();
}

QStringList ActionNames(const QList<QAction*>& actions)
{
    QStringList names;
    for (QAction* a : actions)
        names << (a->isSeparator() ? QStringLiteral("-")
                  : a->menu()      ? QLatin1Char('[') + a->menu()->objectName() + QLatin1Char(']')
                                   : a->objectName());
    return names;
}

}  // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        TestSupport::ClearSettings();
        receiverInfo = ReceiverInfo();
    }

    void startValuesOfTheSharedState()
    {
        receiverInfo.receiverModel = 3;
        receiverInfo.channelCount = 12;
        auto w = NewWindow();

        QVERIFY(w->bGpsSearchActive);
        QVERIFY(!w->bShuttingDown);
        QCOMPARE(w->leapSecondPending, -1);
        QCOMPARE(w->utcOffsetSecs, 0);
        QCOMPARE(w->antennaState, -1);
        QCOMPARE(w->dgpsState, 0);
        QCOMPARE(w->timeAccuracyNs, 0);
        QCOMPARE(w->sawtoothNs, 0.0);
        QVERIFY(!w->bSawtoothValid);
        QVERIFY(w->bOutOfLock);
        QVERIFY(w->bConfigReplyPending);
        QCOMPARE(w->ticTimeTagFormat, 2);
        QCOMPARE(w->ticLogStyle, 1);
        QCOMPARE(w->ticTimeLogPeriod, 1);
        QCOMPARE(w->ticAveragingPeriod, 300);
        for (int k = 0; k < 8; ++k) {
            QVERIFY(w->bTicPortStale[k]);
            QCOMPARE(w->ticDataAge[k], 0);
        }
        QCOMPARE(w->messageHoldoff[0], 0);
        QCOMPARE(w->messageHoldoff[2], 0);
        QCOMPARE(w->messageHoldoff[3], 3600);
        for (bool b : w->bAnswerReceived)
            QVERIFY(!b);
        for (bool b : w->bPpsAwaitingTime)
            QVERIFY(!b);
        // The T-RAIM limit of 10 sits in bytes 2 and 3, low byte first.
        const uint8_t traim[5] = {0, 0, 10, 0, 1};
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(w->traimParameters), 5),
                 QByteArray(reinterpret_cast<const char*>(traim), 5));
        QCOMPARE(w->lastTicAverageLine, QByteArray("UNAVAILABLE"));
        QCOMPARE(w->lastTicTimeLine, QByteArray("UNAVAILABLE"));
        QCOMPARE(w->programVersion.toString(), QStringLiteral("1.1.1"));
        QVERIFY(w->telnetServer == nullptr);
        QVERIFY(!w->bGpsRawDataVisible && !w->bTicRawDataVisible && !w->bTicProcessedDataVisible);
        for (const SatelliteRecord& r : w->satellites)
            QCOMPARE(r.prn, 0);

        // Whatever an earlier receiver left behind, the window starts unidentified.
        QCOMPARE(receiverInfo.receiverModel, 24);
        QCOMPARE(receiverInfo.firmwareVersion, 0.0);
        QVERIFY(receiverInfo.firmwareVersionText.isEmpty());
        QCOMPARE(receiverInfo.channelCount, -1);
        QCOMPARE(receiverInfo.channelCountReported, -1);
        QCOMPARE(receiverInfo.gpsPortMode, 2);  // "Motorola Binary" by default
    }

    void interfaceModeAndPpsLineComeFromThePortSettings()
    {
        QSettings settings;
        settings.setValue("GpsPortDialog/GPS Serial Port Mode", "u-blox UBX");
        settings.setValue("GpsPortDialog/GPS Serial Port PPS Interface", 3);
        {
            auto w = NewWindow();
            QCOMPARE(receiverInfo.gpsPortMode, 9);
            QCOMPARE(w->ppsInterface, 3);
            QCOMPARE(w->gpsPortThread.GetPpsInterface(), 3);
        }
        // A stored mode the list does not offer makes the next start search again.
        settings.setValue("GpsPortDialog/GPS Serial Port Mode", "Motorola LORAN");
        auto w = NewWindow();
        QCOMPARE(receiverInfo.gpsPortMode, 11);
    }

    void windowFormAndStatusBar()
    {
        auto w = NewWindow();
        QCOMPARE(w->windowTitle(), QStringLiteral("Horalux"));
        QCOMPARE(w->maximumSize(), QSize(720, 450));
        QCOMPARE(w->minimumSize(), QSize(16, 70));
        QVERIFY(!w->windowIcon().isNull());

        const QList<QLabel*> permanent = {w->navigationBadge, w->antennaBadge, w->heartbeatIndicator,
                                          w->ntpIndicator, w->statusMessageLabel};
        int lastX = -1;
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        for (QLabel* label : permanent) {
            QVERIFY(label);
            QCOMPARE(label->parentWidget(), w->statusBar());
            QVERIFY2(label->x() > lastX, "status-bar widgets out of order");
            lastX = label->x();
        }
        QCOMPARE(w->navigationBadge->text(), QStringLiteral("Nav Unknown"));
        QCOMPARE(w->antennaBadge->text(), QStringLiteral("Ant Unkown"));
        QCOMPARE(w->navigationBadge->styleSheet(),
                 QStringLiteral("padding: 2px 5px; color:black; background-color:white"));
        QCOMPARE(w->statusMessageLabel->text(), QStringLiteral("Initializing"));
        QCOMPARE(w->heartbeatIndicator->pixmap().toImage(), w->ledOffPixmap.toImage());
        QCOMPARE(w->ntpIndicator->pixmap().toImage(), w->ntpOffPixmap.toImage());
        QVERIFY(!w->ledOffPixmap.isNull() && !w->ledOnPixmap.isNull());
        QVERIFY(!w->ntpOffPixmap.isNull() && !w->ntpOnPixmap.isNull());

        QCOMPARE(w->statusBar()->currentMessage(), QStringLiteral("For Help, press F1"));
        w->statusBar()->showMessage(QStringLiteral("Show UTC time"));
        QCOMPARE(w->statusBar()->currentMessage(), QStringLiteral("Show UTC time"));
        w->statusBar()->clearMessage();
        QCOMPARE(w->statusBar()->currentMessage(), QStringLiteral("For Help, press F1"));
    }

    void positionTableShape()
    {
        auto w = NewWindow();
        QTableWidget* t = w->ui->GpsNavDataTableWidget;
        QCOMPARE(t->rowCount(), 4);
        QCOMPARE(t->columnCount(), 5);
        const int widths[5] = {35, 115, 115, 65, 65};
        for (int c = 0; c < 5; ++c)
            QCOMPARE(t->columnWidth(c), widths[c]);
        for (int r = 0; r < 4; ++r)
            QCOMPARE(t->rowHeight(r), 16);
        QCOMPARE(t->editTriggers(), QAbstractItemView::NoEditTriggers);
        QCOMPARE(t->selectionMode(), QAbstractItemView::NoSelection);
        const QStringList header = {"", "Latitude", "Longitude", "Alt(GPS)", "Alt(MSL)"};
        for (int c = 0; c < 5; ++c)
            QCOMPARE(t->item(0, c)->text(), header[c]);
        const QStringList rows = {"Cur:", "Avg:", "Ref:"};
        for (int r = 1; r <= 3; ++r) {
            QCOMPARE(t->item(r, 0)->text(), rows[r - 1]);
            QVERIFY(t->item(r, 0)->textAlignment() & Qt::AlignLeft);
            for (int c = 1; c < 5; ++c)
                QVERIFY(t->item(r, c)->text().isEmpty());
        }
    }

    void satelliteTableShape()
    {
        auto w = NewWindow();
        QTableWidget* t = w->ui->SatsDataTableWidget;
        QCOMPARE(t->rowCount(), 17);
        QCOMPARE(t->columnCount(), 5);
        const int widths[5] = {35, 35, 35, 40, 130};
        for (int c = 0; c < 5; ++c)
            QCOMPARE(t->columnWidth(c), widths[c]);
        for (int r = 0; r < 17; ++r)
            QCOMPARE(t->rowHeight(r), 15);
        const QStringList titles = {"PRN", "El", "Azm", "Eb/No"};
        for (int c = 0; c < 4; ++c) {
            QCOMPARE(t->cellWidget(0, c), w->satSortButtons[c]);
            QCOMPARE(w->satSortButtons[c]->text(), titles[c]);
            // No sort chosen yet: every button is plain.
            QCOMPARE(w->satSortButtons[c]->styleSheet(), QString::fromLatin1(kSortButtonPlainStyle));
        }
        QCOMPARE(t->item(0, 4)->text(), QStringLiteral("  5  |  15  |  25  |  35"));
        for (int r = 1; r <= 16; ++r) {
            QProgressBar* bar = w->signalBars[r - 1];
            QCOMPARE(t->cellWidget(r, 4), bar);
            QCOMPARE(bar->minimum(), 0);
            QCOMPARE(bar->maximum(), 40);
            QVERIFY(bar->isHidden());
            for (int c = 0; c < 4; ++c)
                QVERIFY(t->item(r, c)->text().isEmpty());
        }
    }

    void sortButtonsToggleOnce()
    {
        auto w = NewWindow();
        w->satSortButtons[1]->click();
        QCOMPARE(w->satelliteSortMode, 1);
        QCOMPARE(QSettings().value("MainWindow/Satellite Sort Mode").toInt(), 1);
        w->satSortButtons[3]->click();
        QCOMPARE(w->satelliteSortMode, 3);
        QVERIFY(w->satSortButtons[1]->styleSheet() != w->satSortButtons[3]->styleSheet());
        w->satSortButtons[3]->click();
        QCOMPARE(w->satelliteSortMode, 4);
        QCOMPARE(w->satSortButtons[1]->styleSheet(), w->satSortButtons[3]->styleSheet());
        QCOMPARE(QSettings().value("MainWindow/Satellite Sort Mode").toInt(), 4);
    }

    void actionsTextsTipsShortcutsAndStates_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("tip");
        QTest::addColumn<QString>("shortcut");
        QTest::addColumn<bool>("checkable");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("icon");
        auto row = [](const char* n, const char* text, const char* tip, const char* sc, bool check,
                      bool enabled, bool icon) {
            QTest::newRow(n) << n << text << tip << sc << check << enabled << icon;
        };
        row("actionHelp_Topics", "Help Topics", "Help Topics", "", false, true, true);
        row("actionUTC", "UTC", "Show UTC time", "", true, true, false);
        row("actionGMST", "GMST", "Show Greenwich Mean Sidereal time", "", true, true, false);
        row("actionLMST", "LMST", "Show Local Mean Sidereal time", "", true, true, false);
        row("actionPC_U", "PC-U", "Show local computer time error", "", true, true, false);
        row("actionTIC_Raw", "TIC Raw", "Show uncorrected Time Interval Counter data", "", true, true, false);
        row("actiondegrees_minutes_seconds_dd_mm_ss_sss", "degrees, minutes, seconds (dd mm ss.sss)",
            "Select the navigation data format", "", true, true, false);
        row("actionSoundOutOfLockOnly", "Out Of Lock Only", "Select the sound effects", "", true, true, false);
        row("actionSet_PC_Clock", "Set PC Clock ...", "Set the computer (PC) Clock", "", false, true, true);
        row("actionManual_Entry", "Manual Entry ...", "Set the reference location", "", false, true, false);
        row("actionSet_GPS_Receiver_Parameters", "Set GPS Receiver Parameters ...",
            "Set GPS Receiver Parameters", "", false, true, true);
        row("actionManual_Satellite_Select", "Manual Satellite Select ...", "Manual Satellite Selecttion",
            "", false, true, false);
        row("actionDisable", "Disable", "Disable Horalux's Network Time Server", "", false, true, false);
        row("actionToolbar", "Toolbar", "Show or hide the toolbar", "", true, true, false);
        row("actionView_Satellite_Az_El_Chart", "View Satellite Az-El Chart", "View Satellite Az-El Chart",
            "", false, true, true);
        row("actionGps_Raw_Data", "Raw Data", "Show the GPS Receiver messages", "", false, true, false);
        row("actionCopy", "Copy", "Copy", "", false, true, false);
        row("actionExit", "Exit", "Exit Horalux", "", false, true, false);
        row("actionNew_GPS_Data_Log", "New GPS Data Log...", "New GPS Data Log", "Ctrl+N", false, true, true);
        row("actionOpen_GPS_Data_Log", "Open GPS Data Log...", "Open GPS Data Log", "Ctrl+O", false, true, true);
        row("actionClose_GPS_Data_Log", "Close GPS Data Log", "Close GPS Data Log", "Ctrl+C", false, false, true);
        row("actionClose_TIC_Data_Log", "Close TIC Data Log", "Close Time Interval Counter Data Log", "",
            false, false, false);
        row("actionSend_new_firmware_to_GPS_Rx", "Send new firmware to GPS Rx ...",
            "Send new firmware to GPS receiver", "", false, true, false);
        row("actionAbout", "About Horalux ...", "About Horalux", "", false, true, false);
    }

    void actionsTextsTipsShortcutsAndStates()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QString, tip);
        QFETCH(QString, shortcut);
        QFETCH(bool, checkable);
        QFETCH(bool, enabled);
        QFETCH(bool, icon);
        auto w = NewWindow();
        auto* a = w->findChild<QAction*>(name);
        QVERIFY2(a, qPrintable(name));
        QCOMPARE(a->text(), text);
        QCOMPARE(a->statusTip(), tip);
        QCOMPARE(a->shortcut(), QKeySequence(shortcut));
        QCOMPARE(a->isCheckable(), checkable);
        QCOMPARE(a->isEnabled(), enabled);
        QCOMPARE(!a->icon().isNull(), icon);
    }

    void everyConnectedActionExists()
    {
        auto w = NewWindow();
        int actions = 0;
        for (QAction* a : w->findChildren<QAction*>()) {
            if (a->objectName().startsWith(QLatin1String("action")))
                ++actions;
        }
        // 48 connected actions and the two the form holds without a slot.
        QCOMPARE(actions, 50);
        QCOMPARE(w->findChild<QAction*>("actionCopy")->shortcut(), QKeySequence());
    }

    void menusAndToolbar()
    {
        auto w = NewWindow();
        QCOMPARE(ActionNames(w->menuBar()->actions()),
                 QStringList({"[menuFile]", "[menuEdit]", "[menuView]", "[menuData]", "[menuDisplay]",
                              "[menuHelp]"}));
        QCOMPARE(ActionNames(w->ui->menuFile->actions()),
                 QStringList({"[menuGPS_Data_Log]", "[menuTIC_Data_Log]", "-", "actionExit"}));
        QCOMPARE(ActionNames(w->ui->menuView->actions()),
                 QStringList({"actionToolbar", "-", "actionView_Satellite_Az_El_Chart", "-",
                              "[menuView_GPS_Data]", "-", "[menuView_Tic_Data]"}));
        QCOMPARE(ActionNames(w->ui->menuData->actions()),
                 QStringList({"[menuNav_Data_Format]", "[menuSound_Effects]", "-", "actionSet_PC_Clock",
                              "[menuSet_Reference_Location]", "actionSet_Timing_Parameters", "-",
                              "actionAveraging_Parameters", "-", "actionSet_GPS_Receiver_Parameters",
                              "[menuAdvanced_GPS_Receiver_Commands]", "-", "[menuNetwork_Time_Server]"}));
        QCOMPARE(ActionNames(w->ui->menuDisplay->actions()),
                 QStringList({"actionUTC", "actionPC", "actionGMST", "actionLMST", "actionMJD", "actionPC_U",
                              "-", "actionTIC", "actionTIC_Raw"}));
        QCOMPARE(w->ui->menuNetwork_Time_Server->title(), QStringLiteral("Network Time Server"));
        QCOMPARE(w->ui->menuNetwork_Time_Server->statusTip(),
                 QStringLiteral("Horalux's Network Time Server"));
        QCOMPARE(ActionNames(w->ui->toolBar->actions()),
                 QStringList({"actionNew_GPS_Data_Log", "actionOpen_GPS_Data_Log", "actionClose_GPS_Data_Log",
                              "-", "actionView_Satellite_Az_El_Chart", "-", "actionSet_PC_Clock",
                              "actionSet_Timing_Parameters", "actionAveraging_Parameters",
                              "actionSet_GPS_Receiver_Parameters", "-"}));
    }

    void emptyStoreGetsTheDefaultsWrittenBack()
    {
        auto w = NewWindow();
        QSettings s;
        QCOMPARE(s.value("MainWindow/ClockDisplay").toInt(), 0);
        QCOMPARE(s.value("MainWindow/Navigation Data Format").toInt(), 0);
        QCOMPARE(s.value("MainWindow/Toolbar Visible").toBool(), true);
        QCOMPARE(s.value("MainWindow/Satellite Sort Mode").toInt(), 4);
        QCOMPARE(s.value("MainWindow/Sound").toBool(), true);
        QCOMPARE(s.value("MainWindow/Sound OOL").toBool(), true);
        QVERIFY(!s.contains("MainWindow/geometry"));
        QVERIFY(!s.contains("MainWindow/windowState"));
        QVERIFY(w->ui->actionUTC->isChecked());
        QVERIFY(w->ui->actiondegrees_dd_ddd->isChecked());
        QVERIFY(w->ui->actionSoundAll->isChecked());
        QVERIFY(w->ui->actionToolbar->isChecked());
        QVERIFY(w->bTickSound && w->bOutOfLockSound);
    }

    void storedValuesInAndOutOfRange_data()
    {
        QTest::addColumn<int>("clock");
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("sort");
        QTest::addColumn<int>("expectClock");
        QTest::addColumn<int>("expectFormat");
        QTest::addColumn<int>("expectSort");
        QTest::newRow("GMST, dd mm.mmm, by El") << 3 << 1 << 1 << 3 << 1 << 1;
        QTest::newRow("format 3 falls back") << 0 << 3 << 4 << 0 << 0 << 4;
        QTest::newRow("format 4 falls back") << 0 << 4 << 4 << 0 << 0 << 4;
        QTest::newRow("format 7 stays") << 0 << 7 << 4 << 0 << 7 << 4;
        QTest::newRow("clock 9 stays") << 9 << 0 << 4 << 9 << 0 << 4;
        QTest::newRow("sort 9 is none") << 0 << 0 << 9 << 0 << 0 << 4;
        QTest::newRow("sort -1 is none") << 0 << 0 << -1 << 0 << 0 << 4;
    }

    void storedValuesInAndOutOfRange()
    {
        QFETCH(int, clock);
        QFETCH(int, format);
        QFETCH(int, sort);
        QFETCH(int, expectClock);
        QFETCH(int, expectFormat);
        QFETCH(int, expectSort);
        {
            QSettings s;
            s.setValue("MainWindow/ClockDisplay", clock);
            s.setValue("MainWindow/Navigation Data Format", format);
            s.setValue("MainWindow/Satellite Sort Mode", sort);
        }
        auto w = NewWindow();
        QCOMPARE(w->clockDisplayMode, expectClock);
        QCOMPARE(w->navDataFormat, expectFormat);
        QCOMPARE(w->satelliteSortMode, expectSort);
        QSettings s;
        QCOMPARE(s.value("MainWindow/ClockDisplay").toInt(), expectClock);
        QCOMPARE(s.value("MainWindow/Navigation Data Format").toInt(), expectFormat);
        QCOMPARE(s.value("MainWindow/Satellite Sort Mode").toInt(), expectSort);
        QCOMPARE(w->clockDisplayGroup->checkedAction() != nullptr, expectClock >= 0 && expectClock < 8);
        QCOMPARE(w->navFormatGroup->checkedAction() != nullptr, expectFormat >= 0 && expectFormat < 3);
        // Every sort button is usable whatever was stored.
        for (int c = 0; c < 4; ++c)
            QCOMPARE(w->satSortButtons[c]->styleSheet(),
                     QString::fromLatin1(c == expectSort ? kSortButtonActiveStyle : kSortButtonPlainStyle));
    }

    void soundChoicesCheckOneAction_data()
    {
        QTest::addColumn<bool>("tick");
        QTest::addColumn<bool>("ool");
        QTest::addColumn<QString>("checked");
        QTest::newRow("both") << true << true << "actionSoundAll";
        QTest::newRow("ticks") << true << false << "actionSoundClockTicksOnly";
        QTest::newRow("out of lock") << false << true << "actionSoundOutOfLockOnly";
        QTest::newRow("none") << false << false << "actionSoundNone";
    }

    void soundChoicesCheckOneAction()
    {
        QFETCH(bool, tick);
        QFETCH(bool, ool);
        QFETCH(QString, checked);
        {
            QSettings s;
            s.setValue("MainWindow/Sound", tick);
            s.setValue("MainWindow/Sound OOL", ool);
        }
        auto w = NewWindow();
        QCOMPARE(w->soundGroup->checkedAction()->objectName(), checked);
        QCOMPARE(w->bTickSound, tick);
        QCOMPARE(w->bOutOfLockSound, ool);
    }

    void viewChoicesStoreTheirValues()
    {
        auto w = NewWindow();
        // The clock modes are stored in their enum order, not the menu order.
        w->ui->actionGMST->trigger();
        QCOMPARE(w->clockDisplayMode, 3);
        QCOMPARE(QSettings().value("MainWindow/ClockDisplay").toInt(), 3);
        w->ui->actionLMST->trigger();
        QCOMPARE(QSettings().value("MainWindow/ClockDisplay").toInt(), 2);
        QVERIFY(w->ui->ClockDisplay->text().isEmpty());

        // The three groups are independent.
        w->ui->actiondegrees_minutes_dd_mm_mmm->trigger();
        w->ui->actionSoundNone->trigger();
        QVERIFY(w->ui->actiondegrees_minutes_dd_mm_mmm->isChecked());
        QVERIFY(w->ui->actionLMST->isChecked());
        QCOMPARE(w->navDataFormat, 1);
        QVERIFY(!w->bTickSound && !w->bOutOfLockSound);
        QCOMPARE(QSettings().value("MainWindow/Sound").toBool(), false);

        w->show();
        w->ui->actionToolbar->trigger();
        QVERIFY(!w->ui->toolBar->isVisible());
        QCOMPARE(QSettings().value("MainWindow/Toolbar Visible").toBool(), false);
    }

    void geometryAndToolbarSurviveARestart()
    {
        {
            auto w = NewWindow();
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w.get()));
            w->resize(600, 400);
            w->ui->actionToolbar->trigger();
            w->close();
        }
        auto w = NewWindow();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QCOMPARE(w->size(), QSize(600, 400));
        QVERIFY(!w->ui->actionToolbar->isChecked());
        QVERIFY(!w->ui->toolBar->isVisible());
    }
};

HORALUX_TEST(TestMainWindow);
#include "tst_mainwindow.moc"
