#pragma once

#include <QDialog>

namespace Ui {
class GpsRxDialog;
}

class GpsRxDialog : public QDialog
{
    Q_OBJECT

public:
    explicit GpsRxDialog(QWidget* parent = nullptr);
    ~GpsRxDialog() override;

    int exec() override;

    int gpsMode = 0;               // "GpsRxDialog/Gps Mode": 0 3-D, 1 2-D, 2 0-D position hold
    bool bRxOnLocalTime = false;   // the receiver reports the PC's local time
    bool bEmulatePvt6 = false;     // drive the receiver as a 6-channel one
    int navigationStatus = -1;     // 0 navigating, 1 position hold, 2 surveying, other unknown

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void OnOk();
    void OnCancel();

    Ui::GpsRxDialog* ui;
};
