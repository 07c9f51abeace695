#pragma once

#include <QDialog>

namespace Ui {
class TicPortDialog;
}

class TicPortDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TicPortDialog(QWidget* parent = nullptr);
    ~TicPortDialog() override;

    int exec() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void OnOk();
    void OnCancel();

    Ui::TicPortDialog* ui;
};
