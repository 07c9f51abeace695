#pragma once

#include <QDialog>
#include <QString>

class UtcDateTime;

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

    // Navigation state pushed by the decoders; negative values are ignored.
    void SetDops(double gdop, double pdop, double hdop, double vdop, double tdop);
    void SetNavMode(int mode);
    int GetNavMode() const { return navMode; }
    void SetSatellitesUsed(int n);
    void SetSpeed(double knots);
    void SetHeading(double degrees);
    void SetFixStatus(int code);
    void SetReceiverErrorTerms(double a, double b);
    void RestartAveraging();

    // One averaging step; returns the grid square of the position.
    QString AddNavSample(double latitude, double longitude, double altGps, double altMsl, int gpsMode);
    // Whether the averaging is locked; a result whose low byte is 0 is out of lock.
    int UpdateLockStatus(int gpsMode, const UtcDateTime& now);

    // Position texts for the main window's position table (rows Cur, Avg and Ref).
    QString FormatPositionNmea(int format) const;
    QString FormatPosition(int format) const;
    QString FormatPositionCsv(int format) const;
    QString DopText() const;

    double gdop = 0.0;
    double pdop = 0.0;
    double hdop = 0.0;
    double vdop = 0.0;
    double tdop = 0.0;
    int navMode = 1;
    int satellitesUsed = 0;
    double speedKnots = 0.0;
    double headingDeg = 0.0;
    int fixStatus = -1;

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
