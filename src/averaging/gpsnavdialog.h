#pragma once

#include <QDialog>

class ReferenceLocationDialog;

namespace Ui {
class GpsNavDialog;
}

class GpsNavDialog : public QDialog
{
    Q_OBJECT

public:
    explicit GpsNavDialog(QWidget* parent = nullptr);
    ~GpsNavDialog() override;

    int exec() override;

    void SetRefLocationDialog(ReferenceLocationDialog* dlg);
    void GetAveragedPosition(double* lat, double* lon, double* altGps, double* altMsl) const;
    void GetCurrentPosition(double* lat, double* lon, double* altGps, double* altMsl) const;
    void GetRefLocation(double* lat, double* lon, double* altGps, double* altMsl) const;
    double GetRefAltitudeMsl() const { return refAltMsl; }
    void SetRefLocation(double lat, double lon, double altGps, double altMsl);
    int EditRefLocation();
    void LoadSettings();

    double refLat = 0.0;
    double refLon = 0.0;
    double refAltGps = 0.0;
    double refAltMsl = 0.0;
    double metresPerDegreeLat = 111111.1;
    double metresPerDegreeLon = 111111.1;
    bool bRefLocOnStart = false;

    double avgLat = 0.0;
    double avgLon = 0.0;
    double avgAltGps = 0.0;
    double avgAltMsl = 0.0;
    double curLat = 0.0;
    double curLon = 0.0;
    double curAltGps = 0.0;
    double curAltMsl = 0.0;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void OnOk();
    void OnCancel();

    Ui::GpsNavDialog* ui;
    ReferenceLocationDialog* refLocationDialog = nullptr;
};
