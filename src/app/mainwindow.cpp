#include "mainwindow.h"

#include "gpslogtypedialog.h"
#include "gpsnavdialog.h"
#include "gpsportdialog.h"
#include "gpsrawdatadialog.h"
#include "gpsrxdialog.h"
#include "gpsrxiddialog.h"
#include "manualcommanddialog.h"
#include "referencelocationdialog.h"
#include "satazelchartdialog.h"
#include "satelliteselect.h"
#include "setpcclockdialog.h"
#include "telnetlink.h"
#include "telnettcpserver.h"
#include "ticfiledialog.h"
#include "ticportdialog.h"
#include "ticprocesseddatadialog.h"
#include "ticrawdatadialog.h"
#include "timingdialog.h"
#include "ui_mainwindow.h"

#include "pctime.h"
#include "statusnotes.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTableWidgetItem>

const char* const kSortButtonActiveStyle =
    "QPushButton {border: 1px solid silver;background-color: aqua;background-color: "
    "qlineargradient(x1: 0, y1: 0, x2: 1, y2: 1, stop: 0 white, stop: 1 aqua);}"
    "QPushButton:pressed {border: 1px solid navy;background-color: aqua;background-color: "
    "qlineargradient(x1: 0, y1: 0, x2: 1, y2: 1, stop: 0 white, stop: 1 aqua);}";

const char* const kSortButtonPlainStyle =
    "QPushButton {border: 1px solid silver;border-color: qlineargradient(x1: 0, y1: 0, x2: 1, "
    "y2: 1, stop: 0 silver, stop: 1 black);border-radius: 3px;background-color: transparent;}"
    "QPushButton:pressed {border: 1px solid navy;background-color: aqua;background-color: "
    "qlineargradient(x1: 0, y1: 0, x2: 1, y2: 1, stop: 0 white, stop: 1 aqua);}";

namespace {

const char* const kBadgeUnknownStyle = "padding: 2px 5px; color:black; background-color:white";

const char* const kSignalBarStyle =
    "QProgressBar {text-align: center;background-color: transparent; border-color: "
    "transparent;color: darkblue;}QProgressBar::chunk {background-color: lightblue; "
    "border-style: outset;border-width: 1px;border-color: white;}";

// The table cells name a family string that no machine has, so Qt falls back to its
// default family at the default size.
QTableWidgetItem* NewCell()
{
    auto* item = new QTableWidgetItem(QString());
    item->setFont(QFont(QStringLiteral("Veranda, 8")));
    item->setTextAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    return item;
}

}  // namespace

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent),
      ui(new Ui::MainWindow),
      secondTickSound(this),
      minuteTickSound(this),
      warnTickSound(this)
{
    ui->setupUi(this);

    // The settings store's place follows these names, so they come before any read.
    QCoreApplication::setOrganizationName(QStringLiteral("KVX Systems"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("kvx-systems.example"));
    QCoreApplication::setApplicationName(QStringLiteral("Horalux"));
    // From here on, QSettings() sets keys in memory and the store writes its file.
    settingsStore.Hold();

    programVersion = QVersionNumber::fromString(QStringLiteral(HORALUX_VERSION));

    clockDisplayGroup = new QActionGroup(this);
    for (QAction* a : {ui->actionUTC, ui->actionPC, ui->actionGMST, ui->actionLMST, ui->actionMJD,
                       ui->actionPC_U, ui->actionTIC, ui->actionTIC_Raw})
        clockDisplayGroup->addAction(a);
    navFormatGroup = new QActionGroup(this);
    for (QAction* a : {ui->actiondegrees_dd_ddd, ui->actiondegrees_minutes_dd_mm_mmm,
                       ui->actiondegrees_minutes_seconds_dd_mm_ss_sss})
        navFormatGroup->addAction(a);
    soundGroup = new QActionGroup(this);
    for (QAction* a : {ui->actionSoundAll, ui->actionSoundClockTicksOnly,
                       ui->actionSoundOutOfLockOnly, ui->actionSoundNone})
        soundGroup->addAction(a);

    // Start values of the shared state.
    for (int k = 0; k < 8; ++k) {
        bTicPortStale[k] = true;
        ticDataAge[k] = 0;
    }
    messageHoldoff[0] = messageHoldoff[1] = messageHoldoff[2] = 0;
    messageHoldoff[3] = 3600;
    for (bool& b : bPpsAwaitingTime)
        b = false;
    traimParameters[0] = 0;
    traimParameters[1] = 0;
    traimParameters[2] = 10;  // 10 as a 16-bit number, low byte first
    traimParameters[3] = 0;
    traimParameters[4] = 1;
    for (SatelliteRecord& r : satellites)
        r = emptySatelliteRecord;
    for (SatelliteRecord& r : satelliteDisplayTable)
        r = emptySatelliteRecord;
    for (SatelliteRecord& r : spareSatelliteRecords)
        r = emptySatelliteRecord;
    lastTicAverageLine = "UNAVAILABLE";
    lastTicTimeLine = "UNAVAILABLE";
    bTickSound = false;
    bOutOfLockSound = false;

    minuteTickSound.setSource(QUrl(QStringLiteral("qrc:/sounds/res/MinuteTick.wav")));
    secondTickSound.setSource(QUrl(QStringLiteral("qrc:/sounds/res/SecondTick.wav")));
    warnTickSound.setSource(QUrl(QStringLiteral("qrc:/sounds/res/WarnTick.wav")));
    minuteTickSound.setVolume(0.5f);
    secondTickSound.setVolume(1.0f);
    warnTickSound.setVolume(0.7f);

    dgpsState = 0;

    gpsNavDialog = new GpsNavDialog(this);
    timingDialog = new TimingDialog(this);
    gpsRxDialog = new GpsRxDialog(this);
    setPcClockDialog = new SetPcClockDialog(this);
    satAzElChartDialog = new SatAzElChartDialog(this);
    referenceLocationDialog = new ReferenceLocationDialog(this);
    manualCommandDialog = new ManualCommandDialog(this);
    gpsRxIdDialog = new GpsRxIdDialog(this);
    satelliteSelect = new SatelliteSelect(this);
    telnetLink = new TelnetLink(this);
    ticPortDialog = new TicPortDialog(this);
    gpsPortDialog = new GpsPortDialog(this);
    gpsRawDataDialog = new GpsRawDataDialog(this);
    ticRawDataDialog = new TicRawDataDialog(this);
    ticProcessedDataDialog = new TicProcessedDataDialog(this);
    gpsLogTypeDialog = new GpsLogTypeDialog(this);
    ticFileDialog = new TicFileDialog(this);

    for (QString& text : clockTexts)
        text = QString();

    gpsNavDialog->SetRefLocationDialog(referenceLocationDialog);

    RestoreMainWindowSettings();

    BuildStatusBar();
    ConnectLogFiles();

    helpShortcut = new QShortcut(QKeySequence(tr("F1")), this);
    helpShortcut->setContext(Qt::WindowShortcut);
    connect(helpShortcut, &QShortcut::activated, this, &MainWindow::actionHelp_Topics_triggered);

    receiverInfo.gpsPortMode = gpsPortDialog->GetMode();
    receiverInfo.ResetIdentity();
    ppsRateSent = 0;
    ppsDurationSent = 0;

    gpsPortDialog->LoadSettings();
    ppsInterface = gpsPortDialog->GetPpsInterface();
    gpsPortThread.SetPpsInterface(ppsInterface);

    BuildPositionTable();
    BuildSatelliteTable();

    for (bool& b : bAnswerReceived)
        b = false;

    remoteShortcut = new QShortcut(QKeySequence(tr("Ctrl+T")), this);
    remoteShortcut->setContext(Qt::WindowShortcut);
    connect(remoteShortcut, &QShortcut::activated, this, &MainWindow::TelnetLinkInterface);

    ConnectEverything();
    // A link left switched on listens from the start: an unattended station that
    // restarts stays reachable.
    ApplyTelnetLink();

    emit startGpsSerialPort(bLoadFirmwareMode);
    StartTicSerialPorts();

    pcSyncMode = 0;
    bPcSyncOnDelta = false;
    pcSyncDeltaMs = 0;
    pcSyncMaxInterval = 0;
    bPcClockWasSet = false;
    pcTimeSample = PcTime::CurrentLocal();

    ApplyPcClockSyncSettings();
}

void MainWindow::BuildStatusBar()
{
    navigationBadge = new QLabel();
    antennaBadge = new QLabel();
    heartbeatIndicator = new QLabel();
    ntpIndicator = new QLabel();
    // The identity line gives way to the notes: what is wrong comes first.
    statusMessageLabel = NewGivingWayLabel();
    receiverLinkLabel = new QLabel();
    ppsLineLabel = new QLabel();
    clockGuardLabel = new QLabel();
    clockSetLabel = new QLabel();
    ticLinkLabel = new QLabel();
    logNoteLabel = new QLabel();
    remoteLinkLabel = new QLabel();
    settingsNoteLabel = new QLabel();

    ledOffPixmap.load(QStringLiteral(":/icons/res/icon_off.png"));
    ledOnPixmap.load(QStringLiteral(":/icons/res/icon_on.png"));
    ntpOffPixmap.load(QStringLiteral(":/icons/res/IconNtpOff.png"));
    ntpOnPixmap.load(QStringLiteral(":/icons/res/IconNtpOn.png"));

    navigationBadge->setText(QStringLiteral("Nav Unknown"));
    antennaBadge->setText(QStringLiteral("Ant Unkown"));
    navigationBadge->setStyleSheet(kBadgeUnknownStyle);
    antennaBadge->setStyleSheet(kBadgeUnknownStyle);
    heartbeatIndicator->setPixmap(ledOffPixmap);
    ntpIndicator->setPixmap(ntpOffPixmap);
    statusMessageLabel->setText(tr("Initializing"));

    for (QLabel* label : {navigationBadge, antennaBadge, heartbeatIndicator, ntpIndicator, clockGuardLabel,
                          clockSetLabel, ticLinkLabel, logNoteLabel, remoteLinkLabel, settingsNoteLabel, ppsLineLabel,
                          receiverLinkLabel, statusMessageLabel})
        statusBar()->addPermanentWidget(label, 0);
    receiverLinkLabel->setVisible(false);
    ShowStatusNote(clockGuardLabel, QString());
    ShowStatusNote(clockSetLabel, QString());
    ShowStatusNote(ticLinkLabel, QString());
    ShowStatusNote(logNoteLabel, QString());
    ShowStatusNote(ppsLineLabel, QString());
    ShowStatusNote(remoteLinkLabel, QString());
    ShowStatusNote(settingsNoteLabel, QString());

    setDefaultStatusTipText(QString());
    // The notes beside it never squeeze the help text to a stump.
    KeepStatusRoom(statusBar(), statusBar()->currentMessage());
    connect(statusBar(), &QStatusBar::messageChanged, this, &MainWindow::setDefaultStatusTipText);
}

void MainWindow::BuildPositionTable()
{
    QTableWidget* table = ui->GpsNavDataTableWidget;
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->setDragDropMode(QAbstractItemView::NoDragDrop);
    const int widths[5] = {35, 115, 115, 65, 65};
    for (int c = 0; c < 5; ++c)
        table->setColumnWidth(c, widths[c]);
    table->setStyleSheet(QStringLiteral("background-color: transparent;"));
    for (int r = 0; r < table->rowCount(); ++r)
        for (int c = 0; c < table->columnCount(); ++c)
            table->setItem(r, c, NewCell());

    const char* const columnTitles[4] = {"Latitude", "Longitude", "Alt(GPS)", "Alt(MSL)"};
    for (int c = 1; c <= 4; ++c)
        table->item(0, c)->setText(QString::fromLatin1(columnTitles[c - 1]));
    const char* const rowTitles[3] = {"Cur:", "Avg:", "Ref:"};
    for (int r = 1; r <= 3; ++r) {
        table->item(r, 0)->setText(QString::fromLatin1(rowTitles[r - 1]));
        table->item(r, 0)->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }

    table->verticalHeader()->setMinimumSectionSize(8);
    table->verticalHeader()->setDefaultSectionSize(16);
    for (int r = 0; r < table->rowCount(); ++r)
        table->setRowHeight(r, 16);
}

void MainWindow::BuildSatelliteTable()
{
    QTableWidget* table = ui->SatsDataTableWidget;
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->setDragDropMode(QAbstractItemView::NoDragDrop);
    const int widths[5] = {35, 35, 35, 40, 130};
    for (int c = 0; c < 5; ++c)
        table->setColumnWidth(c, widths[c]);
    for (int r = 0; r < table->rowCount(); ++r)
        table->setRowHeight(r, 15);
    table->setStyleSheet(QStringLiteral("background-color: transparent;"));

    const char* const sortTitles[4] = {"PRN", "El", "Azm", "Eb/No"};
    for (int c = 0; c < 4; ++c) {
        satSortButtons[c] = new QPushButton(QString::fromLatin1(sortTitles[c]));
        satSortButtons[c]->setStyleSheet(c == satelliteSortMode ? kSortButtonActiveStyle
                                                                : kSortButtonPlainStyle);
        table->setCellWidget(0, c, satSortButtons[c]);
    }
    auto* scale = new QTableWidgetItem(QStringLiteral("  5  |  15  |  25  |  35"));
    scale->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    table->setItem(0, 4, scale);

    for (int r = 1; r <= 16; ++r) {
        for (int c = 0; c < 4; ++c)
            table->setItem(r, c, NewCell());
        QProgressBar* bar = new QProgressBar();
        bar->setRange(0, 40);
        bar->setFormat(QString());
        bar->setTextVisible(true);
        bar->setFixedWidth(130);
        bar->setStyleSheet(kSignalBarStyle);
        signalBars[r - 1] = bar;
        table->setCellWidget(r, 4, bar);
        // The table shows a cell widget when it takes it; an empty row has no bar.
        bar->setVisible(false);
    }

    connect(satSortButtons[0], &QPushButton::clicked, this, &MainWindow::SatSortBtn_PRN_pressed);
    connect(satSortButtons[1], &QPushButton::clicked, this, &MainWindow::SatSortBtn_El_pressed);
    connect(satSortButtons[2], &QPushButton::clicked, this, &MainWindow::SatSortBtn_Azm_pressed);
    connect(satSortButtons[3], &QPushButton::clicked, this, &MainWindow::SatSortBtn_EbNo_pressed);
}

void MainWindow::ConnectEverything()
{
    connect(&gpsPortThread, &GpsSerialPortThread::newGpsText, this, &MainWindow::OnNewGpsText);
    connect(&gpsPortThread, &GpsSerialPortThread::PpsTick, this, &MainWindow::OnClockTick);
    connect(this, &MainWindow::startGpsSerialPort, &gpsPortThread,
            &GpsSerialPortThread::startGpsSerialPort);
    connect(this, &MainWindow::sendGpsMessage, &gpsPortThread,
            &GpsSerialPortThread::OnSendGpsMessage);
    connect(&gpsPortThread, &GpsSerialPortThread::portDown, this, &MainWindow::OnGpsPortDown);
    connect(&gpsPortThread, &GpsSerialPortThread::portBack, this, &MainWindow::OnGpsPortBack);
    connect(&gpsPortThread, &GpsSerialPortThread::portOpened, this, &MainWindow::OnGpsPortOpened);
    connect(&gpsPortThread, &GpsSerialPortThread::ppsLineNote, this, &MainWindow::OnPpsLineNote);
    connect(&gpsPortThread, &GpsSerialPortThread::bytesReceived, this, &MainWindow::OnGpsBytesReceived);
    connect(&receiverLinkTimer, &QTimer::timeout, this, &MainWindow::CheckReceiverLink);
    receiverLinkTimer.start(ReceiverLinkWatch::kCheckIntervalMs);

    void (MainWindow::*const startSignals[8])(int) = {
        &MainWindow::startTicSerialPort1, &MainWindow::startTicSerialPort2,
        &MainWindow::startTicSerialPort3, &MainWindow::startTicSerialPort4,
        &MainWindow::startTicSerialPort5, &MainWindow::startTicSerialPort6,
        &MainWindow::startTicSerialPort7, &MainWindow::startTicSerialPort8};
    for (int k = 0; k < 8; ++k)
        connect(this, startSignals[k], &ticPortThreads[k], &TicSerialPortThread::startTicSerialPort);

    connect(manualCommandDialog, &ManualCommandDialog::sendGpsMessage, this,
            &MainWindow::SendGpsMessage);
    connect(satelliteSelect, &SatelliteSelect::sendGpsMessage, this, &MainWindow::SendGpsMessage);

    for (TicSerialPortThread& port : ticPortThreads)
        connect(&port, &TicSerialPortThread::newTicText, this, &MainWindow::OnNewTicText);
    for (TicSerialPortThread& port : ticPortThreads)
        connect(&port, &TicSerialPortThread::showErrorMessageBox, this,
                &MainWindow::showErrorMessageBox);
    for (TicSerialPortThread& port : ticPortThreads)
        connect(&port, &TicSerialPortThread::linkStatusMessage, this, &MainWindow::OnTicLinkStatus);
    // After the tick has aged the counters' data.
    connect(&gpsPortThread, &GpsSerialPortThread::PpsTick, this, &MainWindow::BlankStaleTicPanel);

    const struct
    {
        QAction* action;
        void (MainWindow::*slot)();
    } menuSlots[] = {
        {ui->actionNew_GPS_Data_Log, &MainWindow::actionNew_GPS_Data_Log_triggered},
        {ui->actionOpen_GPS_Data_Log, &MainWindow::actionOpen_GPS_Data_Log_triggered},
        {ui->actionClose_GPS_Data_Log, &MainWindow::actionClose_GPS_Data_Log_triggered},
        {ui->actionNew_TIC_Data_Log, &MainWindow::actionNew_TIC_Data_Log_triggered},
        {ui->actionOpen_TIC_Data_Log, &MainWindow::actionOpen_TIC_Data_Log_triggered},
        {ui->actionClose_TIC_Data_Log, &MainWindow::actionClose_TIC_Data_Log_triggered},
        {ui->actionExit, &MainWindow::actionExit_triggered},
        {ui->actionCopy, &MainWindow::actionCopy_triggered},
        {ui->actionSet_GPS_Receiver_Interface, &MainWindow::actionSet_GPS_Receiver_Interface_triggered},
        {ui->actionSet_TIC_Interface, &MainWindow::actionSet_TIC_Interface_triggered},
        {ui->actionToolbar, &MainWindow::actionToolbar_triggered},
        {ui->actionView_Satellite_Az_El_Chart, &MainWindow::actionView_Satellite_Az_El_Chart_triggered},
        {ui->actionGps_Raw_Data, &MainWindow::actionGps_Raw_Data_triggered},
        {ui->actionReceiver_ID_Message, &MainWindow::actionReceiver_ID_Message_triggered},
        {ui->actionTic_Raw_Data, &MainWindow::actionTic_Raw_Data_triggered},
        {ui->actionTic_Processed_Data, &MainWindow::actionTic_Processed_Data_triggered},
        {ui->actiondegrees_dd_ddd, &MainWindow::actiondegrees_dd_ddd_triggered},
        {ui->actiondegrees_minutes_dd_mm_mmm, &MainWindow::actiondegrees_minutes_dd_mm_mmm_triggered},
        {ui->actiondegrees_minutes_seconds_dd_mm_ss_sss,
         &MainWindow::actiondegrees_minutes_seconds_dd_mm_ss_sss_triggered},
        {ui->actionSoundAll, &MainWindow::actionSoundAll_triggered},
        {ui->actionSoundOutOfLockOnly, &MainWindow::actionSoundOutOfLockOnly_triggered},
        {ui->actionSoundClockTicksOnly, &MainWindow::actionSoundClockTicksOnly_triggered},
        {ui->actionSoundNone, &MainWindow::actionSoundNone_triggered},
        {ui->actionSet_PC_Clock, &MainWindow::actionSet_PC_Clock_triggered},
        {ui->actionfrom_Average, &MainWindow::actionfrom_Average_triggered},
        {ui->actionfrom_Current, &MainWindow::actionfrom_Current_triggered},
        {ui->actionManual_Entry, &MainWindow::actionManual_Entry_triggered},
        {ui->actionSet_Timing_Parameters, &MainWindow::actionSet_Timing_Parameters_triggered},
        {ui->actionAveraging_Parameters, &MainWindow::actionAveraging_Parameters_triggered},
        {ui->actionSet_GPS_Receiver_Parameters, &MainWindow::actionSet_GPS_Receiver_Parameters_triggered},
        {ui->actionManual_GPS_Receiver_Commands, &MainWindow::actionManual_GPS_Receiver_Commands_triggered},
        {ui->actionInitiate_GPS_Receiver_Self_Test,
         &MainWindow::actionInitiate_GPS_Receiver_Self_Test_triggered},
        {ui->actionInitiate_GPS_Receiver_Self_Survey,
         &MainWindow::actionInitiate_GPS_Receiver_Self_Survey_triggered},
        {ui->actionManual_Satellite_Select, &MainWindow::actionManual_Satellite_Select_triggered},
        {ui->actionSend_new_firmware_to_GPS_Rx, &MainWindow::actionSend_new_firmware_to_GPS_Rx_triggered},
        {ui->actionDisable, &MainWindow::actionDisable_triggered},
        {ui->actionSNTP_Server_RFC_2030, &MainWindow::actionSNTP_Server_RFC_2030_triggered},
        {ui->actionUDP_IP_Server_RFC_868, &MainWindow::actionUDP_IP_Server_RFC_868_triggered},
        {ui->actionUTC, &MainWindow::actionUTC_triggered},
        {ui->actionPC, &MainWindow::actionPC_triggered},
        {ui->actionGMST, &MainWindow::actionGMST_triggered},
        {ui->actionLMST, &MainWindow::actionLMST_triggered},
        {ui->actionMJD, &MainWindow::actionMJD_triggered},
        {ui->actionPC_U, &MainWindow::actionPC_U_triggered},
        {ui->actionTIC, &MainWindow::actionTIC_triggered},
        {ui->actionTIC_Raw, &MainWindow::actionTIC_Raw_triggered},
        {ui->actionHelp_Topics, &MainWindow::actionHelp_Topics_triggered},
        {ui->actionAbout, &MainWindow::actionAbout_triggered},
    };
    for (const auto& entry : menuSlots)
        connect(entry.action, &QAction::triggered, this, entry.slot);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    bExitRequested = true;
    SaveWindowSettings();
    gpsPortThread.exit(0);
    for (TicSerialPortThread& port : ticPortThreads)
        port.exit(0);
    QMainWindow::closeEvent(event);
}

MainWindow::~MainWindow()
{
    bShuttingDown = true;

    CloseTicLogs(true);
    CloseGpsLog(true);

    SaveWindowSettings();

    // The remote-control server has no parent; without this it would outlive the window.
    delete telnetServer;
    telnetServer = nullptr;

    delete gpsNavDialog;
    delete timingDialog;
    delete gpsRxDialog;
    delete setPcClockDialog;
    delete satAzElChartDialog;
    delete referenceLocationDialog;
    delete manualCommandDialog;
    delete gpsRxIdDialog;
    delete satelliteSelect;
    delete telnetLink;
    delete ticPortDialog;
    delete gpsPortDialog;
    delete gpsRawDataDialog;
    delete ticRawDataDialog;
    delete ticProcessedDataDialog;
    gpsNavDialog = nullptr;
    timingDialog = nullptr;
    gpsRxDialog = nullptr;
    setPcClockDialog = nullptr;
    satAzElChartDialog = nullptr;
    referenceLocationDialog = nullptr;
    manualCommandDialog = nullptr;
    gpsRxIdDialog = nullptr;
    satelliteSelect = nullptr;
    telnetLink = nullptr;
    ticPortDialog = nullptr;
    gpsPortDialog = nullptr;
    gpsRawDataDialog = nullptr;
    ticRawDataDialog = nullptr;
    ticProcessedDataDialog = nullptr;

    close();
    delete ui;
    ui = nullptr;
    // The members follow in reverse order of declaration: each port object stops its
    // thread's event loop and waits for it before it goes.
}
