#pragma once

#include "averagingengine.h"

#include <QDialog>
#include <QString>

class UtcDateTime;

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

    void LoadSettings();

    // Reloads the settings and the saved averages, then restarts the averages unless
    // they are to be continued.
    void ReloadAveragingSettings();
    void ResetAverages();

    // One averaging step; returns the grid square of the position.
    QString AddNavSample(double latitude, double longitude, double altGps, double altMsl, int gpsMode);
    // Whether the averaging is locked; a result whose low byte is 0 is out of lock.
    int UpdateLockStatus(int gpsMode, const UtcDateTime& now);

    // The error table, the lock texts and the filter counters.
    void ShowAverages();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void OnOk();
    void OnCancel();

    void ShowStepResults(unsigned shows);
    void ShowLabel(const char* name, const QString& text);
    bool LabelVisible(const char* name) const;
    void DisableDopWeightingControls();
    // The reference keys, each repaired to 0 when out of range, and their factors.
    void LoadRefLocation();

    Ui::GpsNavDialog* ui;
    ReferenceLocationDialog* refLocationDialog = nullptr;
};
