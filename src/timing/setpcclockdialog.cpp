#include "setpcclockdialog.h"

#include "ui_setpcclockdialog.h"
#include "windowgeometry.h"

#include <QCloseEvent>

SetPcClockDialog::SetPcClockDialog(QWidget* parent) : QDialog(parent), ui(new Ui::SetPcClockDialog)
{
    ui->setupUi(this);
    connect(ui->OK, &QPushButton::clicked, this, &SetPcClockDialog::OnOk);
    connect(ui->CANCEL, &QPushButton::clicked, this, &SetPcClockDialog::OnCancel);
}

SetPcClockDialog::~SetPcClockDialog()
{
    delete ui;
}

int SetPcClockDialog::exec()
{
    WindowGeometry::Restore(this, QStringLiteral("SetPcClockDialog/geometry"));
    return QDialog::exec();
}

void SetPcClockDialog::OnPcClockSet(QString syncTime)
{
    lastSyncTime = syncTime;
    ++syncCount;
}

void SetPcClockDialog::closeEvent(QCloseEvent* event)
{
    WindowGeometry::Save(this, QStringLiteral("SetPcClockDialog/geometry"));
    QDialog::closeEvent(event);
}

void SetPcClockDialog::OnOk()
{
    WindowGeometry::Save(this, QStringLiteral("SetPcClockDialog/geometry"));
    done(1);
}

void SetPcClockDialog::OnCancel()
{
    WindowGeometry::Save(this, QStringLiteral("SetPcClockDialog/geometry"));
    done(0);
}
