#pragma once

#include <QDialog>

namespace Ui {
class TimingDialog;
}

class CoaxDialog;
class QLineEdit;

// The station's timing corrections: entered, checked and totalled here, and kept under
// "TimingDialog/". The members are also the program's record of them: the constructor
// loads the stored values, so they apply from the start, before the dialog is opened.
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

    CoaxDialog* coaxDialog = nullptr;       // the cable delay calculator, made on first use

protected:
    void closeEvent(QCloseEvent* event) override;

private slots:
    void IDC_TIMING_EPOCH_textEdited(const QString& arg1);
    void IDC_TIMING_OFFSET_textEdited(const QString& arg1);
    void IDC_TIMING_RAIM_textEdited(const QString& arg1);
    void IDC_TIMING_ANT_CABLE_textEdited(const QString& arg1);
    void IDC_TIMING_MES_CABLE_textEdited(const QString& arg1);
    void IDC_TIMING_RCVR_DELAY_textEdited(const QString& arg1);
    void IDC_TIMING_EXTRA_DELAY_textEdited(const QString& arg1);
    void IDC_TIMING_EP_RESET_clicked();
    void IDC_TIMING_ED_RESET_clicked();
    void IDC_TIMING_DEFAULTS_clicked();

private:
    // The seven number fields, in the order OK checks them.
    enum Field { Epoch, Offset, Raim, AntennaCable, MeasurementCable, ReceiverDelay, ExtraDelay, FieldCount };

    void IDC_TIMING_EPOCH_editingFinished();
    void IDC_TIMING_OFFSET_editingFinished();
    void IDC_TIMING_RAIM_editingFinished();
    void IDC_TIMING_ANT_CABLE_editingFinished();
    void IDC_TIMING_MES_CABLE_editingFinished();
    void IDC_TIMING_RCVR_DELAY_editingFinished();
    void IDC_TIMING_EXTRA_DELAY_editingFinished();
    void OpenAntennaCoaxCalculator();
    void OpenMeasurementCoaxCalculator();
    void OnOk();
    void OnCancel();

    void UpdateTotals();
    bool ValidateIntField(QWidget* parent, const QString& text, int min, int max, bool bShowMessage);
    bool ValidateRealField(QWidget* parent, const QString& text, double min, double max, bool bShowMessage);
    void LoadTimingSettings();
    void SaveTimingSettings();
    void SaveGeometry();

    QLineEdit* FieldWidget(Field field) const;
    bool CheckField(Field field, const QString& text, bool bShowMessage);
    void LiveCheck(Field field, const QString& text);
    void CommitCheck(Field field);
    void ReadStoredValues();
    void OpenCoaxCalculator(const QString& group, QLineEdit* cableField);

    Ui::TimingDialog* ui;
};
