#include "satazelchartdialog.h"

#include "ui_satazelchartdialog.h"
#include "windowgeometry.h"

#include <QCloseEvent>

SatAzElChartDialog::SatAzElChartDialog(QWidget* parent) : QDialog(parent), ui(new Ui::SatAzElChartDialog)
{
    ui->setupUi(this);
}

SatAzElChartDialog::~SatAzElChartDialog()
{
    delete ui;
}

void SatAzElChartDialog::ShowDialog()
{
    WindowGeometry::Restore(this, QStringLiteral("SatAzElChartDialog/geometry"));
    show();
}

void SatAzElChartDialog::UpdateSatellites(const SatelliteRecord* records, int count)
{
    for (int i = 0; i < 256; ++i)
        satellites[i] = i < count ? records[i] : SatelliteRecord();
}

void SatAzElChartDialog::ShowChart()
{
    ShowDialog();
}

int SatAzElChartDialog::exec()
{
    WindowGeometry::Restore(this, QStringLiteral("SatAzElChartDialog/geometry"));
    return QDialog::exec();
}

void SatAzElChartDialog::closeEvent(QCloseEvent* event)
{
    WindowGeometry::Save(this, QStringLiteral("SatAzElChartDialog/geometry"));
    QDialog::closeEvent(event);
}
