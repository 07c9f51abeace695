#include "satelliteselect.h"

#include "ui_satelliteselect.h"
#include "windowgeometry.h"

#include <QCloseEvent>

SatelliteSelect::SatelliteSelect(QWidget* parent) : QDialog(parent), ui(new Ui::SatelliteSelect)
{
    ui->setupUi(this);
    connect(ui->OK, &QPushButton::clicked, this, &SatelliteSelect::OnOk);
    connect(ui->CANCEL, &QPushButton::clicked, this, &SatelliteSelect::OnCancel);
}

SatelliteSelect::~SatelliteSelect()
{
    delete ui;
}

int SatelliteSelect::exec()
{
    WindowGeometry::Restore(this, QStringLiteral("SatelliteSelect/geometry"));
    return QDialog::exec();
}

void SatelliteSelect::closeEvent(QCloseEvent* event)
{
    WindowGeometry::Save(this, QStringLiteral("SatelliteSelect/geometry"));
    QDialog::closeEvent(event);
}

void SatelliteSelect::OnOk()
{
    WindowGeometry::Save(this, QStringLiteral("SatelliteSelect/geometry"));
    done(1);
}

void SatelliteSelect::OnCancel()
{
    WindowGeometry::Save(this, QStringLiteral("SatelliteSelect/geometry"));
    done(0);
}
