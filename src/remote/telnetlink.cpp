#include "telnetlink.h"

#include "ui_telnetlink.h"
#include "windowgeometry.h"

#include <QCloseEvent>

TelnetLink::TelnetLink(QWidget* parent) : QDialog(parent), ui(new Ui::TelnetLink)
{
    ui->setupUi(this);
    connect(ui->OK, &QPushButton::clicked, this, &TelnetLink::OnOk);
    connect(ui->CANCEL, &QPushButton::clicked, this, &TelnetLink::OnCancel);
}

TelnetLink::~TelnetLink()
{
    delete ui;
}

int TelnetLink::exec()
{
    WindowGeometry::Restore(this, QStringLiteral("TelnetLink/geometry"));
    return QDialog::exec();
}

void TelnetLink::closeEvent(QCloseEvent* event)
{
    WindowGeometry::Save(this, QStringLiteral("TelnetLink/geometry"));
    QDialog::closeEvent(event);
}

void TelnetLink::OnOk()
{
    WindowGeometry::Save(this, QStringLiteral("TelnetLink/geometry"));
    done(1);
}

void TelnetLink::OnCancel()
{
    WindowGeometry::Save(this, QStringLiteral("TelnetLink/geometry"));
    done(0);
}
