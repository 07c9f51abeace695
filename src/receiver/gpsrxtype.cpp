#include "gpsrxtype.h"

#include "ui_gpsrxtype.h"
#include "windowgeometry.h"

#include <QCloseEvent>

GpsRxType::GpsRxType(QWidget* parent) : QDialog(parent), ui(new Ui::GpsRxType)
{
    ui->setupUi(this);
    connect(ui->OK, &QPushButton::clicked, this, &GpsRxType::OnOk);
    connect(ui->CANCEL, &QPushButton::clicked, this, &GpsRxType::OnCancel);
}

GpsRxType::~GpsRxType()
{
    delete ui;
}

int GpsRxType::exec()
{
    WindowGeometry::Restore(this, QStringLiteral("GpsRxType/geometry"));
    return QDialog::exec();
}

void GpsRxType::closeEvent(QCloseEvent* event)
{
    WindowGeometry::Save(this, QStringLiteral("GpsRxType/geometry"));
    QDialog::closeEvent(event);
}

void GpsRxType::OnOk()
{
    WindowGeometry::Save(this, QStringLiteral("GpsRxType/geometry"));
    done(1);
}

void GpsRxType::OnCancel()
{
    WindowGeometry::Save(this, QStringLiteral("GpsRxType/geometry"));
    done(0);
}
