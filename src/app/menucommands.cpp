// Menu commands that open dialogs and windows, the two shortcuts, the remote-control
// switch, the reference-location commands and the status-bar slots.

#include "mainwindow.h"

#include "aboutbox.h"
#include "gpsnavdialog.h"
#include "gpsrawdatadialog.h"
#include "gpsrxiddialog.h"
#include "manualcommanddialog.h"
#include "satazelchartdialog.h"
#include "satelliteselect.h"
#include "statusnotes.h"
#include "telnetlink.h"
#include "telnettcpserver.h"
#include "ticportdialog.h"
#include "ticprocesseddatadialog.h"
#include "ticrawdatadialog.h"
#include "ui_mainwindow.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMessageBox>
#include <QStatusBar>

namespace {

// A text window is shown without modality and brought to the front.
template <class Window>
void ShowTextWindow(Window* window)
{
    window->ShowDialog();
    window->raise();
    window->activateWindow();
}

}  // namespace

void MainWindow::actionAveraging_Parameters_triggered()
{
    if (!gpsNavDialog)
        gpsNavDialog = new GpsNavDialog(this);
    gpsNavDialog->exec();
}

void MainWindow::actionManual_Satellite_Select_triggered()
{
    if (!satelliteSelect) {
        satelliteSelect = new SatelliteSelect(this);
        connect(satelliteSelect, &SatelliteSelect::sendGpsMessage, this, &MainWindow::SendGpsMessage);
    }
    satelliteSelect->exec();
}

void MainWindow::actionManual_GPS_Receiver_Commands_triggered()
{
    if (!manualCommandDialog) {
        manualCommandDialog = new ManualCommandDialog(this);
        connect(manualCommandDialog, &ManualCommandDialog::sendGpsMessage, this,
                &MainWindow::SendGpsMessage);
    }
    manualCommandDialog->ShowDialog();
}

void MainWindow::actionView_Satellite_Az_El_Chart_triggered()
{
    if (!satAzElChartDialog)
        satAzElChartDialog = new SatAzElChartDialog(this);
    satAzElChartDialog->UpdateSatellites(satelliteDisplayTable);
    satAzElChartDialog->ShowChart();
    satAzElChartDialog->raise();
    satAzElChartDialog->activateWindow();
}

void MainWindow::actionReceiver_ID_Message_triggered()
{
    if (!gpsRxIdDialog)
        gpsRxIdDialog = new GpsRxIdDialog(this);
    ShowTextWindow(gpsRxIdDialog);
}

void MainWindow::actionGps_Raw_Data_triggered()
{
    if (!gpsRawDataDialog)
        gpsRawDataDialog = new GpsRawDataDialog(this);
    ShowTextWindow(gpsRawDataDialog);
    bGpsRawDataVisible = true;
}

void MainWindow::actionTic_Raw_Data_triggered()
{
    if (!ticRawDataDialog)
        ticRawDataDialog = new TicRawDataDialog(this);
    ShowTextWindow(ticRawDataDialog);
    bTicRawDataVisible = true;
}

void MainWindow::actionTic_Processed_Data_triggered()
{
    if (!ticProcessedDataDialog)
        ticProcessedDataDialog = new TicProcessedDataDialog(this);
    ShowTextWindow(ticProcessedDataDialog);
    bTicProcessedDataVisible = true;
}

void MainWindow::actionSet_TIC_Interface_triggered()
{
    if (!ticPortDialog)
        ticPortDialog = new TicPortDialog(this);
    if (ticPortDialog->exec() != 0)
        StartTicSerialPorts();
}

void MainWindow::StartTicSerialPorts()
{
    emit startTicSerialPort1(1);
    emit startTicSerialPort2(2);
    emit startTicSerialPort3(3);
    emit startTicSerialPort4(4);
    emit startTicSerialPort5(5);
    emit startTicSerialPort6(6);
    emit startTicSerialPort7(7);
    emit startTicSerialPort8(8);
}

void MainWindow::RestartGpsSerialPort()
{
    emit startGpsSerialPort(bLoadFirmwareMode);
}

namespace {

// The clocks' site for local sidereal time follows the reference location.
void MoveClockSite(const GpsNavDialog& navDialog, UtcDateTime& displayTime, UtcDateTime& receiverTime)
{
    double lat = 0.0, lon = 0.0, altGps = 0.0, altMsl = 0.0;
    navDialog.GetRefLocation(&lat, &lon, &altGps, &altMsl);
    displayTime.SetLocation(lat, lon);
    receiverTime.SetLocation(lat, lon);
}

}  // namespace

void MainWindow::actionfrom_Average_triggered()
{
    gpsNavDialog->SetRefToAveraged();
    MoveClockSite(*gpsNavDialog, displayTime, receiverTime);
}

void MainWindow::actionfrom_Current_triggered()
{
    gpsNavDialog->SetRefToCurrent();
    MoveClockSite(*gpsNavDialog, displayTime, receiverTime);
}

void MainWindow::actionManual_Entry_triggered()
{
    gpsNavDialog->EditRefLocation();
    MoveClockSite(*gpsNavDialog, displayTime, receiverTime);
}

void MainWindow::TelnetLinkInterface()
{
    if (!telnetLink)
        telnetLink = new TelnetLink(this);
    telnetLink->SetServerStatus(RemoteServerStatus());
    if (telnetLink->exec() != 0)
        ApplyTelnetLink();
}

void MainWindow::ApplyTelnetLink()
{
    if (telnetLink->bTelnetActivate) {
        if (!telnetServer) {
            telnetServer = new TelnetTcpServer(nullptr);
            // A client whose TIC data stream runs is not idle; a stream ends with its client.
            telnetServer->SetStreamCheck([this] { return ticTimeStreamMode != 0 || ticAverageStreamMode != 0; });
            connect(telnetServer, &TelnetTcpServer::clientLeft, this, [this] {
                ticTimeStreamMode = 0;
                ticAverageStreamMode = 0;
            });
            connect(telnetServer, &TelnetTcpServer::noteChanged, this,
                    [this](const QString& note) {
                        ShowStatusNote(remoteLinkLabel, note, QString(), telnetServer->NoteSaysReturn());
                    });
        }
        disconnect(telnetServer, &TelnetTcpServer::sendTelnetCommand, this,
                   &MainWindow::OnTelnetCommand);
        telnetServer->StartServer(telnetLink->telnetServerPort);
        connect(telnetServer, &TelnetTcpServer::sendTelnetCommand, this,
                &MainWindow::OnTelnetCommand);
    } else if (telnetServer) {
        disconnect(telnetServer, &TelnetTcpServer::sendTelnetCommand, this,
                   &MainWindow::OnTelnetCommand);
        delete telnetServer;
        telnetServer = nullptr;
        ShowStatusNote(remoteLinkLabel, QString());
    }
}

void MainWindow::actionAbout_triggered()
{
    // A fresh box each time, gone when it closes: nothing piles up per use.
    AboutBox box(this);
    if (QLabel* version = box.findChild<QLabel*>(QStringLiteral("IDC_ABOUTBOX_VERSION")))
        version->setText(QStringLiteral("Version ") + programVersion.toString());
    box.exec();
}

void MainWindow::actionHelp_Topics_triggered()
{
    QMessageBox box;
    box.setIcon(QMessageBox::Information);
    box.setInformativeText(QStringLiteral("Help data is coming soon"));
    box.exec();
}

void MainWindow::actionExit_triggered()
{
    bExitRequested = true;
    QCoreApplication::quit();
}

void MainWindow::RequestExit()
{
    ui->actionExit->trigger();
}

void MainWindow::showErrorMessageBox(QString errmsg)
{
    QMessageBox box;
    box.setIcon(QMessageBox::Warning);
    box.setText(errmsg);
    box.exec();
}

void MainWindow::setDefaultStatusTipText(QString message)
{
    if (message.isEmpty())
        statusBar()->showMessage(QStringLiteral("For Help, press F1"));
}

void MainWindow::ResetHeartbeat()
{
    heartbeatIndicator->setPixmap(ledOffPixmap);
}

void MainWindow::ResetNtpIndicator()
{
    ntpIndicator->setPixmap(ntpOffPixmap);
}

void MainWindow::actionCopy_triggered() {}
void MainWindow::actionSend_new_firmware_to_GPS_Rx_triggered() {}
void MainWindow::actionDisable_triggered() {}
void MainWindow::actionSNTP_Server_RFC_2030_triggered() {}
void MainWindow::actionUDP_IP_Server_RFC_868_triggered() {}
