#pragma once

#include <QDialog>
#include <QString>

class QComboBox;
class QLineEdit;

namespace Ui {
class ReferenceLocationDialog;
}

// "Set Reference Location": the operator edits the station's reference location, whose
// two altitudes it keeps apart by the geoid separation at the location, and keeps named
// locations under "RefLocationDB/". It owns no reference settings: the location comes
// in through SetReferenceLocation and goes back out through GetReferenceLocation after
// an OK. The parse members show their faults in warning boxes when asked to.
class ReferenceLocationDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ReferenceLocationDialog(QWidget* parent = nullptr);
    ~ReferenceLocationDialog() override;

    int exec() override;

    void SetReferenceLocation(double latitude, double longitude, double altitudeWgs84, double altitudeMsl,
                              bool bLocOnStart);
    void GetReferenceLocation(double* latitude, double* longitude, double* altitudeWgs84, double* altitudeMsl,
                              bool* bLocOnStart) const;

    // The angle and altitude grammar; axis 0 is latitude, any other longitude.
    bool ParseAngle(const QString& text, double* angle, bool bShowMessages, int axis);
    bool ParseLatitude(const QString& text, double* latitude, bool bShowMessages);
    bool ParseLongitude(const QString& text, double* longitude, bool bShowMessages);
    bool ValidateAltitude(const QString& text, double* altitude, bool bShowMessages);
    QString FormatAngle(double angle) const;

    // Format in which latitude and longitude are shown (a NavDataFormat); the fields
    // take it the next time they are filled.
    void SetAngleFormat(int format);

    void SaveGeometry();

    QString altitudeWgs84Text;
    QString altitudeMslText;
    QString latitudeText;
    QString longitudeText;
    QString currentGeoidDifferenceText;
    QString geoidSeparationText;
    bool bLocOnStart = false;
    double latitude = 0.0;
    double longitude = 0.0;
    double altitudeMsl = 0.0;
    double altitudeWgs84 = 0.0;
    // altitudeWgs84 - altitudeMsl as the dialog was opened, to the centimetre.
    double currentGeoidDifference = 0.0;
    // Set once an altitude is typed or loaded; never cleared, so that OK needs both
    // altitudes to have been given at least once.
    bool bWgs84AltitudeChanged = false;
    // Geoid height above the ellipsoid at the location, metres.
    double geoidSeparation = 0.0;
    bool bMslAltitudeChanged = false;
    int angleFormat = 0;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void DisplayLocation();
    bool CommitLatitude(bool bShowMessages);
    bool CommitLongitude(bool bShowMessages);
    bool CommitAngle(bool bShowMessages, int axis);
    void ShowAngleTyped(const QString& text, int axis);
    void ShowAltitudeTyped(const QString& text, bool bWgs84);
    void CheckAltitudeField(bool bWgs84);
    void ShowGeoidSeparation();
    static void ShowField(QLineEdit* field, const QString& text, bool bValid = true);
    void EnableAccept(bool bEnable);

    void OnOk();
    void OnCancel();
    void IDC_REFDLG_LATITUDE_editingFinished();
    void IDC_REFDLG_LATITUDE_textEdited(const QString& text);
    void IDC_REFDLG_LONGITUDE_editingFinished();
    void IDC_REFDLG_LONGITUDE_textEdited(const QString& text);
    void IDC_REFDLG_ALT_WGS84_editingFinished();
    void IDC_REFDLG_ALT_WGS84_textEdited(const QString& text);
    void IDC_REFDLG_ALT_MSL_editingFinished();
    void IDC_REFDLG_ALT_MSL_textEdited(const QString& text);
    void IDC_REFDLG_LOC_ON_START_clicked();

    // The named-location store (referencelocationstore.cpp).
    void LoadLocationNames();
    void SortLocationNames(QComboBox* combo);
    void SaveLocationToDb();
    void IDC_REFDLG_SAVE_NAME_clicked();
    void IDC_REFDLG_REMOVE_NAME_clicked();
    void IDC_REFDLG_NAME_currentIndexChanged(int index);
    static bool IsStorableName(const QString& name);

    Ui::ReferenceLocationDialog* ui;
};
