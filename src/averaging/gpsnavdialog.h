#pragma once

#include "averagingengine.h"

#include <QDialog>
#include <QString>

class UtcDateTime;

class QLineEdit;
class ReferenceLocationDialog;

namespace Ui {
class GpsNavDialog;
}

// The "Averaging Parameters" dialog and the averaging engine it shows: one object, so
// the decoders feed the engine whether or not the window is open. Its labels are only
// written while they are visible.
class GpsNavDialog : public QDialog, public AveragingEngine
{
    Q_OBJECT

public:
    explicit GpsNavDialog(QWidget* parent = nullptr);
    ~GpsNavDialog() override;

    int exec() override;

    // The reference location (referencelocation.cpp). SetRefLocation stores and saves
    // it; EditRefLocation runs the editor and is true when the operator confirmed.
    void SetRefLocationDialog(ReferenceLocationDialog* dlg);
    void GetRefLocation(double* lat, double* lon, double* altGps, double* altMsl) const;
    double GetRefAltitudeMsl() const { return refAltMsl; }
    void SetRefLocation(double lat, double lon, double altGps, double altMsl);
    void SetRefToAveraged();
    void SetRefToCurrent();
    bool EditRefLocation();
    // The editor's grammar; a remote command parses with bShowMessages false.
    bool ParseLatitude(const QString& text, double* lat, bool bShowMessages = true);
    bool ParseLongitude(const QString& text, double* lon, bool bShowMessages = true);
    bool ParseAltitude(const QString& text, double* alt, bool bShowMessages = true);

    // The averaging parameters, the restart flags, the reference location and the
    // averages from the settings store, each stored value checked and a bad one repaired
    // and written back; SaveSettings takes the dialog's fields and stores them. Without
    // bWithAverages the running averages stay.
    void LoadSettings(bool bWithAverages = true);
    void SaveSettings();
    void SaveGeometry();

    // The checks of the limit (0 to 99999) and weight (0 to 99.0) fields: true when the
    // text is one number in range and nothing else. An empty text is refused silently
    // and leaves *value alone; with bShowErrors a refusal says why in a box.
    bool ValidateIntegerField(QString text, double* value, bool bShowErrors);
    bool ValidateFloatField(QString text, double* value, bool bShowErrors);

    // Reloads the settings and the saved averages, then restarts the averages unless
    // they are to be continued; after its first call in a run it reloads the settings only.
    void RestartAveraging();
    void ResetAverages();
    // Another port or mode: everything averaged starts again, and the stored averages are
    // not taken up by a later set-up either.
    void RestartForAnotherReceiver();

    // One averaging step; returns the grid square of the position.
    QString AddNavSample(double latitude, double longitude, double altGps, double altMsl, int gpsMode);
    // Whether the averaging is locked; a result whose low byte is 0 is out of lock.
    int UpdateLockStatus(int gpsMode, const UtcDateTime& now);

    // The error table, the lock texts and the filter counters.
    void ShowAverages();

protected:
    void closeEvent(QCloseEvent* event) override;

private slots:
    void IDC_POS_FILTER_RESET_clicked();
    void IDC_RMS_FILTER_RESET_clicked();
    void IDC_TIMING_FILTER_RESET_clicked();
    void IDC_AVERAGING_RESET_ALL_clicked();
    void IDC_UNLOCK_COUNTER_RESET_clicked();
    void IDC_AVERAGING_DEFAULTS_clicked();
    void IDC_POS_FILTER_LIMIT_textEdited(QString arg1);
    void IDC_POS_FILTER_LIMIT_editingFinished();
    void IDC_RMS_FILTER_LIMIT_textEdited(QString arg1);
    void IDC_RMS_FILTER_LIMIT_editingFinished();
    void IDC_TIMING_FILTER_LIMIT_textEdited(QString arg1);
    void IDC_TIMING_FILTER_LIMIT_editingFinished();
    void IDC_HDOP_WEIGHTING_VALUE_textEdited(QString arg1);
    void IDC_HDOP_WEIGHTING_VALUE_editingFinished();
    void IDC_VDOP_WEIGHTING_VALUE_textEdited(QString arg1);
    void IDC_VDOP_WEIGHTING_VALUE_editingFinished();
    void IDC_TDOP_WEIGHTING_VALUE_textEdited(QString arg1);
    void IDC_TDOP_WEIGHTING_VALUE_editingFinished();

private:
    void OnOk();
    void OnCancel();

    // The six checked fields, in the order OK checks them.
    enum Field { PositionLimit, RmsLimit, TimingLimit, HdopWeight, VdopWeight, TdopWeight, FieldCount };
    QLineEdit* FieldWidget(Field field) const;
    bool CheckField(Field field, const QString& text, double* value, bool bShowErrors);
    void CheckWhileTyping(Field field, const QString& text);
    void CheckWhenLeft(Field field);
    void BuildErrorTable();
    void ShowControls();

    void ShowStepResults(unsigned shows);
    void ShowLabel(const char* name, const QString& text);
    bool LabelVisible(const char* name) const;
    void DisableDopWeightingControls();
    // The reference keys, each repaired to 0 when out of range, and their factors.
    void LoadRefLocation();

    Ui::GpsNavDialog* ui;
    bool bCheckingField = false;  // a field's box is up
    bool bAveragesTakenUp = false;  // RestartAveraging ran once
    ReferenceLocationDialog* refLocationDialog = nullptr;
};
