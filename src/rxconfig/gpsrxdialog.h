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

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void OnOk();
    void OnCancel();

    Ui::GpsRxDialog* ui;
};
