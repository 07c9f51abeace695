// The receiver set-up: the values come from the timing and receiver-parameter dialogs,
// the reference location and the receiver record; the commands are built as a list
// and sent in order.

#include "mainwindow.h"

#include "gpsnavdialog.h"
#include "gpsrxdialog.h"
#include "initsequences.h"
#include "pctime.h"
#include "timingdialog.h"

#include <QLabel>
#include <QThread>

ReceiverSetup MainWindow::GatherReceiverSetup() const
{
    ReceiverSetup setup;
    setup.portMode = receiverInfo.gpsPortMode;
    setup.receiverModel = receiverInfo.receiverModel;
    setup.channelCount = receiverInfo.channelCount;
    setup.channelCountReported = receiverInfo.channelCountReported;
    setup.bHasTraim = receiverInfo.bHasTraim;
    if (timingDialog) {
        setup.ppsOffsetUs = timingDialog->ppsOffsetLateUs;
        setup.cableDelayNs = timingDialog->utcCorrectionNs;
        setup.traimLimitNs = timingDialog->traimLimitNs;
        setup.bTraimConditioned = timingDialog->bTraimKill1pps;
    }
    if (gpsRxDialog) {
        const GpsRxDialog& d = *gpsRxDialog;
        ReceiverParameters& rx = setup.rx;
        rx.gpsMode = d.gpsMode;
        rx.bRxOnLocalTime = d.bRxOnLocalTime;
        rx.bEmulatePvt6 = d.bEmulatePvt6;
        rx.ppsRate = d.ppsRate;
        rx.ppsDuration = d.ppsDuration;
        rx.elevationMask = d.elevationMask;
        rx.ionosphericDelay = d.ionosphericDelay;
        rx.troposphericDelay = d.troposphericDelay;
        rx.positionFixMode = d.positionFixMode;
        rx.satelliteSelection = d.satelliteSelection;
        rx.geometryButton = d.geometryButton;
        rx.applicationType = d.applicationType;
        rx.alignMessages = d.alignMessages;
        rx.bDgpsActivate = d.bDgpsActivate;
        rx.dgpsRate = d.dgpsRate;
        rx.satelliteEnableMask = d.satelliteEnableMask;
        rx.bSatGps = d.bSatGps;
        rx.bSatGlonass = d.bSatGlonass;
        rx.bSatGalileo = d.bSatGalileo;
        rx.bSatBeidou = d.bSatBeidou;
        rx.bSatQzss = d.bSatQzss;
        rx.bSatSbas = d.bSatSbas;
        rx.navigationStatus = d.navigationStatus;
    }
    if (gpsNavDialog) {
        double altMsl = 0.0;
        gpsNavDialog->GetRefLocation(&setup.refLatitude, &setup.refLongitude, &setup.refHeight, &altMsl);
    }
    setup.pcUtc = PcTime::CurrentUtc();
    setup.localTimeOffsetMinutes = localTimeOffsetMinutes;
    std::copy(std::begin(traimParameters), std::end(traimParameters), setup.traimParameters.begin());
    setup.ppsRateSent = ppsRateSent;
    setup.ppsDurationSent = ppsDurationSent;
    return setup;
}

void MainWindow::SendSetupSequence(const QList<ReceiverCommand>& commands, const ReceiverSetup& setup)
{
    // The state the builder decided is taken over before sending: the decoders run
    // during the waits and read the channel count.
    receiverInfo.channelCount = setup.channelCount;
    std::copy(setup.traimParameters.begin(), setup.traimParameters.end(), std::begin(traimParameters));
    ppsRateSent = setup.ppsRateSent;
    ppsDurationSent = setup.ppsDurationSent;
    if (setup.bPvt6Note)
        statusMessageLabel->setText(InitSequences::WithStatusNote(
            statusMessageLabel->text(), InitSequences::kPvt6ModeNote, *setup.bPvt6Note));
    if (setup.bLocalTimeNote)
        statusMessageLabel->setText(InitSequences::WithStatusNote(
            statusMessageLabel->text(), InitSequences::kLocalTimeModeNote, *setup.bLocalTimeNote));
    if (setup.bPositionHoldChosen) {
        if (gpsRxDialog)
            gpsRxDialog->SetGpsMode(2);
        ShowNavigationStatus(1);
    }

    for (const ReceiverCommand& command : commands) {
        if (command.pauseBeforeMs > 0 && !bExitRequested)
            QThread::msleep(static_cast<unsigned long>(command.pauseBeforeMs));
        if (command.bWait)
            SendCommandAndWait(command.bytes);
        else
            SendGpsMessage(command.bytes);
        if (command.pauseAfterMs > 0 && !bExitRequested)
            QThread::msleep(static_cast<unsigned long>(command.pauseAfterMs));
    }

    if (setup.epochOffsetMs)
        displayTime.SetEpochOffsetMs(*setup.epochOffsetMs);
    if (setup.ppsOffsetNs)
        displayTime.SetPpsOffsetNs(*setup.ppsOffsetNs);
    if (setup.cableDelayNsSent)
        displayTime.SetCableDelayNs(*setup.cableDelayNsSent);
    // Set once the T-RAIM command is out, so that its reply is the one shown.
    if (setup.bConfigReplyPending)
        bConfigReplyPending = true;
}

void MainWindow::InitializeReceiver()
{
    ReceiverSetup setup = GatherReceiverSetup();
    const ReceiverCommandList commands = InitSequences::BuildInitializeReceiver(setup);
    SendSetupSequence(commands, setup);
}

void MainWindow::SendTimingParameters()
{
    ReceiverSetup setup = GatherReceiverSetup();
    const ReceiverCommandList commands = InitSequences::BuildTimingParameters(setup);
    SendSetupSequence(commands, setup);
}

void MainWindow::SendReceiverPosition()
{
    ReceiverSetup setup = GatherReceiverSetup();
    SendSetupSequence(InitSequences::BuildReceiverPosition(setup), setup);
}

void MainWindow::SendDateTimeToReceiver()
{
    ReceiverSetup setup = GatherReceiverSetup();
    const ReceiverCommandList commands = InitSequences::BuildDateTime(setup);
    SendSetupSequence(commands, setup);
}

QByteArray MainWindow::MakeTraimCommand(int channelCount)
{
    std::array<uint8_t, 5> traim;
    std::copy(std::begin(traimParameters), std::end(traimParameters), traim.begin());
    return InitSequences::MakeTraimCommand(channelCount, traim);
}
