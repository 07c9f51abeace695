// The receiver search and set-up: find the receiver on the port, decide its protocol,
// identify it, send the set-up of its family, and leave the port in the mode in which
// the receiver will be read.

#include "mainwindow.h"

#include "gpsnavdialog.h"
#include "gpsportdialog.h"
#include "gpsrxdialog.h"
#include "receivermodels.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QSettings>
#include <QThread>

namespace {

// The pause before a Motorola receiver found in its LORAN mode is sent back to it.
constexpr int kLoranReturnPauseMs = 1000;

const char* const kNmeaOutputsOn[] = {"$PMOTG,GLL,0000", "$PMOTG,VTG,0000", "$PMOTG,GGA,0001",
                                      "$PMOTG,GSA,0001", "$PMOTG,GSV,0001", "$PMOTG,RMC,0001"};

// The end of every search, whichever way it ends: the menus are back and the cursor
// and sounds restored.
class SearchRun
{
public:
    explicit SearchRun(MainWindow& window) : w(window)
    {
        w.BeginReceiverWork();
        QApplication::setOverrideCursor(Qt::WaitCursor);
        bTickSound = w.bTickSound;
        bOutOfLockSound = w.bOutOfLockSound;
        w.bTickSound = w.bOutOfLockSound = false;
    }
    ~SearchRun()
    {
        w.bGpsSearchActive = false;
        QApplication::restoreOverrideCursor();
        w.bTickSound = bTickSound;
        w.bOutOfLockSound = bOutOfLockSound;
        w.EndReceiverWork();
    }

private:
    MainWindow& w;
    bool bTickSound = false;
    bool bOutOfLockSound = false;
};

QByteArray Motorola(const char* head, int payload)
{
    QByteArray cmd(head);
    cmd.append(static_cast<char>(payload));
    return cmd;
}

QString UbloxModeText(int mode)
{
    return mode == GpsPortModeUbloxNmea ? QStringLiteral("u-blox NMEA Mode")
                                        : MainWindow::tr("u-blox with DGPS, WAAS, EGNOS, MSAS");
}

}  // namespace

// False when the receiver that was asked for did not answer, which brings up the
// start-up warning. The listen-only modes ask nothing, so they cannot miss a receiver.
bool MainWindow::InitializeGpsReceiver()
{
    // A port that is "OFF" or will not open has no receiver to ask: searching it would
    // only grey the menus for half a minute and then blame the receiver. The set-up of
    // the mode runs when the port opens.
    bInitializeWhenPortOpens = !gpsPortThread.Port().isOpen();
    if (bInitializeWhenPortOpens) {
        bGpsSearchActive = false;
        return true;
    }
    SearchRun run(*this);

    // 1. A clean state: nothing of an earlier receiver stays on show.
    bGpsSearchActive = true;
    ClearReceiverDisplay();
    if (receiverInfo.gpsPortMode != GpsPortModeMotorolaBinary && gpsRxDialog)
        gpsRxDialog->bRxOnLocalTime = gpsRxDialog->bEmulatePvt6 = false;
    int mode = GpsPortModeMotorolaBinary;
    const int entryRate = gpsPortDialog->GetDataRate();
    bool bResult = false;

    // 2. Which mode the receiver is in.
    switch (receiverInfo.gpsPortMode) {
    case GpsPortModeSearch:
        statusMessageLabel->setText(tr("Initialization: Searching for GPS Receiver..."));
        if (!SearchReceiver(mode))
            mode = GpsPortModeMotorolaBinary;
        receiverInfo.gpsPortMode = mode;
        gpsPortDialog->SetMode(mode);
        break;
    case GpsPortModeMotorolaBinary:
    case GpsPortModeMotorolaLoran:
    case GpsPortModeMotorolaNmea:
        if (receiverInfo.gpsPortMode == GpsPortModeMotorolaBinary) {
            receiverInfo.firmwareVersion = 0.0;
            receiverInfo.firmwareVersionText.clear();
        }
        if (ProbeReceiverType(receiverInfo.gpsPortMode)) {
            bResult = true;
            statusMessageLabel->setText(QString());
            mode = receiverInfo.gpsPortMode;
        } else if (!SearchMustEnd() && ProbeMotorolaNmea(mode)) {
            // found in another of the Motorola modes
        } else {
            mode = receiverInfo.gpsPortMode;
        }
        break;
    default:
        mode = receiverInfo.gpsPortMode;
        break;
    }
    if (SearchMustEnd())
        return false;
    // The probes' answers may have lit the badges.
    ShowAntennaStatus(-1);
    ShowNavigationStatus(-1);

    // 3. The set-up of the receiver's family.
    bool bReceiverMissing = false;
    switch (mode) {
    case GpsPortModeGenericNmea:
        statusMessageLabel->setText(QStringLiteral("Generic NMEA GPS Receiver"));
        receiverInfo.ResetIdentity();
        receiverInfo.receiverModel = ReceiverModelGenericNmea;
        receiverInfo.gpsPortMode = GpsPortModeGenericNmea;
        ReopenGpsPortAt(entryRate);
        bResult = true;  // only listened to: nothing was asked, so nothing can be missing
        break;
    case GpsPortModeUbloxUbx:
    case GpsPortModeUbloxNmea: {
        bool bUbloxFailed = false;
        SetUpUbloxReceiver(mode, entryRate, bResult, bUbloxFailed);
        if (bUbloxFailed)
            return false;  // neither the mode stored nor the averages restarted
        break;
    }
    case GpsPortModeMotorolaBinaryRxOnly:
        // Nothing can be asked: the receiver is the one chosen in the receiver type dialog.
        gpsPortDialog->CopyReceiverInfo(receiverInfo);
        receiverInfo.gpsPortMode = GpsPortModeMotorolaBinaryRxOnly;
        ReopenGpsPortAt(entryRate);
        bResult = true;
        break;
    default:
        bResult = SetUpMotorolaReceiver(mode, entryRate);
        bReceiverMissing = !bResult;
        break;
    }
    if (SearchMustEnd())
        return false;
    // A receiver only listened to is known by its model alone, and its Tsigma is its own,
    // not that of the receiver set up before it.
    if (gpsNavDialog && (mode == GpsPortModeGenericNmea || mode == GpsPortModeMotorolaBinaryRxOnly))
        gpsNavDialog->SetReceiverErrorTerms(10.0, ReceiverModels::ModelErrorTerm(receiverInfo.receiverModel));

    // 9. The end.
    if ((receiverInfo.gpsPortMode == GpsPortModeMotorolaBinary ||
         receiverInfo.gpsPortMode == GpsPortModeMotorolaBinaryRxOnly) && !bReceiverMissing) {
        const bool bPvt6 = gpsRxDialog && gpsRxDialog->bEmulatePvt6;
        const bool bLocal = gpsRxDialog && gpsRxDialog->bRxOnLocalTime;
        statusMessageLabel->setText(ReceiverModels::BinaryIdentityLine(
            receiverInfo, receiverInfo.gpsPortMode == GpsPortModeMotorolaBinaryRxOnly, bPvt6, bLocal));
        ResetHeartbeat();
    }
    QSettings().setValue("MainWindow/Mode", mode);
    if (gpsNavDialog)
        gpsNavDialog->RestartAveraging();
    return bResult;
}

void MainWindow::SetUpUbloxReceiver(int mode, int entryRate, bool& bResult, bool& bUbloxFailed)
{
    statusMessageLabel->setText(QStringLiteral("Initialization: Set up u-blox GPS Receiver..."));
    receiverInfo.receiverModel = ReceiverModelUblox;
    receiverInfo.firmwareVersion = 0.0;
    receiverInfo.firmwareVersionText.clear();
    receiverInfo.bPlusVariant = false;
    receiverInfo.channelCount = receiverInfo.channelCountReported = 16;
    receiverInfo.bHasDgps = receiverInfo.bHasTraim = false;
    if (gpsNavDialog)
        gpsNavDialog->SetReceiverErrorTerms(10.0, 100.0);
    receiverInfo.gpsPortMode = mode;
    ReopenGpsPortAt(entryRate);
    if (gpsPortDialog->IsDoNotInitialize()) {
        // Only listened to, as in the listen-only modes: nothing was asked, so nothing
        // can be missing.
        bResult = true;
        statusMessageLabel->setText(UbloxModeText(mode));
        return;
    }

    SendGpsMessage(ReceiverModels::UbxPortSetup(entryRate));
    if (commandPauseMs > 0 && !SearchMustEnd())
        QThread::msleep(static_cast<unsigned long>(commandPauseMs));  // the port takes its new rate
    bool bAnswered = false;
    for (int k = 0; k < 3 && !bAnswered && !SearchMustEnd(); ++k)
        bAnswered = SendCommandAndWait(ReceiverModels::UbxVersionPoll());
    if (!bAnswered) {
        statusMessageLabel->setText(QStringLiteral("UBX ERROR: COM port setup failure"));
        bUbloxFailed = true;
        return;
    }
    bResult = true;

    for (const QByteArray& msg : ReceiverModels::UbxMessagesOff())
        SendGpsMessage(msg);
    SendGpsMessage(ReceiverModels::UbxAntennaSetup());
    for (const QByteArray& msg : ReceiverModels::UbxMessagesOn(mode))
        SendGpsMessage(msg);
    statusMessageLabel->setText(UbloxModeText(mode));
    ShowNavigationStatus(0);
    InitializeReceiver();
    if (gpsNavDialog && gpsNavDialog->bRefLocOnStart)
        SendReceiverPosition();
    SendTimingParameters();
    SendGpsMessage(ReceiverModels::UbxSaveConfiguration());
}

bool MainWindow::SetUpMotorolaReceiver(int mode, int entryRate)
{
    statusMessageLabel->setText(QStringLiteral("Initialization: Set up GPS Receiver..."));
    receiverInfo.receiverModel = 5;
    receiverInfo.bHasDgps = receiverInfo.bHasTraim = receiverInfo.bPlusVariant = false;
    if (gpsNavDialog)
        gpsNavDialog->SetReceiverErrorTerms(10.0, 100.0);
    const int currentRate = gpsPortDialog->GetDataRate();
    const int previousMode = receiverInfo.gpsPortMode;

    // A receiver found in its LORAN or NMEA mode is told to speak binary.
    if (mode == GpsPortModeMotorolaLoran || mode == GpsPortModeMotorolaNmea) {
        ReopenGpsPortAt(entryRate);
        receiverInfo.gpsPortMode = previousMode;
        SendGpsMessage(mode == GpsPortModeMotorolaLoran ? QByteArray("BIN") : QByteArray("$PMOTG,FOR,0"));
    }

    receiverInfo.gpsPortMode = GpsPortModeMotorolaBinary;
    receiverInfo.firmwareVersion = 0.0;
    receiverInfo.firmwareVersionText.clear();
    if (!SendCommandAndWait("@@Cj")) {
        receiverInfo.gpsPortMode = previousMode;
        ReopenGpsPortAt(currentRate);
        statusMessageLabel->setText(QStringLiteral("ERROR: Motorola GPS Receiver Not Found"));
        return false;
    }
    if (SearchMustEnd())
        return true;

    const int model = receiverInfo.receiverModel;
    const bool bTwelve = ReceiverModels::IsTwelveChannelFamily(model);
    if (!gpsPortDialog->IsDoNotInitialize()) {
        SendGpsMessage(Motorola("@@Cg", 1));
        SendGpsMessage(Motorola("@@Ba", 0));
        SendGpsMessage(Motorola("@@Ea", 0));
        if (ReceiverModels::IsSsrModel(model)) {
            // These receivers are known to have 12 channels; no need to wait for a position.
            receiverInfo.channelCount = receiverInfo.channelCountReported = 12;
            SendGpsMessage(Motorola("@@Ha", 0));
        } else if (!SendCommandAndWait(Motorola("@@Ha", 0)) && !SendCommandAndWait(Motorola("@@Ea", 0)) &&
                   !SendCommandAndWait(Motorola("@@Ba", 0))) {
            receiverInfo.channelCount = receiverInfo.channelCountReported = 6;
        }
    }
    if (SearchMustEnd())
        return true;

    SendCommandAndWait(Motorola("@@Hb", 0));
    for (const char* head : {"@@Bb", "@@Bk", "@@Ek", "@@Bl"})
        SendGpsMessage(Motorola(head, 0));
    SendCommandAndWait(Motorola("@@Bh", 0));
    for (const char* head : {"@@Bg", "@@Eg", "@@Bi"})
        SendGpsMessage(Motorola(head, 0));
    SendGpsMessage(bTwelve ? QByteArray("@@Gj") : QByteArray("@@Bj"));
    SendGpsMessage(Motorola("@@Bo", 1));
    if (bTwelve)
        SendGpsMessage(Motorola("@@AQ", 1));

    if (gpsNavDialog && gpsNavDialog->bRefLocOnStart)
        SendReceiverPosition();
    InitializeReceiver();
    if (const int channels = ReceiverModels::ModelChannels(receiverInfo.receiverModel); channels > 0)
        receiverInfo.channelCount = receiverInfo.channelCountReported = channels;
    if (gpsNavDialog)
        gpsNavDialog->SetReceiverErrorTerms(10.0, ReceiverModels::ModelErrorTerm(receiverInfo.receiverModel));
    SendTimingParameters();
    if (SearchMustEnd())
        return true;

    // 7. Back to the mode the receiver was found in.
    switch (previousMode) {
    case GpsPortModeMotorolaNmea:
        SendGpsMessage(Motorola("@@Ci", 1));
        ReopenGpsPortAt(currentRate);
        receiverInfo.gpsPortMode = GpsPortModeMotorolaNmea;
        SendCommandAndWait("$PMOTG,ZDA,0001");
        for (const char* sentence : kNmeaOutputsOn)
            SendGpsMessage(sentence);
        statusMessageLabel->setText(ReceiverModels::NmeaIdentityLine(receiverInfo));
        break;
    case GpsPortModeMotorolaBinary:
        gpsPortDialog->SetBaud(currentRate);
        receiverInfo.gpsPortMode = GpsPortModeMotorolaBinary;
        SendGpsMessage(Motorola("@@Bb", 1));
        if (bTwelve)
            SendGpsMessage(QByteArray("@@Gk******"));
        break;
    case GpsPortModeMotorolaLoran:
        QThread::msleep(kLoranReturnPauseMs);
        SendGpsMessage(Motorola("@@Ci", 2));
        ReopenGpsPortAt(currentRate);
        receiverInfo.gpsPortMode = GpsPortModeMotorolaLoran;
        emit sendGpsMessage(QByteArray("T1"));
        QCoreApplication::processEvents();
        statusMessageLabel->setText(QStringLiteral("Ready - Loran Mode"));
        break;
    default:
        break;
    }
    return true;
}
