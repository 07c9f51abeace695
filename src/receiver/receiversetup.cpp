// When the receiver is searched for and set up: start-up and the Edit and Data menu
// commands that change the receiver's settings.

#include "mainwindow.h"

#include "gpsportdialog.h"
#include "gpsrxdialog.h"
#include "manualcommanddialog.h"
#include "timingdialog.h"
#include "ui_mainwindow.h"

#include "receivermodels.h"

#include <QApplication>
#include <QMessageBox>

namespace {

bool IsUblox(int mode)
{
    return mode == GpsPortModeUbloxUbx || mode == GpsPortModeUbloxNmea;
}

// The modes in which changed parameters go to a receiver that is already set up.
bool ReceivesParameters(int mode)
{
    return mode == GpsPortModeMotorolaBinary || IsUblox(mode);
}

}  // namespace

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

void MainWindow::actionSet_GPS_Receiver_Interface_triggered()
{
    if (!gpsPortDialog)
        gpsPortDialog = new GpsPortDialog(this);
    // Whether the operator chose another receiver is told by what the dialog showed, the
    // mode a search found included: the open port may still carry the "Search" it was
    // opened with, and OK with nothing changed must not restart a survey.
    const QString shownPort = gpsPortDialog->GetPortName();
    const int shownMode = gpsPortDialog->GetMode();
    if (gpsPortDialog->exec() == 0)
        return;
    ppsInterface = gpsPortDialog->GetPpsInterface();
    gpsPortThread.SetPpsInterface(ppsInterface);
    const int newMode = gpsPortDialog->GetMode();
    if (ReceivesParameters(newMode)) {
        // Told on the old port settings, before the port reopens on the new ones.
        BeginReceiverWork();
        SendCommandAndWait(ReceiverModels::DataRateCommand(gpsPortDialog->GetDataRate(), newMode));
        EndReceiverWork();
        if (SearchMustEnd())
            return;
    }
    receiverInfo.gpsPortMode = newMode;
    emit startGpsSerialPort(bLoadFirmwareMode);
    if (gpsPortDialog->GetPortName() != shownPort || newMode != shownMode)
        ForgetPreviousReceiver();
    InitializeGpsReceiverOrWarn();
    ClearReceiverIdentity();
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
    const int mode = receiverInfo.gpsPortMode;
    BeginReceiverWork();
    if (ReceivesParameters(mode))
        SendTimingParameters();
    else if (mode == GpsPortModeMotorolaLoran || mode == GpsPortModeMotorolaNmea)
        InitializeGpsReceiver();
    EndReceiverWork();
}

void MainWindow::actionSet_GPS_Receiver_Parameters_triggered()
{
    if (!gpsRxDialog)
        gpsRxDialog = new GpsRxDialog(this);
    if (gpsRxDialog->exec() == 0)
        return;
    BeginReceiverWork();
    if (ReceivesParameters(receiverInfo.gpsPortMode))
        InitializeReceiver();
    else
        InitializeGpsReceiver();
    EndReceiverWork();
}

void MainWindow::actionInitiate_GPS_Receiver_Self_Test_triggered()
{
    const int mode = receiverInfo.gpsPortMode;
    if (mode != GpsPortModeMotorolaBinary && !IsUblox(mode))
        return;
    QMessageBox box(this);
    box.setText(QStringLiteral("<b>GPS Receiver Self Test</b>"));
    if (IsUblox(mode)) {
        box.setStandardButtons(QMessageBox::Cancel);
        box.setInformativeText(QStringLiteral("Self Test is not supported on u-blox based receivers."));
    } else {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setInformativeText(QStringList{
            QStringLiteral("Self Test will disable the GPS receiver for about 10 seconds."),
            QStringLiteral("When the self-test is complete, the acquisition process starts all "),
            QStringLiteral("over as if the receiver were first powered on. The date, time, position "),
            QStringLiteral("and ephemeris information is all retained."), QString(),
            QStringLiteral("Use \"View/View GPS Receiver ID Message\" to view the results."), QString(),
            QStringLiteral("Do you really want to do this?")}.join(QStringLiteral("\r\n")));
    }
    box.setDefaultButton(QMessageBox::Cancel);
    if (box.exec() != QMessageBox::Ok || mode != GpsPortModeMotorolaBinary)
        return;
    SendGpsMessage(ReceiverModels::IsTwelveChannelFamily(receiverInfo.receiverModel) ? QByteArray("@@Ia")
                                                                                     : QByteArray("@@Fa"));
}

void MainWindow::actionInitiate_GPS_Receiver_Self_Survey_triggered()
{
    const int mode = receiverInfo.gpsPortMode;
    if (mode != GpsPortModeMotorolaBinary && !IsUblox(mode))
        return;
    const bool bUblox = IsUblox(mode);
    const QString paragraphs[] = {
        QStringLiteral("NOTICE: The GPS Receiver internal Self Survey mode is independent of this program's "
                       "software self-survey. To save the self survey results, wait for the survey to "
                       "complete, then save the current position to the reference position. "),
        QStringLiteral("WARNING: The survey mode overrides some user settings. ") +
            (bUblox ? QString() : QStringLiteral("It activates 3D navigation mode and activates TRAIM. ")) +
            QStringLiteral("User settings are not restored on completion. After saving the survey results, "
                           "re-initialize the GPS Receiver using the menu Edit / Set GPS Receiver Interface "
                           "window."),
        (bUblox ? QStringLiteral("The internal Auto Survey mode will achieve a horizontal position accuracy "
                                 "of <10m 95%.")
                : QStringLiteral("The internal Auto Survey mode will average a total of 10,000 2D and 3D "
                                 "position fixes to achieve a horizontal position accuracy of <10m 95%.")) +
            QStringLiteral(" If the averaging process is interrupted, the averaging resumes where it left off. "
                           "Once the position is surveyed, the GPS receiver will automatically enter the "
                           "position-hold mode. ")};
    QMessageBox box(this);
    box.setText(QStringLiteral("<b>GPS Receiver Self Survey</b>"));
    box.setInformativeText(paragraphs[0] + "\r\n\r\n" + paragraphs[1] + "\r\n\r\n" + paragraphs[2] +
                           "\r\nDo you really want to do this?");
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Cancel);
    if (box.exec() != QMessageBox::Ok)
        return;
    if (bUblox) {
        for (const QByteArray& msg : ReceiverModels::UbxSelfSurvey())
            SendGpsMessage(msg);
    } else if (receiverInfo.channelCount > 11) {
        SendGpsMessage(QByteArray("@@Gd\x03"));
    } else {
        SendGpsMessage(QByteArray("@@At\x02"));
    }
}
