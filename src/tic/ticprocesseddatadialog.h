#pragma once

#include <QDialog>

namespace Ui {
class TicProcessedDataDialog;
}

class TicProcessedDataDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TicProcessedDataDialog(QWidget* parent = nullptr);
    ~TicProcessedDataDialog() override;

    void ShowDialog();
    int exec() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Ui::TicProcessedDataDialog* ui;
};
