#include "gpsportdialog.h"

#include "gpsrxtype.h"
#include "receiverinfo.h"
#include "storedvalues.h"
#include "ui_gpsportdialog.h"
#include "windowgeometry.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <QSettings>
#include <QSignalBlocker>
#include <utility>

namespace {

struct ModeName
{
    int mode;
    const char* text;
};

constexpr ModeName kModes[] = {
    {0, "Motorola LORAN"},  {1, "Motorola NMEA"}, {2, "Motorola Binary"},
    {3, "Motorola Binary Rx Only"}, {6, "Generic NMEA"}, {9, "u-blox UBX"},
    {10, "u-blox NMEA"},   {11, "Search"},
};

constexpr int kRates[] = {300, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 57600, 115000};

}  // namespace

GpsPortDialog::GpsPortDialog(QWidget* parent) : QDialog(parent), ui(new Ui::GpsPortDialog)
{
    ui->setupUi(this);
    // The layout knows what the fonts need; the form's nominal size may be too small.
    setFixedSize(sizeHint().expandedTo(size()));
    gpsRxType = new GpsRxType(nullptr);

    const std::pair<QAbstractButton*, int> ids[] = {
        {ui->PPS_NONE, 0},          {ui->PPS_DCD, 1},
        {ui->PPS_CTS, 2},           {ui->PPS_DSR, 3},
        {ui->BAUD_300, 300},        {ui->BAUD_1200, 1200},
        {ui->BAUD_2400, 2400},      {ui->BAUD_4800, 4800},
        {ui->BAUD_9600, 9600},      {ui->BAUD_14400, 14400},
        {ui->BAUD_19200, 19200},    {ui->BAUD_38400, 38400},
        {ui->BAUD_57600, 57600},    {ui->BAUD_115K, 115000},
        {ui->STOP_BITS_1, 1},       {ui->STOP_BITS_2, 2},
        {ui->PARITY_NONE, 0},       {ui->PARITY_ODD, 1},
        {ui->PARITY_EVEN, 2},       {ui->PARITY_MARK, 3},
        {ui->PARITY_SPACE, 4},      {ui->DATA_BITS_7, 7},
        {ui->DATA_BITS_8, 8},       {ui->HANDSHAKE_NONE, 0},
        {ui->HANDSHAKE_XON, 1},     {ui->HANDSHAKE_RTSCTS, 2},
        {ui->HANDSHAKE_DTRDSR, 3},
    };
    for (const auto& [button, id] : ids)
        button->group()->setId(button, id);

    LoadSettings();
    TakeReceiverChoice();

    const std::pair<QButtonGroup*, int*> groups[] = {
        {ui->PpsButtonGroup, &ppsInterface}, {ui->DataRateButtonGroup, &dataRate},
        {ui->DataBitsButtonGroup, &dataBits}, {ui->HandshakeButtonGroup, &handshake},
        {ui->ParityButtonGroup, &parity},     {ui->StopBitsButtonGroup, &stopBits},
    };
    for (const auto& [group, member] : groups) {
        connect(group, &QButtonGroup::idClicked, this,
                [group = group, member = member] { *member = group->checkedId(); });
    }
    connect(ui->GpsSerialPortNameList, &QComboBox::currentTextChanged, this,
            &GpsPortDialog::OnPortChanged);
    connect(ui->GpsModeList, &QComboBox::currentTextChanged, this,
            &GpsPortDialog::OnModeChanged);
    connect(ui->OK, &QPushButton::clicked, this, &GpsPortDialog::OnOk);
    connect(ui->CANCEL, &QPushButton::clicked, this, &GpsPortDialog::OnCancel);
}

GpsPortDialog::~GpsPortDialog()
{
    delete gpsRxType;
    delete ui;
}

int GpsPortDialog::ModeFromText(const QString& text)
{
    for (const ModeName& m : kModes) {
        if (text == QLatin1String(m.text))
            return m.mode == 0 ? 11 : m.mode;
    }
    return 11;
}

QString GpsPortDialog::ModeText(int mode)
{
    for (const ModeName& m : kModes) {
        if (m.mode == mode)
            return QString::fromLatin1(m.text);
    }
    return QString();
}

int GpsPortDialog::GetMode() const
{
    return ModeFromText(modeText);
}

int GpsPortDialog::StoredDataRate(QSettings& settings)
{
    // The fastest rate any serial adapter offers is far below the top.
    return StoredValues::Integer(settings, "GpsPortDialog/GPS Serial Port DataRate", 9600, 1, 10000000, 9600,
                                  StoredValues::Repair::WriteBack);
}

void GpsPortDialog::LoadSettings()
{
    WindowGeometry::Restore(this, QStringLiteral("GpsPortDialog/geometry"));
    QSettings settings;
    portName = StoredValues::Name(settings, "GpsPortDialog/GPS Serial Port", "OFF");
    modeText = settings.value("GpsPortDialog/GPS Serial Port Mode", "Motorola Binary").toString();
    ppsInterface = StoredValues::Integer(settings, "GpsPortDialog/GPS Serial Port PPS Interface", 1);
    stopBits = StoredValues::Integer(settings, "GpsPortDialog/GPS Serial Port StopBits", 1);
    dataBits = StoredValues::Integer(settings, "GpsPortDialog/GPS Serial Port DataBits", 8);
    handshake = StoredValues::Integer(settings, "GpsPortDialog/GPS Serial Port Handshake", 0);
    parity = StoredValues::Integer(settings, "GpsPortDialog/GPS Serial Port Parity", 0);
    dataRate = StoredDataRate(settings);
    tcpIpAddress = settings.value("GpsPortDialog/GPS Serial Port TcpIp Address", "").toString();
    bDoNotInitialize = StoredValues::Switch(settings, "GpsPortDialog/GPS Do Not Initialize", false);
    bAutoRestart = StoredValues::Switch(settings, "GpsPortDialog/GPS AutoRestart", false);
    ShowFields();
    ui->NoGpsInitCheckBox->setChecked(bDoNotInitialize);
    ui->GpsAutoRestartCheckBox->setChecked(bAutoRestart);
    EnableFieldsForPort();
}

void GpsPortDialog::FillPortAndModeLists()
{
    // Filling the lists is no choice of the operator's: it must not reset the rate.
    const QSignalBlocker portBlocker(ui->GpsSerialPortNameList);
    const QSignalBlocker modeBlocker(ui->GpsModeList);
    QStringList ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        ports.append(info.portName());
    ports.sort(Qt::CaseSensitive);
    ui->GpsSerialPortNameList->clear();
    ui->GpsSerialPortNameList->addItems(ports);
    ui->GpsSerialPortNameList->insertItem(0, QStringLiteral("TCP/IP"));
    ui->GpsSerialPortNameList->insertItem(0, QStringLiteral("OFF"));
    ui->GpsModeList->clear();
    for (int mode : {2, 3, 1, 9, 10, 6})
        ui->GpsModeList->addItem(ModeText(mode));
}

void GpsPortDialog::CheckById(QButtonGroup* group, int id)
{
    if (QAbstractButton* button = group->button(id)) {
        button->setChecked(true);
        return;
    }
    // A value no button stands for (a hand-edited store) shows as no choice at all.
    group->setExclusive(false);
    for (QAbstractButton* button : group->buttons())
        button->setChecked(false);
    group->setExclusive(true);
}

void GpsPortDialog::ShowFields()
{
    {
        const QSignalBlocker portBlocker(ui->GpsSerialPortNameList);
        const QSignalBlocker modeBlocker(ui->GpsModeList);
        // A port the system does not list (a pseudo-terminal, a by-id link, an adapter
        // unplugged just now) is still the operator's port: it joins the list, so that
        // OK keeps it.
        int port = ui->GpsSerialPortNameList->findText(portName);
        if (port < 0 && !portName.isEmpty()) {
            ui->GpsSerialPortNameList->addItem(portName);
            port = ui->GpsSerialPortNameList->count() - 1;
        }
        ui->GpsSerialPortNameList->setCurrentIndex(port);
        // A stored mode missing from the list ("Search") shows as no entry.
        ui->GpsModeList->setCurrentIndex(ui->GpsModeList->findText(modeText));
    }
    CheckById(ui->PpsButtonGroup, ppsInterface);
    CheckById(ui->DataRateButtonGroup, dataRate);
    CheckById(ui->DataBitsButtonGroup, dataBits);
    CheckById(ui->HandshakeButtonGroup, handshake);
    CheckById(ui->ParityButtonGroup, parity);
    CheckById(ui->StopBitsButtonGroup, stopBits);
    ui->TcpIpAddress->setText(tcpIpAddress);
}

void GpsPortDialog::EnableFieldsForPort()
{
    const bool serial = portName != QLatin1String("OFF") && portName != QLatin1String("TCP/IP");
    ui->TcpIpAddressGroupBox->setEnabled(portName == QLatin1String("TCP/IP"));
    for (QGroupBox* box : {ui->DataBitsGroupBox, ui->DataRateGroupBox, ui->HandshakeGroupBox,
                           ui->ParityGroupBox, ui->StopBitsGroupBox})
        box->setEnabled(serial);
}

void GpsPortDialog::OfferRatesForMode()
{
    const bool rxOnly = GetMode() == 3;
    for (QAbstractButton* button : ui->DataRateButtonGroup->buttons()) {
        const int rate = ui->DataRateButtonGroup->id(button);
        const bool common = rate == 4800 || rate == 9600 || rate == 19200 || rate == 38400
                            || rate == 57600;
        button->setEnabled(common || (rxOnly && rate != 115000));
    }
}

void GpsPortDialog::OnPortChanged()
{
    portName = ui->GpsSerialPortNameList->currentText();
    EnableFieldsForPort();
}

void GpsPortDialog::OnModeChanged()
{
    modeText = ui->GpsModeList->currentText();
    switch (GetMode()) {
    case 1:
    case 6:
        dataRate = 4800;
        break;
    case 9:
    case 10:
        dataRate = 57600;
        break;
    default:
        dataRate = 9600;
        break;
    }
    OfferRatesForMode();
    ShowFields();
}

bool GpsPortDialog::IsValidIpAddress(const QString& address)
{
    static const QRegularExpression pattern(QRegularExpression::anchoredPattern(
        QStringLiteral("[0-9]+\\.[0-9]+\\.[0-9]+\\.[0-9]+(:[0-9]+)?")));
    return address.isEmpty() || pattern.match(address).hasMatch();
}

bool GpsPortDialog::CheckIpAddress()
{
    const QString address = ui->TcpIpAddress->text();
    if (IsValidIpAddress(address))
        return true;
    QMessageBox::warning(this, QStringLiteral("Illegal IP Address"),
                         QStringLiteral("IP Address error:\n  ") + address
                             + QStringLiteral("\n\nThe format must be like this\n  "
                                              "192.168.10.123\n\nor, if you want to also "
                                              "define the port:\n  192.168.10.123:9761"));
    return false;
}

bool GpsPortDialog::IsDoNotInitialize() const
{
    return ui->NoGpsInitCheckBox->isChecked();
}

void GpsPortDialog::TakeReceiverChoice()
{
    // With nothing stored the dialog shows "1.0 and up", and the record says the same.
    const GpsRxType::Receiver rx = GpsRxType::ReceiverOfChoice(GpsRxType::StoredChoice());
    rxModel = rx.model;
    rxFirmwareVersion = rx.firmwareVersion;
    rxFirmwareVersionText = rx.firmwareVersionText;
    rxChannelCount = rx.channelCount;
    rxChannelCountReported = rx.channelCount;
    // Nothing is sent in this mode, so the DGPS and T-RAIM queries that set these never run.
    rxHasDgps = false;
    rxHasTraim = false;
}

void GpsPortDialog::SaveSettings()
{
    WindowGeometry::Save(this, QStringLiteral("GpsPortDialog/geometry"));
    QSettings settings;
    settings.setValue("GpsPortDialog/GPS Serial Port", portName);
    settings.setValue("GpsPortDialog/GPS Serial Port Mode", modeText);
    settings.setValue("GpsPortDialog/GPS Serial Port PPS Interface", ppsInterface);
    settings.setValue("GpsPortDialog/GPS Serial Port StopBits", stopBits);
    settings.setValue("GpsPortDialog/GPS Serial Port DataBits", dataBits);
    settings.setValue("GpsPortDialog/GPS Serial Port Handshake", handshake);
    settings.setValue("GpsPortDialog/GPS Serial Port Parity", parity);
    settings.setValue("GpsPortDialog/GPS Serial Port DataRate", dataRate);
    settings.setValue("GpsPortDialog/GPS Serial Port TcpIp Address", tcpIpAddress);
    settings.setValue("GpsPortDialog/GPS Do Not Initialize", bDoNotInitialize);
    settings.setValue("GpsPortDialog/GPS AutoRestart", bAutoRestart);
}

void GpsPortDialog::SetBaud(int rate)
{
    for (int r : kRates) {
        if (r == rate) {
            dataRate = rate;
            CheckById(ui->DataRateButtonGroup, rate);
            QSettings settings;
            settings.setValue("GpsPortDialog/GPS Serial Port DataRate", rate);
            return;
        }
    }
    qWarning("GpsPortDialog::SetBaud bad argument == %i", rate);
}

void GpsPortDialog::SetMode(int mode)
{
    const QString text = ModeText(mode);
    if (text.isEmpty()) {
        qWarning("GpsPortDialog::Set Mode bad argument == %i", mode);
        return;
    }
    modeText = text;
    {
        // The search sets the rate itself; the mode's usual rate must not override it.
        const QSignalBlocker blocker(ui->GpsModeList);
        ui->GpsModeList->setCurrentIndex(ui->GpsModeList->findText(modeText));
    }
    QSettings settings;
    settings.setValue("GpsPortDialog/GPS Serial Port Mode", modeText);
}

bool GpsPortDialog::CopyReceiverInfo(ReceiverInfo& info) const
{
    info.receiverModel = rxModel;
    info.firmwareVersion = rxFirmwareVersion;
    info.firmwareVersionText = rxFirmwareVersionText;
    info.channelCount = rxChannelCount;
    info.channelCountReported = rxChannelCountReported;
    info.bHasDgps = rxHasDgps;
    info.bHasTraim = rxHasTraim;
    return rxFirmwareVersion > 0.0;
}

int GpsPortDialog::exec()
{
    FillPortAndModeLists();
    LoadSettings();
    return QDialog::exec();
}

void GpsPortDialog::closeEvent(QCloseEvent* event)
{
    OnCancel();
    QDialog::closeEvent(event);
}

void GpsPortDialog::WarnIllegalPortName(QWidget* parent, const QString& name)
{
    // The offending characters are invisible, and a NUL would end the text: show codes.
    QString shown;
    for (const QChar c : name)
        shown += c.category() == QChar::Other_Control ? QStringLiteral("<%1>").arg(c.unicode(), 2, 16, QLatin1Char('0'))
                                                       : QString(c);
    QMessageBox::warning(parent, QStringLiteral("Illegal Port Name"),
                         QStringLiteral("Port name error:\n  ") + shown
                             + QStringLiteral("\n\nA port name holds no control characters.\n"
                                              "Choose a port from the list or type its device path,\n"
                                              "e.g. /dev/ttyUSB0"));
}

void GpsPortDialog::OnOk()
{
    if (!CheckIpAddress())
        return;
    // The box takes a typed device path; an emptied box means no port, as in the TIC dialog.
    const QString typed = ui->GpsSerialPortNameList->currentText().trimmed();
    if (!typed.isEmpty() && !StoredValues::IsUsableName(typed)) {
        WarnIllegalPortName(this, typed);
        return;
    }
    portName = typed.isEmpty() ? QStringLiteral("OFF") : typed;
    if (ui->GpsModeList->currentText() == ModeText(3)) {
        if (!gpsRxType)
            gpsRxType = new GpsRxType(this);
        // Closed without OK, the stored choice stands and so does the record made from it.
        gpsRxType->exec();
        TakeReceiverChoice();
    }
    tcpIpAddress = ui->TcpIpAddress->text();
    bDoNotInitialize = ui->NoGpsInitCheckBox->isChecked();
    bAutoRestart = ui->GpsAutoRestartCheckBox->isChecked();
    SaveSettings();
    done(1);
}

void GpsPortDialog::OnCancel()
{
    if (!CheckIpAddress())
        ui->TcpIpAddress->clear();
    WindowGeometry::Save(this, QStringLiteral("GpsPortDialog/geometry"));
    LoadSettings();
    done(0);
}
