#include "ticportdialog.h"

#include "gpsportdialog.h"
#include "storedvalues.h"
#include "ui_ticportdialog.h"
#include "windowgeometry.h"

#include <QCloseEvent>
#include <QMessageBox>
#include <QSettings>
#include <QSerialPortInfo>

namespace {

const QString kGeometryKey = QStringLiteral("TicPortDialog/geometry");
const int kRates[] = {300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};

void SelectData(QComboBox* box, int value)
{
    const int index = box->findData(value);
    box->setCurrentIndex(index >= 0 ? index : 0);
}

}  // namespace

TicPortDialog::TicPortDialog(QWidget* parent) : QDialog(parent), ui(new Ui::TicPortDialog)
{
    ui->setupUi(this);
    for (int port = 1; port <= 8; ++port)
        ui->IDC_TIC_PORT_SELECT->addItem(QStringLiteral("TIC%1").arg(port));
    ui->IDC_TIC_SERIAL_PORT->addItem(QStringLiteral("OFF"));
    ui->IDC_TIC_SERIAL_PORT->addItem(QStringLiteral("TCP/IP"));
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        ui->IDC_TIC_SERIAL_PORT->addItem(info.portName());
    for (int rate : kRates)
        ui->IDC_TIC_DATA_RATE->addItem(QString::number(rate), rate);
    const char* const parities[] = {"None", "Odd", "Even", "Mark", "Space"};
    for (int k = 0; k < 5; ++k)
        ui->IDC_TIC_PARITY->addItem(QLatin1String(parities[k]), k);
    ui->IDC_TIC_STOP_BITS->addItem(QStringLiteral("1"), 1);
    ui->IDC_TIC_STOP_BITS->addItem(QStringLiteral("2"), 2);
    ui->IDC_TIC_DATA_BITS->addItem(QStringLiteral("7"), 7);
    ui->IDC_TIC_DATA_BITS->addItem(QStringLiteral("8"), 8);
    ui->IDC_TIC_HANDSHAKE->addItem(QStringLiteral("None"), 0);
    ui->IDC_TIC_HANDSHAKE->addItem(QStringLiteral("XON/XOFF"), 1);
    ui->IDC_TIC_HANDSHAKE->addItem(QStringLiteral("RTS/CTS"), 2);
    const char* const units[] = {"seconds", "milliseconds", "microseconds", "nanoseconds"};
    for (int k = 0; k < 4; ++k)
        ui->IDC_TIC_UNITS->addItem(QLatin1String(units[k]), k);

    connect(ui->IDC_TIC_PORT_SELECT, &QComboBox::currentIndexChanged, this, &TicPortDialog::OnPortSelected);
    connect(ui->IDC_TIC_SERIAL_PORT, &QComboBox::currentTextChanged, this,
            &TicPortDialog::EnableFieldsForPort);
    connect(ui->OK, &QPushButton::clicked, this, &TicPortDialog::OnOk);
    connect(ui->CANCEL, &QPushButton::clicked, this, &TicPortDialog::OnCancel);
    LoadSettings();
}

TicPortDialog::~TicPortDialog()
{
    delete ui;
}

int TicPortDialog::exec()
{
    WindowGeometry::Restore(this, kGeometryKey);
    LoadSettings();
    return QDialog::exec();
}

void TicPortDialog::closeEvent(QCloseEvent* event)
{
    WindowGeometry::Save(this, kGeometryKey);
    QDialog::closeEvent(event);
}

void TicPortDialog::LoadSettings()
{
    for (int k = 0; k < 8; ++k)
        ports[k] = TicPortSettings::Load(k + 1);
    ShowFields();
}

void TicPortDialog::SaveSettings()
{
    QSettings s;
    for (int k = 0; k < 8; ++k)
        ports[k].Save(s, k + 1);
}

void TicPortDialog::SelectPort(int port)
{
    if (port >= 1 && port <= 8)
        ui->IDC_TIC_PORT_SELECT->setCurrentIndex(port - 1);
}

void TicPortDialog::OnPortSelected(int index)
{
    if (index < 0 || index > 7)
        return;
    TakeFields();
    selected = index;
    ShowFields();
}

void TicPortDialog::ShowFields()
{
    bShowing = true;
    const TicPortSettings& p = ports[selected];
    ui->IDC_TIC_SERIAL_PORT->setCurrentText(p.portName);
    ui->IDC_TIC_TCPIP_ADDRESS->setText(p.tcpIpAddress);
    SelectData(ui->IDC_TIC_DATA_RATE, p.dataRate);
    SelectData(ui->IDC_TIC_PARITY, p.parity);
    SelectData(ui->IDC_TIC_STOP_BITS, p.stopBits);
    SelectData(ui->IDC_TIC_DATA_BITS, p.dataBits);
    SelectData(ui->IDC_TIC_HANDSHAKE, p.handshake);
    SelectData(ui->IDC_TIC_UNITS, p.units);
    ui->IDC_TIC_SETUP_COMMANDS->setText(p.setupCommands);
    bShowing = false;
    EnableFieldsForPort();
}

void TicPortDialog::TakeFields()
{
    TicPortSettings& p = ports[selected];
    p.portName = ui->IDC_TIC_SERIAL_PORT->currentText().trimmed();
    if (p.portName.isEmpty())
        p.portName = QStringLiteral("OFF");
    p.tcpIpAddress = ui->IDC_TIC_TCPIP_ADDRESS->text().trimmed();
    p.dataRate = ui->IDC_TIC_DATA_RATE->currentData().toInt();
    p.parity = ui->IDC_TIC_PARITY->currentData().toInt();
    p.stopBits = ui->IDC_TIC_STOP_BITS->currentData().toInt();
    p.dataBits = ui->IDC_TIC_DATA_BITS->currentData().toInt();
    p.handshake = ui->IDC_TIC_HANDSHAKE->currentData().toInt();
    p.units = ui->IDC_TIC_UNITS->currentData().toInt();
    p.setupCommands = ui->IDC_TIC_SETUP_COMMANDS->text().trimmed();
}

void TicPortDialog::EnableFieldsForPort()
{
    if (bShowing)
        return;
    const QString name = ui->IDC_TIC_SERIAL_PORT->currentText();
    const bool tcp = name == QLatin1String("TCP/IP");
    const bool serial = !tcp && name != QLatin1String("OFF") && !name.isEmpty();
    ui->IDC_TIC_TCPIP_ADDRESS->setEnabled(tcp);
    ui->IDC_TIC_SETUP_COMMANDS->setEnabled(tcp);
    for (QWidget* w : {static_cast<QWidget*>(ui->IDC_TIC_DATA_RATE), static_cast<QWidget*>(ui->IDC_TIC_PARITY),
                       static_cast<QWidget*>(ui->IDC_TIC_STOP_BITS), static_cast<QWidget*>(ui->IDC_TIC_DATA_BITS),
                       static_cast<QWidget*>(ui->IDC_TIC_HANDSHAKE)})
        w->setEnabled(serial);
}

void TicPortDialog::OnOk()
{
    TakeFields();
    for (int k = 0; k < 8; ++k) {
        if (!StoredValues::IsUsableName(ports[k].portName)) {
            SelectPort(k + 1);
            GpsPortDialog::WarnIllegalPortName(this, ports[k].portName);
            return;
        }
        if (GpsPortDialog::IsValidIpAddress(ports[k].tcpIpAddress))
            continue;
        SelectPort(k + 1);
        // The receiver port's address check, with its words.
        QMessageBox::warning(this, QStringLiteral("Illegal IP Address"),
                             QStringLiteral("IP Address error:\n  ") + ports[k].tcpIpAddress
                                 + QStringLiteral("\n\nThe format must be like this\n  192.168.10.123\n\n"
                                                  "or, if you want to also define the port:\n  192.168.10.123:5024"));
        return;
    }
    SaveSettings();
    WindowGeometry::Save(this, kGeometryKey);
    done(1);
}

void TicPortDialog::OnCancel()
{
    LoadSettings();
    WindowGeometry::Save(this, kGeometryKey);
    done(0);
}
