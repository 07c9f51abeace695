#pragma once

#include <QDialog>

namespace Ui {
class GpsRxIdDialog;
}

class GpsRxIdDialog : public QDialog
{
    Q_OBJECT

public:
    explicit GpsRxIdDialog(QWidget* parent = nullptr);
    ~GpsRxIdDialog() override;

    void ShowDialog();
    void AppendRxIdText(QString text);
    void SetRxIdText(QString text);
    int exec() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Ui::GpsRxIdDialog* ui;
};
