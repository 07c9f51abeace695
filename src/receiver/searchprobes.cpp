// The probes of the receiver search: which protocol the receiver on the port speaks,
// and at which data rate.

#include "mainwindow.h"

#include "gpsnavdialog.h"
#include "gpsportdialog.h"
#include "receivermodels.h"
#include "ui_mainwindow.h"

namespace {

// The Motorola NMEA sentences that the probe turns off before it asks for one.
const char* const kNmeaOutputsOff[] = {"$PMOTG,RMC,0000", "$PMOTG,GGA,0000", "$PMOTG,GSA,0000",
                                       "$PMOTG,GSV,0000", "$PMOTG,GLL,0000", "$PMOTG,VTG,0000"};

void SetReceiverMenusEnabled(Ui::MainWindow& ui, bool bEnabled)
{
    for (QAction* action : {ui.actionSet_GPS_Receiver_Interface, ui.actionSet_Timing_Parameters,
                            ui.actionSet_GPS_Receiver_Parameters, ui.actionInitiate_GPS_Receiver_Self_Test,
                            ui.actionInitiate_GPS_Receiver_Self_Survey})
        action->setEnabled(bEnabled);
}

}  // namespace

void MainWindow::ReopenGpsPortAt(int rate)
{
    gpsPortDialog->SetBaud(rate);
    emit startGpsSerialPort(bLoadFirmwareMode);
}

bool MainWindow::SearchReceiver(int& mode)
{
    if (ProbeMotorolaNmea(mode))
        return true;
    if (SearchMustEnd())
        return false;
    return SearchUbloxReceiver(mode);
}

bool MainWindow::SearchUbloxReceiver(int& mode)
{
    // A failed u-blox step leaves the port at 9600 in the u-blox mode; the caller
    // decides what follows.
    mode = GpsPortModeSearch;
    bGpsSearchActive = true;
    ReopenGpsPortAt(9600);
    receiverInfo.gpsPortMode = GpsPortModeUbloxUbx;
    if (!ProbeReceiverType(GpsPortModeUbloxUbx))
        return false;
    mode = GpsPortModeUbloxUbx;
    return true;
}

bool MainWindow::ProbeMotorolaNmea(int& mode)
{
    mode = GpsPortModeSearch;
    const int keptMode = receiverInfo.gpsPortMode;
    const int keptRate = gpsPortDialog->GetDataRate();
    if (gpsPortDialog->IsDoNotInitialize())
        return false;
    bGpsSearchActive = true;

    ReopenGpsPortAt(4800);
    receiverInfo.gpsPortMode = GpsPortModeMotorolaNmea;
    for (const char* off : kNmeaOutputsOff)
        SendGpsMessage(off);
    if (SendCommandAndWait("$PMOTG,ZDA,0001")) {
        mode = GpsPortModeMotorolaNmea;
    } else if (!SearchMustEnd()) {
        ReopenGpsPortAt(9600);
        receiverInfo.gpsPortMode = GpsPortModeMotorolaBinary;
        if (SendCommandAndWait("@@Cj")) {
            mode = GpsPortModeMotorolaBinary;
        } else if (!SearchMustEnd()) {
            ReopenGpsPortAt(1200);
            receiverInfo.gpsPortMode = GpsPortModeMotorolaLoran;
            if (SendCommandAndWait("T0"))
                mode = GpsPortModeMotorolaLoran;
        }
    }

    receiverInfo.gpsPortMode = keptMode;
    ReopenGpsPortAt(keptRate);
    return mode != GpsPortModeSearch;
}

bool MainWindow::ProbeReceiverType(int mode)
{
    const bool bKeptSearchActive = bGpsSearchActive;
    const int keptMode = receiverInfo.gpsPortMode;
    bGpsSearchActive = true;
    bool bAnswered = false;
    switch (mode) {
    case GpsPortModeMotorolaLoran:
        receiverInfo.gpsPortMode = mode;
        bAnswered = SendCommandAndWait("T0");
        break;
    case GpsPortModeMotorolaNmea:
        receiverInfo.gpsPortMode = mode;
        bAnswered = SendCommandAndWait("$PMOTG,ZDA,0001");
        break;
    case GpsPortModeMotorolaBinary:
        receiverInfo.gpsPortMode = mode;
        bAnswered = SendCommandAndWait("@@Cj") || (!SearchMustEnd() && SendCommandAndWait("@@Cj"));
        break;
    case GpsPortModeUbloxUbx:
        receiverInfo.gpsPortMode = mode;
        bAnswered = SendCommandAndWait(ReceiverModels::UbxVersionPoll());
        break;
    case GpsPortModeMotorolaBinaryRxOnly:
    case GpsPortModeGenericNmea:
    case GpsPortModeSearch:
        bAnswered = true;
        break;
    default:
        break;
    }
    bGpsSearchActive = bKeptSearchActive;
    receiverInfo.gpsPortMode = keptMode;
    return bAnswered;
}

void MainWindow::ClearReceiverIdentity()
{
    // The TIC text stays: it belongs to the counters, not to the receiver.
    for (int k = 0; k < 8; ++k) {
        if (k != 3)
            clockTexts[k].clear();
    }
    if (gpsNavDialog)
        gpsNavDialog->SetDops(0.0, 0.0, 0.0, 0.0, 0.0);
}

void MainWindow::BeginReceiverWork()
{
    if (receiverWorkDepth++ > 0)
        return;
    SetReceiverMenusEnabled(*ui, false);
}

void MainWindow::EndReceiverWork()
{
    if (--receiverWorkDepth > 0)
        return;
    receiverWorkDepth = 0;
    SetReceiverMenusEnabled(*ui, true);
}
