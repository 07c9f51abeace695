#pragma once

#include <QDialog>

namespace Ui {
class TicRawDataDialog;
}

class TicRawDataDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TicRawDataDialog(QWidget* parent = nullptr);
    ~TicRawDataDialog() override;

    void ShowDialog();
    int exec() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Ui::TicRawDataDialog* ui;
};
