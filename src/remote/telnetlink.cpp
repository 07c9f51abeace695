#include "telnetlink.h"

#include "numericfield.h"
#include "storedvalues.h"
#include "ui_telnetlink.h"
#include "windowgeometry.h"

#include <QCloseEvent>
#include <QSettings>

namespace {

const QString kActivateKey = QStringLiteral("TelnetDialog/TelnetActivate");
const QString kPortKey = QStringLiteral("TelnetDialog/TelnetServerPort");
const QString kGeometryKey = QStringLiteral("TelnetLink/geometry");
constexpr int kDefaultPort = 32325;

}  // namespace

TelnetLink::TelnetLink(QWidget* parent) : QDialog(parent), ui(new Ui::TelnetLink)
{
    ui->setupUi(this);
    connect(ui->OK, &QPushButton::clicked, this, &TelnetLink::OnOk);
    connect(ui->CANCEL, &QPushButton::clicked, this, &TelnetLink::OnCancel);
    connect(ui->IDC_TELNET_PORT, &QLineEdit::textEdited, this, &TelnetLink::IDC_TELNET_PORT_textEdited);
    LoadSettings();
}

TelnetLink::~TelnetLink()
{
    delete ui;
}

void TelnetLink::LoadSettings()
{
    QSettings settings;
    bTelnetActivate = StoredValues::Switch(settings, kActivateKey, false);
    // A stored port the dialog would refuse reads as the default, and the file is
    // mended to say so: it names the port the server really listens on.
    telnetServerPort = static_cast<quint16>(StoredValues::Integer(settings, kPortKey, kDefaultPort, kLowestPort,
                                                                  kHighestPort, kDefaultPort,
                                                                  StoredValues::Repair::WriteBack));
    ui->IDC_TELNET_ACTIVATE->setChecked(bTelnetActivate);
    ui->IDC_TELNET_PORT->setText(QString::number(telnetServerPort));
    NumericField::ShowValidity(ui->IDC_TELNET_PORT, kLowestPort, kHighestPort);
}

int TelnetLink::exec()
{
    WindowGeometry::Restore(this, kGeometryKey);
    LoadSettings();
    return QDialog::exec();
}

void TelnetLink::SetServerStatus(const QString& text)
{
    ui->IDC_TELNET_STATUS->setText(text);
}

void TelnetLink::closeEvent(QCloseEvent* event)
{
    WindowGeometry::Save(this, kGeometryKey);
    QDialog::closeEvent(event);
}

void TelnetLink::IDC_TELNET_PORT_textEdited(const QString&)
{
    NumericField::ShowValidity(ui->IDC_TELNET_PORT, kLowestPort, kHighestPort);
}

void TelnetLink::OnOk()
{
    int port = kDefaultPort;
    if (!NumericField::Take(this, ui->IDC_TELNET_PORT, kLowestPort, kHighestPort, port))
        return;
    bTelnetActivate = ui->IDC_TELNET_ACTIVATE->isChecked();
    telnetServerPort = static_cast<quint16>(port);
    QSettings settings;
    settings.setValue(kActivateKey, bTelnetActivate);
    settings.setValue(kPortKey, QString::number(telnetServerPort));
    WindowGeometry::Save(this, kGeometryKey);
    done(1);
}

void TelnetLink::OnCancel()
{
    WindowGeometry::Save(this, kGeometryKey);
    done(0);
}
