// The main window's life: menu commands that open windows, the remote-control switch,
// the PC clock privilege, and what Exit and closing leave behind.

#include "fakesystemclock.h"
#include "gpsnavdialog.h"
#include "gpsrawdatadialog.h"
#include "mainwindow.h"
#include "modalwatcher.h"
#include "telnetlink.h"
#include "telnettcpserver.h"
#include "testsupport.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QLabel>
#include <QPointer>
#include <QSettings>
#include <QShortcut>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <memory>

class TestLifetime : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        TestSupport::ClearSettings();
        FakeSystemClock::Reset();
    }

    void exitClosesLogsSavesGeometryAndEndsEveryPortThread()
    {
        QTemporaryDir dir;
        auto w = std::make_unique<MainWindow>();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));

        w->gpsLogFile.setFileName(dir.filePath("gps.txt"));
        QVERIFY(w->gpsLogFile.open(QIODevice::WriteOnly));
        w->ticCombinedLog.setFileName(dir.filePath("c.csv"));
        QVERIFY(w->ticCombinedLog.open(QIODevice::WriteOnly));
        w->ticAverageLogs[2].setFileName(dir.filePath("a3.csv"));
        QVERIFY(w->ticAverageLogs[2].open(QIODevice::WriteOnly));

        std::atomic<int> finished{0};
        QVERIFY(w->gpsPortThread.isRunning());
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
            QVERIFY2(text.startsWith("; Closed "), name);
            QVERIFY2(text.endsWith(" UTC\n; \n"), name);
        }
        QSettings settings;
        QVERIFY(settings.contains("MainWindow/geometry"));
        QVERIFY(settings.contains("MainWindow/windowState"));
    }

    void closingTheWindowEndsThePortThreads()
    {
        MainWindow w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.close();
        QVERIFY(w.bExitRequested);
        QTRY_VERIFY(w.gpsPortThread.isFinished());
        for (TicSerialPortThread& port : w.ticPortThreads)
            QTRY_VERIFY(port.isFinished());
        QVERIFY(QSettings().contains("MainWindow/geometry"));
    }

    void exitDuringTheStartUpSearchAsksNothingMore()
    {
        ModalWatcher watcher;
        MainWindow w;
        w.ui->actionExit->trigger();
        w.ShowAndInitialize();
        QTest::qWait(50);
        QVERIFY(watcher.boxes.isEmpty());
        QVERIFY(!w.bGpsSearchActive);
    }

    void aFailedSearchWarnsOnce()
    {
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

    void everyMenuCommandOpensItsWindow_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("dialog");
        QTest::newRow("averaging") << "actionAveraging_Parameters" << "GpsNavDialog";
        QTest::newRow("satellite select") << "actionManual_Satellite_Select" << "SatelliteSelect";
        QTest::newRow("TIC interface") << "actionSet_TIC_Interface" << "TicPortDialog";
        QTest::newRow("GPS interface") << "actionSet_GPS_Receiver_Interface" << "GpsPortDialog";
        QTest::newRow("timing") << "actionSet_Timing_Parameters" << "TimingDialog";
        QTest::newRow("receiver parameters") << "actionSet_GPS_Receiver_Parameters" << "GpsRxDialog";
        QTest::newRow("PC clock") << "actionSet_PC_Clock" << "SetPcClockDialog";
        QTest::newRow("manual reference") << "actionManual_Entry" << "ReferenceLocationDialog";
    }

    void everyMenuCommandOpensItsWindow()
    {
        QFETCH(QString, action);
        QFETCH(QString, dialog);
        ModalWatcher watcher(QMessageBox::Ok);
        MainWindow w;
        w.findChild<QAction*>(action)->trigger();
        QVERIFY2(watcher.dialogs.contains(dialog), qPrintable(watcher.dialogs.join(',')));
    }

    void textWindowsShowAndKeepTheirFlag()
    {
        MainWindow w;
        w.ui->actionGps_Raw_Data->trigger();
        QVERIFY(w.gpsRawDataDialog->isVisible());
        QVERIFY(w.bGpsRawDataVisible);
        w.gpsRawDataDialog->close();
        QVERIFY(w.bGpsRawDataVisible);

        for (const char* name : {"actionTic_Raw_Data", "actionTic_Processed_Data", "actionReceiver_ID_Message",
                                 "actionView_Satellite_Az_El_Chart", "actionManual_GPS_Receiver_Commands"})
            w.findChild<QAction*>(name)->trigger();
        QVERIFY(w.bTicRawDataVisible);
        QVERIFY(w.bTicProcessedDataVisible);
    }

    void aboutBoxShowsTheVersionAndIsGoneAfterwards()
    {
        ModalWatcher watcher;
        QString version;
        watcher.SetDialogHandler([&](QDialog* d) {
            version = d->findChild<QLabel*>("IDC_ABOUTBOX_VERSION")->text();
        });
        MainWindow w;
        w.ui->actionAbout->trigger();
        w.ui->actionAbout->trigger();
        QCOMPARE(version, QStringLiteral("Version 1.1.1"));
        QCOMPARE(watcher.dialogs.count("AboutBox"), 2);
        QTest::qWait(10);
        QCOMPARE(w.findChildren<QDialog*>("AboutBox").size(), 0);
    }

    void helpAndPortErrorsShowTheirBoxes()
    {
        ModalWatcher watcher;
        MainWindow w;
        emit w.helpShortcut->activated();
        QCOMPARE(watcher.boxes.size(), 1);
        QCOMPARE(watcher.boxes[0].informativeText, QStringLiteral("Help data is coming soon"));
        QCOMPARE(watcher.boxes[0].icon, QMessageBox::Information);

        emit w.ticPortThreads[4].showErrorMessageBox(QStringLiteral("TIC port 5 failed"));
        QCOMPARE(watcher.boxes.size(), 2);
        QCOMPARE(watcher.boxes[1].text, QStringLiteral("TIC port 5 failed"));
        QCOMPARE(watcher.boxes[1].icon, QMessageBox::Warning);
        QVERIFY(watcher.boxes[1].title.isEmpty());
    }

    void acceptingTheTicInterfaceRestartsPortsOneToEight()
    {
        ModalWatcher watcher;
        MainWindow w;
        QList<int> started;
        void (MainWindow::*const signals8[8])(int) = {
            &MainWindow::startTicSerialPort1, &MainWindow::startTicSerialPort2, &MainWindow::startTicSerialPort3,
            &MainWindow::startTicSerialPort4, &MainWindow::startTicSerialPort5, &MainWindow::startTicSerialPort6,
            &MainWindow::startTicSerialPort7, &MainWindow::startTicSerialPort8};
        for (auto sig : signals8)
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
        QVERIFY(w.telnetServer);
        QVERIFY(w.telnetServer->IsListening());
        QPointer<TelnetTcpServer> first = w.telnetServer;
        emit w.remoteShortcut->activated();
        QCOMPARE(w.telnetServer, first.data());
        QVERIFY(w.telnetServer->IsListening());

        activate = false;
        emit w.remoteShortcut->activated();
        QVERIFY(!w.telnetServer);
        QVERIFY(first.isNull());

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
        w.gpsNavDialog->averagedAltGps = 80.0;
        w.gpsNavDialog->averagedAltMsl = 35.0;
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
        QTest::addColumn<qint64>("expectInterval");
        QTest::newRow("off asks nothing") << 0 << true << 0 << qint64(7200);
        QTest::newRow("minutes") << 2 << true << 1 << qint64(120);
        QTest::newRow("bad units") << 4 << true << 3 << qint64(0);
        QTest::newRow("limit off") << 5 << false << 0 << qint64(0);
        QTest::newRow("bad mode") << 9 << true << 1 << qint64(120);
    }

    void pcClockSettingsAndThePrivilege()
    {
        QFETCH(int, mode);
        QFETCH(bool, maxOn);
        QFETCH(int, units);
        QFETCH(qint64, expectInterval);
        QSettings s;
        s.setValue("SetPcClockDialog/Time Sync Mode", mode);
        s.setValue("SetPcClockDialog/Time Sync Max On", maxOn);
        s.setValue("SetPcClockDialog/Time SyncMax Units", units);
        ModalWatcher watcher;
        MainWindow w;
        const int expectMode = mode >= 0 && mode <= 5 ? mode : 0;
        QCOMPARE(w.pcSyncMode, expectMode);
        QCOMPARE(w.pcSyncMaxInterval, expectInterval);
        QCOMPARE(w.pcSyncDeltaMs, 1);
        QCOMPARE(FakeSystemClock::Get().privilegeRequests, expectMode == 0 ? 0 : 1);
        QVERIFY(watcher.boxes.isEmpty());
    }

    void refusedPrivilegeSwitchesSynchronisationOff()
    {
        QSettings().setValue("SetPcClockDialog/Time Sync Mode", 3);
        FakeSystemClock::Get().privilegeError = 1;
        ModalWatcher watcher;
        MainWindow w;
        QCOMPARE(w.pcSyncMode, 0);
        QCOMPARE(QSettings().value("SetPcClockDialog/Time Sync Mode").toInt(), 0);
        QCOMPARE(watcher.boxes.size(), 1);
        QCOMPARE(watcher.boxes[0].icon, QMessageBox::Warning);
        QVERIFY(watcher.boxes[0].text.startsWith(
            "<b>Horalux cannot set the system time</b><br/>because it cannot get the Set System Time "
            "Privilege.<br/>System Error: <br/>\"Fake clock error 1\"<p><b>Disabling"));
        QVERIFY(FakeSystemClock::Get().setTimes.isEmpty());
    }
};

HORALUX_TEST(TestLifetime);
#include "tst_lifetime.moc"
