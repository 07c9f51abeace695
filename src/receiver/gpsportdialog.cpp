#include "gpsportdialog.h"

#include "gpsrxtype.h"
#include "receiverinfo.h"
#include "ui_gpsportdialog.h"
#include "windowgeometry.h"

#include <QCloseEvent>
#include <QSettings>

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
    setFixedSize(size());
    gpsRxType = new GpsRxType(nullptr);
    LoadSettings();
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

void GpsPortDialog::LoadSettings()
{
    WindowGeometry::Restore(this, QStringLiteral("GpsPortDialog/geometry"));
    QSettings settings;
    portName = settings.value("GpsPortDialog/GPS Serial Port", "OFF").toString();
    modeText = settings.value("GpsPortDialog/GPS Serial Port Mode", "Motorola Binary").toString();
    ppsInterface = settings.value("GpsPortDialog/GPS Serial Port PPS Interface", 1).toInt();
    stopBits = settings.value("GpsPortDialog/GPS Serial Port StopBits", 1).toInt();
    dataBits = settings.value("GpsPortDialog/GPS Serial Port DataBits", 8).toInt();
    handshake = settings.value("GpsPortDialog/GPS Serial Port Handshake", 0).toInt();
    parity = settings.value("GpsPortDialog/GPS Serial Port Parity", 0).toInt();
    dataRate = settings.value("GpsPortDialog/GPS Serial Port DataRate", 9600).toInt();
    tcpIpAddress = settings.value("GpsPortDialog/GPS Serial Port TcpIp Address", "").toString();
    bDoNotInitialize = settings.value("GpsPortDialog/GPS Do Not Initialize", false).toBool();
    bAutoRestart = settings.value("GpsPortDialog/GPS AutoRestart", false).toBool();
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
    LoadSettings();
    return QDialog::exec();
}

void GpsPortDialog::closeEvent(QCloseEvent* event)
{
    OnCancel();
    QDialog::closeEvent(event);
}

void GpsPortDialog::OnOk()
{
    SaveSettings();
    done(1);
}

void GpsPortDialog::OnCancel()
{
    WindowGeometry::Save(this, QStringLiteral("GpsPortDialog/geometry"));
    LoadSettings();
    done(0);
}
