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

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void OnOk();
    void OnCancel();

    Ui::GpsLogTypeDialog* ui;
};
