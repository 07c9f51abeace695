// The main window as it comes up: shared state, form, status bar, tables and the
// settings it reads and writes back.

#include "mainwindow.h"
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
        QVERIFY(w->bOutOfLock);
        QCOMPARE(w->leapSecondPending, -1);
        QCOMPARE(w->utcOffsetSecs, 0);
        QCOMPARE(w->antennaState, -1);
        QCOMPARE(w->ticTimeTagFormat, 2);
        for (int k = 0; k < 8; ++k)
            QVERIFY(w->bTicPortStale[k]);
        QCOMPARE(w->messageHoldoff[3], 3600);
        // The T-RAIM limit of 10 sits in bytes 2 and 3, low byte first.
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(w->traimParameters), 5),
                 QByteArray("\x00\x00\x0a\x00\x01", 5));
        QCOMPARE(w->lastTicAverageLine, QByteArray("UNAVAILABLE"));
        QCOMPARE(w->lastTicTimeLine, QByteArray("UNAVAILABLE"));
        QVERIFY(!w->bGpsRawDataVisible && !w->bTicRawDataVisible && !w->bTicProcessedDataVisible);

        // Whatever an earlier receiver left behind, the window starts unidentified.
        QCOMPARE(receiverInfo.receiverModel, 24);
        QCOMPARE(receiverInfo.firmwareVersion, 0.0);
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
        QVERIFY(!w->ledOffPixmap.isNull() && !w->ntpOffPixmap.isNull());

        QCOMPARE(w->statusBar()->currentMessage(), QStringLiteral("For Help, press F1"));
        w->statusBar()->showMessage(QStringLiteral("Show UTC time"));
        QCOMPARE(w->statusBar()->currentMessage(), QStringLiteral("Show UTC time"));
        w->statusBar()->clearMessage();
        QCOMPARE(w->statusBar()->currentMessage(), QStringLiteral("For Help, press F1"));

        // The last line of the Satellites box stays above the status bar.
        w->resize(w->maximumSize());
        QTest::qWait(20);
        const QLabel* dgps = w->ui->IDC_SATS_DGPS_MESSAGE;
        QVERIFY(dgps->mapTo(w.get(), QPoint(0, dgps->height())).y() <= w->statusBar()->y());
    }

    void tableShapesAndHeaders()
    {
        auto w = NewWindow();
        QTableWidget* nav = w->ui->GpsNavDataTableWidget;
        QCOMPARE(nav->rowCount(), 4);
        QCOMPARE(nav->columnCount(), 5);
        QCOMPARE(nav->editTriggers(), QAbstractItemView::NoEditTriggers);
        const QStringList header = {"", "Latitude", "Longitude", "Alt(GPS)", "Alt(MSL)"};
        for (int c = 0; c < 5; ++c)
            QCOMPARE(nav->item(0, c)->text(), header[c]);
        const QStringList rows = {"Cur:", "Avg:", "Ref:"};
        for (int r = 1; r <= 3; ++r) {
            QCOMPARE(nav->item(r, 0)->text(), rows[r - 1]);
            for (int c = 1; c < 5; ++c)
                QVERIFY(nav->item(r, c)->text().isEmpty());
        }

        QTableWidget* sats = w->ui->SatsDataTableWidget;
        QCOMPARE(sats->rowCount(), 17);
        QCOMPARE(sats->columnCount(), 5);
        const QStringList titles = {"PRN", "El", "Azm", "Eb/No"};
        for (int c = 0; c < 4; ++c) {
            QCOMPARE(sats->cellWidget(0, c), w->satSortButtons[c]);
            QCOMPARE(w->satSortButtons[c]->text(), titles[c]);
            // No sort chosen yet: every button is plain.
            QCOMPARE(w->satSortButtons[c]->styleSheet(), QString::fromLatin1(kSortButtonPlainStyle));
        }
        QCOMPARE(sats->item(0, 4)->text(), QStringLiteral("  5  |  15  |  25  |  35"));
        for (int r = 1; r <= 16; ++r) {
            QCOMPARE(sats->cellWidget(r, 4), w->signalBars[r - 1]);
            QCOMPARE(w->signalBars[r - 1]->maximum(), 40);
            QVERIFY(w->signalBars[r - 1]->isHidden());
            for (int c = 0; c < 4; ++c)
                QVERIFY(sats->item(r, c)->text().isEmpty());
        }
    }

    void everyActionTextShortcutAndState()
    {
        auto w = NewWindow();
        const std::pair<const char*, const char*> texts[] = {
            {"Help_Topics", "Help Topics"}, {"UTC", "UTC"}, {"PC", "PC"}, {"GMST", "GMST"},
            {"LMST", "LMST"}, {"MJD", "MJD"}, {"PC_U", "PC-U"}, {"TIC", "TIC"}, {"TIC_Raw", "TIC Raw"},
            {"degrees_dd_ddd", "degrees (dd.ddd)"},
            {"degrees_minutes_dd_mm_mmm", "degrees, minutes (dd mm.mmm)"},
            {"degrees_minutes_seconds_dd_mm_ss_sss", "degrees, minutes, seconds (dd mm ss.sss)"},
            {"SoundAll", "All"}, {"SoundOutOfLockOnly", "Out Of Lock Only"},
            {"SoundClockTicksOnly", "Clock Ticks Only"}, {"SoundNone", "None"},
            {"Set_PC_Clock", "Set PC Clock ..."}, {"from_Average", "from Average"},
            {"from_Current", "from Current"}, {"Manual_Entry", "Manual Entry ..."},
            {"Set_Timing_Parameters", "Set Timing Parameters ..."},
            {"Averaging_Parameters", "Averaging Parameters ..."},
            {"Set_GPS_Receiver_Parameters", "Set GPS Receiver Parameters ..."},
            {"Manual_GPS_Receiver_Commands", "Manual GPS Receiver Commands ..."},
            {"Initiate_GPS_Receiver_Self_Test", "Initiate GPS Receiver Self Test"},
            {"Initiate_GPS_Receiver_Self_Survey", "Initiate GPS Receiver Self Survey"},
            {"Manual_Satellite_Select", "Manual Satellite Select ..."}, {"Disable", "Disable"},
            {"SNTP_Server_RFC_2030", "SNTP Server (RFC 2030)"},
            {"UDP_IP_Server_RFC_868", "UDP/IP Server (RFC 868)"}, {"Toolbar", "Toolbar"},
            {"View_Satellite_Az_El_Chart", "View Satellite Az-El Chart"}, {"Gps_Raw_Data", "Raw Data"},
            {"Receiver_ID_Message", "Receiver ID Message"}, {"Tic_Raw_Data", "Raw Data"},
            {"Tic_Processed_Data", "Processed Data"}, {"Copy", "Copy"},
            {"Set_GPS_Receiver_Interface", "Set GPS Receiver Interface ..."},
            {"Set_TIC_Interface", "Set TIC Interface ..."}, {"Exit", "Exit"},
            {"New_GPS_Data_Log", "New GPS Data Log..."}, {"Open_GPS_Data_Log", "Open GPS Data Log..."},
            {"New_TIC_Data_Log", "New TIC Data Log..."}, {"Open_TIC_Data_Log", "Open TIC Data Log..."},
            {"Close_TIC_Data_Log", "Close TIC Data Log"}, {"Close_GPS_Data_Log", "Close GPS Data Log"},
            {"Send_new_firmware_to_GPS_Rx", "Send new firmware to GPS Rx ..."},
            {"About", "About Horalux ..."}};
        // "Ctrl+C" closes the GPS log; Copy has no shortcut.
        const QMap<QString, QString> shortcuts = {{"New_GPS_Data_Log", "Ctrl+N"},
                                                  {"Open_GPS_Data_Log", "Ctrl+O"},
                                                  {"Close_GPS_Data_Log", "Ctrl+C"}};
        const QStringList disabled = {"Close_TIC_Data_Log", "Close_GPS_Data_Log"};
        for (const auto& [name, text] : texts) {
            auto* a = w->findChild<QAction*>(QStringLiteral("action") + QLatin1String(name));
            QVERIFY2(a, name);
            QCOMPARE(a->text(), QString::fromUtf8(text));
            QCOMPARE(a->shortcut(), QKeySequence(shortcuts.value(name)));
            QCOMPARE(a->isEnabled(), !disabled.contains(name));
        }
        // The system's own texts, typo included.
        QCOMPARE(w->ui->actionManual_Satellite_Select->statusTip(), QStringLiteral("Manual Satellite Selecttion"));
        QCOMPARE(w->ui->actionDisable->statusTip(), QStringLiteral("Disable Horalux's Network Time Server"));
    }

    void menusAndToolbar()
    {
        auto w = NewWindow();
        QCOMPARE(ActionNames(w->menuBar()->actions()),
                 QStringList({"[menuFile]", "[menuEdit]", "[menuView]", "[menuData]", "[menuDisplay]",
                              "[menuHelp]"}));
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

    void soundChoicesCheckOneAction()
    {
        const struct
        {
            bool tick, ool;
            const char* checked;
        } cases[] = {{true, true, "actionSoundAll"},
                     {true, false, "actionSoundClockTicksOnly"},
                     {false, true, "actionSoundOutOfLockOnly"},
                     {false, false, "actionSoundNone"}};
        for (const auto& c : cases) {
            QSettings().setValue("MainWindow/Sound", c.tick);
            QSettings().setValue("MainWindow/Sound OOL", c.ool);
            auto w = NewWindow();
            QCOMPARE(w->soundGroup->checkedAction()->objectName(), QString::fromLatin1(c.checked));
            QCOMPARE(w->bTickSound, c.tick);
            QCOMPARE(w->bOutOfLockSound, c.ool);
        }
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
