// The main window's life: how it comes up, the form and status bar, the settings it
// reads and writes back, the menu commands that open windows, the remote-control
// switch, the PC clock privilege, and what Exit and closing leave behind.

#include "fakesystemclock.h"
#include "gpsnavdialog.h"
#include "gpsrawdatadialog.h"
#include "mainwindow.h"
#include "modalwatcher.h"
#include "socatpair.h"
#include "telnetlink.h"
#include "telnettcpserver.h"
#include "testsupport.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QShortcut>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include <atomic>
#include <memory>

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        TestSupport::ClearSettings();
        FakeSystemClock::Reset();
        receiverInfo = ReceiverInfo();
    }

    void startValuesAndThePortSettings()
    {
        receiverInfo.receiverModel = 3;
        receiverInfo.channelCount = 12;
        QSettings settings;
        settings.setValue("GpsPortDialog/GPS Serial Port Mode", "u-blox UBX");
        settings.setValue("GpsPortDialog/GPS Serial Port PPS Interface", 3);
        {
            MainWindow w;
            // Whatever an earlier receiver left behind, the window starts unidentified.
            QCOMPARE(receiverInfo.receiverModel, 24);
            QCOMPARE(receiverInfo.channelCount, -1);
            QCOMPARE(receiverInfo.gpsPortMode, 9);
            QCOMPARE(w.gpsPortThread.GetPpsInterface(), 3);
            // The T-RAIM limit of 10 sits in bytes 2 and 3, low byte first.
            QCOMPARE(QByteArray(reinterpret_cast<const char*>(w.traimParameters), 5),
                     QByteArray("\x00\x00\x0a\x00\x01", 5));
        }
        // A stored mode the list does not offer makes the next start search again.
        settings.setValue("GpsPortDialog/GPS Serial Port Mode", "Motorola LORAN");
        MainWindow w;
        QCOMPARE(receiverInfo.gpsPortMode, 11);
    }

    void formAndStatusBar()
    {
        MainWindow w;
        // The signal bars are the table's, hidden until a satellite comes.
        for (int r = 1; r <= 16; ++r) {
            QCOMPARE(w.ui->SatsDataTableWidget->cellWidget(r, 4), w.signalBars[r - 1]);
            QVERIFY(w.signalBars[r - 1]->isHidden());
        }
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.navigationBadge->text() + '|' + w.antennaBadge->text(), "Nav Unknown|Ant Unkown");
        QCOMPARE(w.statusBar()->currentMessage(), QStringLiteral("For Help, press F1"));
        w.statusBar()->showMessage(QStringLiteral("Show UTC time"));
        w.statusBar()->clearMessage();
        QCOMPARE(w.statusBar()->currentMessage(), QStringLiteral("For Help, press F1"));

        // The last line of the Satellites box stays above the status bar.
        w.resize(w.maximumSize());
        QTest::qWait(20);
        const QLabel* dgps = w.ui->IDC_SATS_DGPS_MESSAGE;
        QVERIFY(dgps->mapTo(&w, QPoint(0, dgps->height())).y() <= w.statusBar()->y());
    }

    void shortcutsAndTexts()
    {
        MainWindow w;
        // "Ctrl+C" closes the GPS log, which is not open yet; Copy has no shortcut.
        QCOMPARE(w.ui->actionClose_GPS_Data_Log->shortcut(), QKeySequence(QStringLiteral("Ctrl+C")));
        QVERIFY(!w.ui->actionClose_GPS_Data_Log->isEnabled());
        QVERIFY(w.ui->actionCopy->shortcut().isEmpty());
        // The system's own texts, typo included.
        QCOMPARE(w.ui->actionManual_Satellite_Select->statusTip(), QStringLiteral("Manual Satellite Selecttion"));
    }

    void storedValuesInAndOutOfRange_data()
    {
        // Clock, format, sort, tick sound, out-of-lock sound; -2: nothing stored.
        QTest::addColumn<QList<int>>("stored");
        QTest::addColumn<QList<int>>("expected");
        QTest::addColumn<QString>("sound");
        QTest::newRow("empty store") << QList<int>({-2, -2, -2, -2, -2}) << QList<int>({0, 0, 4, 1, 1})
                                     << "actionSoundAll";
        QTest::newRow("GMST, dd mm.mmm, by El") << QList<int>({3, 1, 1, 1, 0}) << QList<int>({3, 1, 1, 1, 0})
                                                << "actionSoundClockTicksOnly";
        QTest::newRow("format 3 falls back") << QList<int>({0, 3, 4, 0, 1}) << QList<int>({0, 0, 4, 0, 1})
                                             << "actionSoundOutOfLockOnly";
        QTest::newRow("format 7 stays") << QList<int>({0, 7, 4, 0, 0}) << QList<int>({0, 7, 4, 0, 0})
                                        << "actionSoundNone";
        QTest::newRow("clock 9 stays") << QList<int>({9, 0, 4, 1, 1}) << QList<int>({9, 0, 4, 1, 1}) << "actionSoundAll";
        QTest::newRow("sort 9 is none") << QList<int>({0, 0, 9, 1, 1}) << QList<int>({0, 0, 4, 1, 1}) << "actionSoundAll";
        QTest::newRow("sort -1 is none") << QList<int>({0, 0, -1, 1, 1}) << QList<int>({0, 0, 4, 1, 1}) << "actionSoundAll";
    }

    void storedValuesInAndOutOfRange()
    {
        QFETCH(QList<int>, stored);
        QFETCH(QList<int>, expected);
        QFETCH(QString, sound);
        const char* keys[5] = {"MainWindow/ClockDisplay", "MainWindow/Navigation Data Format",
                               "MainWindow/Satellite Sort Mode", "MainWindow/Sound", "MainWindow/Sound OOL"};
        for (int k = 0; k < 5; ++k) {
            if (stored[k] != -2)
                QSettings().setValue(keys[k], k < 3 ? QVariant(stored[k]) : QVariant(stored[k] != 0));
        }
        MainWindow w;
        QCOMPARE(QList<int>({w.clockDisplayMode, w.navDataFormat, w.satelliteSortMode, w.bTickSound, w.bOutOfLockSound}),
                 expected);
        QSettings s;
        for (int k = 0; k < 5; ++k)
            QCOMPARE(s.value(keys[k]).toInt(), expected[k]);  // written back
        QCOMPARE(w.clockDisplayGroup->checkedAction() != nullptr, expected[0] < 8);
        QCOMPARE(w.navFormatGroup->checkedAction() != nullptr, expected[1] < 3);
        QCOMPARE(w.soundGroup->checkedAction()->objectName(), sound);
        // Every sort button is usable whatever was stored.
        for (int c = 0; c < 4; ++c)
            QCOMPARE(w.satSortButtons[c]->styleSheet(),
                     QString::fromLatin1(c == expected[2] ? kSortButtonActiveStyle : kSortButtonPlainStyle));
        QCOMPARE(s.value("MainWindow/Toolbar Visible").toBool(), true);
        QVERIFY(!s.contains("MainWindow/geometry"));
    }

    void viewChoicesStoreTheirValues()
    {
        MainWindow w;
        // The clock modes are stored in their enum order, not the menu order.
        w.ui->actionGMST->trigger();
        QCOMPARE(w.clockDisplayMode, 3);
        QCOMPARE(QSettings().value("MainWindow/ClockDisplay").toInt(), 3);
        w.ui->actionLMST->trigger();
        QCOMPARE(QSettings().value("MainWindow/ClockDisplay").toInt(), 2);
        QVERIFY(w.ui->ClockDisplay->text().isEmpty());

        // The three groups are independent.
        w.ui->actiondegrees_minutes_dd_mm_mmm->trigger();
        w.ui->actionSoundNone->trigger();
        QVERIFY(w.ui->actiondegrees_minutes_dd_mm_mmm->isChecked() && w.ui->actionLMST->isChecked());
        QCOMPARE(w.navDataFormat, 1);
        QVERIFY(!w.bTickSound && !w.bOutOfLockSound);
        QCOMPARE(QSettings().value("MainWindow/Sound").toBool(), false);
    }

    void exitClosesLogsSavesGeometryAndEndsEveryPortThread()
    {
        QTemporaryDir dir;
        auto w = std::make_unique<MainWindow>();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        w->gpsLogFile.setFileName(dir.filePath("gps.txt"));
        w->ticCombinedLog.setFileName(dir.filePath("c.csv"));
        w->ticAverageLogs[2].setFileName(dir.filePath("a3.csv"));
        for (QFile* f : {&w->gpsLogFile, &w->ticCombinedLog, &w->ticAverageLogs[2]})
            QVERIFY(f->open(QIODevice::WriteOnly));

        std::atomic<int> finished{0};
        connect(&w->gpsPortThread, &QThread::finished, this, [&] { ++finished; }, Qt::DirectConnection);
        for (TicSerialPortThread& port : w->ticPortThreads) {
            QVERIFY(port.isRunning());
            connect(&port, &QThread::finished, this, [&] { ++finished; }, Qt::DirectConnection);
        }

        // Exit asks nothing: no close event, no question, and the destructor does the rest.
        ModalWatcher watcher;
        w->ui->actionExit->trigger();
        QVERIFY(w->bExitRequested);
        w.reset();

        QCOMPARE(finished.load(), 9);
        QVERIFY(watcher.boxes.isEmpty());
        for (const char* name : {"gps.txt", "c.csv", "a3.csv"}) {
            QFile f(dir.filePath(name));
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QByteArray text = f.readAll();
            QVERIFY2(text.startsWith("; Closed ") && text.endsWith(" UTC\n; \n"), name);
        }
        QVERIFY(QSettings().contains("MainWindow/geometry"));
        QVERIFY(QSettings().contains("MainWindow/windowState"));
    }

    void closingEndsThePortThreadsAndARestartKeepsGeometryAndToolbar()
    {
        {
            MainWindow w;
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            w.resize(600, 400);
            w.ui->actionToolbar->trigger();
            QVERIFY(!w.ui->toolBar->isVisible());
            QCOMPARE(QSettings().value("MainWindow/Toolbar Visible").toBool(), false);
            w.close();
            QVERIFY(w.bExitRequested);
            QTRY_VERIFY(w.gpsPortThread.isFinished());
            for (TicSerialPortThread& port : w.ticPortThreads)
                QTRY_VERIFY(port.isFinished());
        }
        MainWindow w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.size(), QSize(600, 400));
        QVERIFY(!w.ui->actionToolbar->isChecked() && !w.ui->toolBar->isVisible());
    }

    void startUpSearch()
    {
        {
            // Exit during the search asks nothing more.
            ModalWatcher watcher;
            MainWindow w;
            w.ui->actionExit->trigger();
            w.ShowAndInitialize();
            QTest::qWait(50);
            QVERIFY(watcher.boxes.isEmpty());
            QVERIFY(!w.bGpsSearchActive);
        }
        // A failed search warns once: a port that opens, with nothing behind it.
        SocatPair pair;
        START_SOCAT_OR_SKIP(pair);
        UseProgramEndAsReceiverPort(pair);
        ModalWatcher watcher;
        MainWindow w;
        w.answerWaitStepMs = 50;  // the whole search runs, in short steps
        w.commandPauseMs = 0;
        w.ShowAndInitialize();
        QTRY_COMPARE(watcher.boxes.size(), 1);
        QCOMPARE(watcher.boxes[0].title, QStringLiteral("GPS Receiver not found"));
        QVERIFY(watcher.boxes[0].text.startsWith("Go to the menu and select Edit/Set Serial Port."));
        QCOMPARE(watcher.boxes[0].icon, QMessageBox::Warning);
        QVERIFY(w.ui->actionSend_new_firmware_to_GPS_Rx->isEnabled());
        QVERIFY(!w.bGpsSearchActive);
    }

    void menuCommandsOpenTheirWindows()
    {
        ModalWatcher watcher(QMessageBox::Ok);
        MainWindow w;
        for (const char* name : {"actionAveraging_Parameters", "actionManual_Satellite_Select", "actionSet_TIC_Interface",
                                 "actionSet_GPS_Receiver_Interface", "actionSet_Timing_Parameters",
                                 "actionSet_GPS_Receiver_Parameters"})
            w.findChild<QAction*>(name)->trigger();
        QCOMPARE(watcher.dialogs, QStringList({"GpsNavDialog", "SatelliteSelect", "TicPortDialog", "GpsPortDialog",
                                               "TimingDialog", "GpsRxDialog"}));

        // The text windows are not modal; the raw-data flag outlives the window.
        w.ui->actionGps_Raw_Data->trigger();
        QVERIFY(w.gpsRawDataDialog->isVisible());
        w.gpsRawDataDialog->close();
        QVERIFY(w.bGpsRawDataVisible);
        for (const char* name : {"actionTic_Raw_Data", "actionTic_Processed_Data", "actionReceiver_ID_Message",
                                 "actionView_Satellite_Az_El_Chart", "actionManual_GPS_Receiver_Commands"})
            w.findChild<QAction*>(name)->trigger();
        QVERIFY(w.bTicRawDataVisible && w.bTicProcessedDataVisible);
    }

    void aboutHelpAndPortErrorBoxes()
    {
        ModalWatcher watcher;
        QString version;
        watcher.SetDialogHandler([&](QDialog* d) { version = d->findChild<QLabel*>("IDC_ABOUTBOX_VERSION")->text(); });
        MainWindow w;
        w.ui->actionAbout->trigger();
        w.ui->actionAbout->trigger();
        QCOMPARE(version, QStringLiteral("Version 1.1.1"));
        QCOMPARE(watcher.dialogs.count("AboutBox"), 2);
        QTest::qWait(10);
        QCOMPARE(w.findChildren<QDialog*>("AboutBox").size(), 0);  // gone afterwards

        emit w.helpShortcut->activated();
        QCOMPARE(watcher.boxes.size(), 1);
        QCOMPARE(watcher.boxes[0].informativeText, QStringLiteral("Help data is coming soon"));
        QCOMPARE(watcher.boxes[0].icon, QMessageBox::Information);
        emit w.ticPortThreads[4].showErrorMessageBox(QStringLiteral("TIC port 5 failed"));
        QCOMPARE(watcher.boxes.size(), 2);
        QCOMPARE(watcher.boxes[1].text, QStringLiteral("TIC port 5 failed"));
        QCOMPARE(watcher.boxes[1].icon, QMessageBox::Warning);
    }

    void acceptingTheTicInterfaceRestartsPortsOneToEight()
    {
        ModalWatcher watcher;
        MainWindow w;
        QList<int> started;
        for (auto sig : {&MainWindow::startTicSerialPort1, &MainWindow::startTicSerialPort2,
                         &MainWindow::startTicSerialPort3, &MainWindow::startTicSerialPort4,
                         &MainWindow::startTicSerialPort5, &MainWindow::startTicSerialPort6,
                         &MainWindow::startTicSerialPort7, &MainWindow::startTicSerialPort8})
            connect(&w, sig, this, [&](int port) { started << port; });

        w.ui->actionSet_TIC_Interface->trigger();  // cancelled
        QVERIFY(started.isEmpty());
        watcher.SetDialogHandler([](QDialog* d) { d->done(1); });
        w.ui->actionSet_TIC_Interface->trigger();
        QCOMPARE(started, QList<int>({1, 2, 3, 4, 5, 6, 7, 8}));
        QCOMPARE(w.ticPortThreads[7].TicPort(), 8);
    }

    void remoteControlSwitch()
    {
        ModalWatcher watcher;
        MainWindow w;
        bool activate = true;
        watcher.SetDialogHandler([&](QDialog* d) {
            auto* link = static_cast<TelnetLink*>(d);
            link->bTelnetActivate = activate;
            link->telnetServerPort = 0;  // any free port
            d->done(1);
        });
        emit w.remoteShortcut->activated();
        QVERIFY(w.telnetServer && w.telnetServer->IsListening());
        QPointer<TelnetTcpServer> first = w.telnetServer;
        emit w.remoteShortcut->activated();
        QCOMPARE(w.telnetServer, first.data());
        QVERIFY(w.telnetServer->IsListening());

        activate = false;
        emit w.remoteShortcut->activated();
        QVERIFY(!w.telnetServer && first.isNull());

        // Cancel leaves the link as it was.
        watcher.SetDialogHandler([](QDialog* d) { d->done(0); });
        emit w.remoteShortcut->activated();
        QVERIFY(!w.telnetServer);
    }

    void referenceLocationMovesTheClocksSite()
    {
        MainWindow w;
        w.gpsNavDialog->averagedLat = 51.5;
        w.gpsNavDialog->averagedLon = -0.25;
        w.ui->actionfrom_Average->trigger();
        QCOMPARE(w.displayTime.longitude, -0.25);
        QCOMPARE(w.receiverTime.latitude, 51.5);
        w.gpsNavDialog->currentLat = -33.8;
        w.gpsNavDialog->currentLon = 151.2;
        w.ui->actionfrom_Current->trigger();
        QCOMPARE(w.displayTime.latitude, -33.8);

        // A new window takes its clocks' site from the stored reference.
        MainWindow again;
        QCOMPARE(again.displayTime.latitude, -33.8);
        QCOMPARE(again.receiverTime.longitude, 151.2);
    }

    void pcClockSettingsAndThePrivilege_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("maxOn");
        QTest::addColumn<int>("units");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<qint64>("expectInterval");
        QTest::newRow("off asks nothing") << 0 << true << 0 << true << qint64(7200);
        QTest::newRow("minutes") << 2 << true << 1 << false << qint64(120);
        QTest::newRow("bad units") << 4 << true << 3 << false << qint64(0);
        QTest::newRow("limit off") << 5 << false << 0 << false << qint64(0);
        QTest::newRow("bad mode") << 9 << true << 1 << false << qint64(120);
        QTest::newRow("refused") << 3 << true << 1 << true << qint64(120);
    }

    // A refused privilege says so once and switches synchronisation off.
    void pcClockSettingsAndThePrivilege()
    {
        QFETCH(int, mode);
        QFETCH(bool, maxOn);
        QFETCH(int, units);
        QFETCH(bool, refused);
        QFETCH(qint64, expectInterval);
        QSettings s;
        s.setValue("SetPcClockDialog/Time Sync Mode", mode);
        s.setValue("SetPcClockDialog/Time Sync Max On", maxOn);
        s.setValue("SetPcClockDialog/Time SyncMax Units", units);
        FakeSystemClock::Get().privilegeError = refused ? 1 : 0;
        ModalWatcher watcher;
        MainWindow w;
        const int asked = mode >= 1 && mode <= 5 ? 1 : 0;
        const int expectMode = refused || !asked ? 0 : mode;
        QCOMPARE(w.pcSyncMode, expectMode);
        QCOMPARE(QSettings().value("SetPcClockDialog/Time Sync Mode").toInt(), expectMode);
        // s, made before the window, reads the store's file: the key is there within a second.
        TestSupport::WaitFor([&] { return s.value("SetPcClockDialog/Time Sync Mode").toInt() == expectMode; }, 1000);
        QCOMPARE(s.value("SetPcClockDialog/Time Sync Mode").toInt(), expectMode);
        QCOMPARE(w.pcSyncMaxInterval, expectInterval);
        QCOMPARE(w.pcSyncDeltaMs, 1);
        QCOMPARE(FakeSystemClock::Get().privilegeRequests, asked);
        QCOMPARE(watcher.boxes.size(), refused ? asked : 0);
        if (!watcher.boxes.isEmpty()) {
            QCOMPARE(watcher.boxes[0].icon, QMessageBox::Warning);
            QVERIFY(watcher.boxes[0].text.startsWith(
                "<b>Horalux cannot set the system time</b><br/>because it cannot get the Set System Time "
                "Privilege.<br/>System Error: <br/>\"Fake clock error 1\"<p><b>Disabling"));
        }
        QVERIFY(FakeSystemClock::Get().setTimes.isEmpty());
    }
};

HORALUX_TEST(TestMainWindow);
#include "tst_mainwindow.moc"
