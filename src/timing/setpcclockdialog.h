#pragma once

#include <QDialog>

#include <cstdint>

namespace Ui {
class SetPcClockDialog;
}

// The operator's choice of when the PC clock is set from GPS time, kept under
// "SetPcClockDialog/". The main window copies the stored choice into its working state
// (ApplyPcClockSyncSettings); the per-second clock work reads the two overrides here and
// reports each set back through OnPcClockSet.
class SetPcClockDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SetPcClockDialog(QWidget* parent = nullptr);
    ~SetPcClockDialog() override;

    // Starts from the stored settings, not from the members; 1 for OK, 0 for Cancel.
    int exec() override;

    // Records one set of the PC clock, with the GPS clock text shown for that second.
    // The labels follow only while the dialog is open.
    void OnPcClockSet(QString syncTime);

    void LoadPcClockSettings();
    void SavePcClockSettings();
    void SaveGeometry();

    int syncMode = 0;            // 0 Disable, 1 One Time, 2 second, 3 minute, 4 hour, 5 day
    QString lastSyncText;        // GPS clock text of the last set
    QString clockResetText;      // clockResetCount as shown
    uint32_t clockResetCount = 0;  // sets since the program started
    QString ntpHitText;          // nothing fills it
    uint32_t ntpHitCount = 0;    // nothing counts it
    bool bSyncOnDelta = false;   // also set when the PC clock error reaches syncDeltaMs
    int syncDeltaMs = 1;         // ms, 1 to 999 from the field
    bool bMaxCorrectionOn = false;
    int maxCorrectionQty = 2;    // in maxCorrectionUnits
    int maxCorrectionUnits = 0;  // 0 hours, 1 minutes, 2 seconds
    bool bOverrideTraim = false;      // set on time messages with no 1PPS tick waiting
    bool bOverrideIntegrity = false;  // set out of lock

protected:
    void closeEvent(QCloseEvent* event) override;

private slots:
    void IDC_CLOCK_SYNC_DISABLE_clicked();
    void IDC_CLOCK_SYNC_ONCE_clicked();
    void IDC_CLOCK_SYNC_SEC_clicked();
    void IDC_CLOCK_SYNC_MIN_clicked();
    void IDC_CLOCK_SYNC_HOUR_clicked();
    void IDC_CLOCK_SYNC_DAY_clicked();
    void IDC_CLOCK_SYNC_DELTA_clicked(bool checked);
    void IDC_CLOCK_SYNC_DELTA_MS_editingFinished();
    void IDC_AMC_ON_clicked(bool checked);
    void IDC_AMC_QTY_valueChanged(int arg1);
    void IDC_AMC_UNITS_currentIndexChanged(int index);
    void IDC_CLOCK_SYNC_OVERRIDE_TRAIM_clicked(bool checked);
    void IDC_CLOCK_SYNC_OVERRIDE_INTEGRITY_clicked(bool checked);
    void OnOk();
    void OnCancel();

private:
    Ui::SetPcClockDialog* ui;
};
