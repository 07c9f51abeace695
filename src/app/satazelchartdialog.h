#pragma once

#include <QDialog>

#include "satelliterecord.h"

namespace Ui {
class SatAzElChartDialog;
}

class SatAzElChartDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SatAzElChartDialog(QWidget* parent = nullptr);
    ~SatAzElChartDialog() override;

    void ShowDialog();

    // Takes a copy of the sorted satellite table to plot.
    void UpdateSatellites(const SatelliteRecord* records, int count);
    void ShowChart();

    SatelliteRecord satellites[256];
    int exec() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Ui::SatAzElChartDialog* ui;
};
