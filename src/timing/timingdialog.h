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

    // The station's timing corrections. Other subsystems read them straight from here:
    // the receiver set-up, the TIC correction and the TIC logs.
    double antennaCableDelayNs = 0.0;       // ns, antenna cable
    int epochMs = 0;                        // ms, 0 to 999; makes the 1PPS late
    double extraEarlyOffsetUs = 0.0;        // us; makes the 1PPS early
    double measurementCableDelayNs = 0.0;   // ns, measurement cable
    double receiverDelayNs = 55.0;          // ns, inside the receiver
    double ppsOffsetEarlyUs = 0.0;          // us, total 1PPS offset before the second, <= 0
    double ppsOffsetLateUs = 0.0;           // us, the same after the second, <= 1000000
    double ppsFineOffsetUs = 0.0;           // us; makes the 1PPS late
    double traimLimitNs = 0.0;              // ns, T-RAIM alarm limit
    bool bTraimKill1pps = false;
    double utcCorrectionNs = 0.0;           // ns, both cables + receiver delay
    bool bTicAutoCorrect = true;
    int sawtoothMode = -1;                  // 0 automatic, 1 add, 2 subtract, 3 off

    // Set by OK when the sawtooth correction choice changed; the caller clears it.
    bool bSawtoothModeChanged = false;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void OnOk();
    void OnCancel();

    Ui::TimingDialog* ui;
};
