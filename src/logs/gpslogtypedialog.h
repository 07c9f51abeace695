#pragma once

#include <QDialog>

namespace Ui {
class GpsLogTypeDialog;
}

class GpsLogTypeDialog : public QDialog
{
    Q_OBJECT

public:
    explicit GpsLogTypeDialog(QWidget* parent = nullptr);
    ~GpsLogTypeDialog() override;

    int exec() override;

    // The kind of GPS data log (0 RAW, 1 BINARY, 2 PVT, 3 NMEA, 4 RINEX) and the seconds
    // between logged seconds (1 logs every second).
    int gpsLogType = 0;
    int gpsLogPeriod = 1;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void OnOk();
    void OnCancel();

    Ui::GpsLogTypeDialog* ui;
};
