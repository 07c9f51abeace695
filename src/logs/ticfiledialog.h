#pragma once

#include <QDialog>

namespace Ui {
class TicFileDialog;
}

class TicFileDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TicFileDialog(QWidget* parent = nullptr);
    ~TicFileDialog() override;

    int exec() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void OnOk();
    void OnCancel();

    Ui::TicFileDialog* ui;
};
