#pragma once

#include <QDialog>

namespace Ui {
class GpsRawDataDialog;
}

class GpsRawDataDialog : public QDialog
{
    Q_OBJECT

public:
    explicit GpsRawDataDialog(QWidget* parent = nullptr);
    ~GpsRawDataDialog() override;

    void ShowDialog();
    void AppendText(QString line);
    int exec() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Ui::GpsRawDataDialog* ui;
};
