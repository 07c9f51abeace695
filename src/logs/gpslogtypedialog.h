#pragma once

#include <QDialog>
#include <QString>

namespace Ui {
class GpsLogTypeDialog;
}

// The GPS data log's type, period, folder and file-name prefix ("LogFiles/" keys).
class GpsLogTypeDialog : public QDialog
{
    Q_OBJECT

public:
    explicit GpsLogTypeDialog(QWidget* parent = nullptr);
    ~GpsLogTypeDialog() override;

    int exec() override;
    // Reads the keys into the members and shows them; an out-of-range "log every"
    // reads as its first choice and is written back.
    void LoadSettings();

    // The kind of GPS data log (0 RAW, 1 BINARY, 2 PVT, 3 NMEA, 4 RINEX) and the seconds
    // between logged seconds (1 logs every second).
    int gpsLogType = 2;
    int gpsLogPeriod = 1;
    int gpsLogEveryIndex = 0;
    QString gpsLogFolder;
    QString gpsLogPrefix;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void OnOk();
    void OnCancel();
    void IDC_GPSLOG_BROWSE_clicked();

    Ui::GpsLogTypeDialog* ui;
};
