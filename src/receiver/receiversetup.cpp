// When the receiver is searched for and set up: start-up and the Edit and Data menu
// commands that change the receiver's settings.

#include "mainwindow.h"

#include "gpsportdialog.h"
#include "gpsrxdialog.h"
#include "manualcommanddialog.h"
#include "timingdialog.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QMessageBox>

void MainWindow::ShowAndInitialize()
{
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    show();
    if (!bShuttingDown)
        InitializeGpsReceiverOrWarn();
}

void MainWindow::InitializeGpsReceiverOrWarn()
{
    ui->actionSend_new_firmware_to_GPS_Rx->setEnabled(false);
    if (InitializeGpsReceiver())
        return;
    ui->actionSend_new_firmware_to_GPS_Rx->setEnabled(true);
    if (bExitRequested)
        return;
    QMessageBox box(this);
    box.setIcon(QMessageBox::Warning);
    box.setWindowTitle(QStringLiteral("GPS Receiver not found"));
    box.setText(QStringLiteral("Go to the menu and select Edit/Set Serial Port. There you can "
                               "select a different serial port, and/or select a different "
                               "receiver type."));
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

bool MainWindow::InitializeGpsReceiver()
{
    // Until the receiver search is built this does what the receive-only path does:
    // take the interface mode from the settings and end the search.
    receiverInfo.gpsPortMode = gpsPortDialog->GetMode();
    bGpsSearchActive = false;
    return false;
}

void MainWindow::actionSet_GPS_Receiver_Interface_triggered()
{
    if (!gpsPortDialog)
        gpsPortDialog = new GpsPortDialog(this);
    if (gpsPortDialog->exec() == 0)
        return;
    ppsInterface = gpsPortDialog->GetPpsInterface();
    gpsPortThread.SetPpsInterface(ppsInterface);
    receiverInfo.gpsPortMode = gpsPortDialog->GetMode();
    emit startGpsSerialPort(bLoadFirmwareMode);
    InitializeGpsReceiverOrWarn();
    if (manualCommandDialog) {
        manualCommandDialog->close();
        delete manualCommandDialog;
        manualCommandDialog = nullptr;
    }
    manualCommandDialog = new ManualCommandDialog(this);
    connect(manualCommandDialog, &ManualCommandDialog::sendGpsMessage, this,
            &MainWindow::SendGpsMessage);
}

void MainWindow::actionSet_Timing_Parameters_triggered()
{
    if (!timingDialog)
        timingDialog = new TimingDialog(this);
    if (timingDialog->exec() == 0)
        return;
    if (timingDialog->bSawtoothModeChanged) {
        for (bool& stale : bTicPortStale)
            stale = true;
        timingDialog->bSawtoothModeChanged = false;
    }
    // Re-send the timing parameters to the receiver here, by gpsPortMode.
}

void MainWindow::actionSet_GPS_Receiver_Parameters_triggered()
{
    if (!gpsRxDialog)
        gpsRxDialog = new GpsRxDialog(this);
    gpsRxDialog->exec();
}

void MainWindow::actionInitiate_GPS_Receiver_Self_Test_triggered() {}

void MainWindow::actionInitiate_GPS_Receiver_Self_Survey_triggered() {}
