#pragma once

#include <QDialog>

namespace Ui {
class TimingDialog;
}

class TimingDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TimingDialog(QWidget* parent = nullptr);
    ~TimingDialog() override;

    int exec() override;

    // Set by OK when the sawtooth correction choice changed; the caller clears it.
    bool bSawtoothModeChanged = false;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void OnOk();
    void OnCancel();

    Ui::TimingDialog* ui;
};
