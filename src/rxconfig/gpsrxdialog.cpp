#include "gpsrxdialog.h"

#include "ui_gpsrxdialog.h"
#include "windowgeometry.h"

#include <QCloseEvent>

GpsRxDialog::GpsRxDialog(QWidget* parent) : QDialog(parent), ui(new Ui::GpsRxDialog)
{
    ui->setupUi(this);
    connect(ui->OK, &QPushButton::clicked, this, &GpsRxDialog::OnOk);
    connect(ui->CANCEL, &QPushButton::clicked, this, &GpsRxDialog::OnCancel);
}

GpsRxDialog::~GpsRxDialog()
{
    delete ui;
}

int GpsRxDialog::exec()
{
    WindowGeometry::Restore(this, QStringLiteral("GpsRxDialog/geometry"));
    return QDialog::exec();
}

void GpsRxDialog::closeEvent(QCloseEvent* event)
{
    WindowGeometry::Save(this, QStringLiteral("GpsRxDialog/geometry"));
    QDialog::closeEvent(event);
}

void GpsRxDialog::OnOk()
{
    WindowGeometry::Save(this, QStringLiteral("GpsRxDialog/geometry"));
    done(1);
}

void GpsRxDialog::OnCancel()
{
    WindowGeometry::Save(this, QStringLiteral("GpsRxDialog/geometry"));
    done(0);
}
