#pragma once

#include <QDialog>

namespace Ui {
class SetPcClockDialog;
}

class SetPcClockDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SetPcClockDialog(QWidget* parent = nullptr);
    ~SetPcClockDialog() override;

    int exec() override;

    // Records a setting of the PC clock: the time it was set and one more in the count.
    void OnPcClockSet(QString syncTime);
    QString lastSyncTime;
    int syncCount = 0;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void OnOk();
    void OnCancel();

    Ui::SetPcClockDialog* ui;
};
