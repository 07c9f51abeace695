#include "gpslogtypedialog.h"

#include "ui_gpslogtypedialog.h"
#include "windowgeometry.h"

#include <QCloseEvent>

GpsLogTypeDialog::GpsLogTypeDialog(QWidget* parent) : QDialog(parent), ui(new Ui::GpsLogTypeDialog)
{
    ui->setupUi(this);
    connect(ui->OK, &QPushButton::clicked, this, &GpsLogTypeDialog::OnOk);
    connect(ui->CANCEL, &QPushButton::clicked, this, &GpsLogTypeDialog::OnCancel);
}

GpsLogTypeDialog::~GpsLogTypeDialog()
{
    delete ui;
}

int GpsLogTypeDialog::exec()
{
    WindowGeometry::Restore(this, QStringLiteral("GpsLogTypeDialog/geometry"));
    return QDialog::exec();
}

void GpsLogTypeDialog::closeEvent(QCloseEvent* event)
{
    WindowGeometry::Save(this, QStringLiteral("GpsLogTypeDialog/geometry"));
    QDialog::closeEvent(event);
}

void GpsLogTypeDialog::OnOk()
{
    WindowGeometry::Save(this, QStringLiteral("GpsLogTypeDialog/geometry"));
    done(1);
}

void GpsLogTypeDialog::OnCancel()
{
    WindowGeometry::Save(this, QStringLiteral("GpsLogTypeDialog/geometry"));
    done(0);
}
