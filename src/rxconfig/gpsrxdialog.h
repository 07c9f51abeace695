#pragma once

#include <QDialog>
#include <cstdint>

class QCheckBox;

namespace Ui {
class GpsRxDialog;
}

// The receiver's operating parameters, kept under "GpsRxDialog/". The members hold the
// stored values as they are (the receiver set-up sends their low bytes); the widgets
// edit the members, OK stores them and Cancel puts the stored ones back.
class GpsRxDialog : public QDialog
{
    Q_OBJECT

public:
    explicit GpsRxDialog(QWidget* parent = nullptr);
    ~GpsRxDialog() override;

    int exec() override;

    void LoadSettings();
    void SaveSettings();
    // The values a receiver gets when nothing has been chosen; nothing is stored.
    void SetDefaults();

    // Position-fix mode chosen by the receiver set-up; stored at once.
    void SetGpsMode(int mode);
    // Stores the six constellation flags, GPS first and SBAS last.
    void SaveConstellations();

    int gpsMode = 0;                 // "Gps Mode": 0 3-D, 1 2-D, 2 0-D position hold
    bool bRxOnLocalTime = false;     // "Gps Rx On Local Time": receiver reports the PC's local time
    bool bEmulatePvt6 = false;       // "Emulate Pvt6": drive the receiver as a 6-channel one
    int ppsRate = 0;                 // "Pps Rate": 0 one pulse a second, 1 a hundred
    int ppsDuration = 0;             // "Pps Duration": 0 normal pulse, else short
    int elevationMask = 10;          // "Elevation Mask", degrees
    int ionosphericDelay = 1;        // "Ionospheric Delay": 0 corrected
    int troposphericDelay = 1;       // "Tropospheric Delay": 0 corrected
    int positionFixMode = 0;         // "Position Fix Mode": 0 all in view, else best 4
    int satelliteSelection = 0;      // "Satellite Selection": 0 best geometry, else highest in sky
    int geometryButton = 1;          // "GeometryButton": 0 GDOP, 1 PDOP, 2 HDOP, 3 VDOP, 4 TDOP
    int applicationType = 4;         // "Application Type": 0 air, 1 hand-held, 2 land, 3 marine, 4 static
    int alignMessages = 0;           // "Align Messages": 1 aligns the output to the minute
    bool bDgpsActivate = false;      // "DGPS Activate"
    int dgpsRate = 1;                // "DGPS Rate", seconds
    uint32_t satelliteEnableMask = 0xFFFFFFFFu;  // "Satellite Enable Mask": bit n-1 for PRN n
    bool bSatGps = true;             // the six constellation flags, in the receiver's order
    bool bSatGlonass = false;
    bool bSatGalileo = false;
    bool bSatBeidou = false;
    bool bSatQzss = false;
    bool bSatSbas = false;

    int navigationStatus = -1;       // 0 navigating, 1 position hold, 2 surveying, other unknown

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private slots:
    void OK_clicked();
    void CANCEL_clicked();
    void IDC_GPS_MODE_DEFAULTS_clicked();
    void IDC_GPS_MODE_LOCAL_TIME_clicked(bool checked);
    void IDC_GPS_MODE_PVT6_clicked(bool checked);
    void IDC_GPS_MODE_ALIGN_MESSAGES_clicked(bool checked);
    void IDC_GPS_MODE_IONOSPHERIC_clicked(bool checked);
    void IDC_GPS_MODE_TROPOSPHERIC_clicked(bool checked);
    void IDC_GPS_MODE_DGPS_ACTIVATE_clicked(bool checked);
    void IDC_GPS_MODE_GPS_clicked(bool checked);
    void IDC_GPS_MODE_GLONASS_clicked(bool checked);
    void IDC_GPS_MODE_GALILEO_clicked(bool checked);
    void IDC_GPS_MODE_BEIDOU_clicked(bool checked);
    void IDC_GPS_MODE_QZSS_clicked(bool checked);
    void IDC_GPS_MODE_SBAS_clicked(bool checked);
    void IDC_GPS_MODE_ELEVATION_MASK_textEdited(const QString& text);
    void IDC_GPS_MODE_ELEVATION_MASK_editingFinished();
    void IDC_GPS_MODE_DGPS_RATE_textEdited(const QString& text);
    void IDC_GPS_MODE_DGPS_RATE_editingFinished();
    void PositionFixButtonGroup_idClicked(int id);
    void ApplicationTypeButtonGroup_idClicked(int id);
    void SatelliteSelectionButtonGroup_idClicked(int id);
    void FixSatellitesButtonGroup_idClicked(int id);
    void GeometryButtonGroup_idClicked(int id);
    void PpsRateButtonGroup_idClicked(int id);
    void PpsDurationButtonGroup_idClicked(int id);
    void IDC_GPS_MODE_PRN_clicked();

private:
    void ConnectControls();
    void ShowValues();
    bool TakeNumericFields();

    Ui::GpsRxDialog* ui;
    QCheckBox* prnBoxes[32] = {};
};
