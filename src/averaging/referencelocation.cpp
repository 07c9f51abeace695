// The reference location of GpsNavDialog: the surveyed antenna position that the error
// terms measure against, set from the average, the latest fix, the editor or a remote
// command, and kept under "GpsNavDialog/RefLocation/".
#include "gpsnavdialog.h"

#include "angletexts.h"
#include "referencelocationdialog.h"
#include "storedvalues.h"

#include <QSettings>

#include <cmath>

namespace {

const QString kLatitudeKey = QStringLiteral("GpsNavDialog/RefLocation/Latitude");
const QString kLongitudeKey = QStringLiteral("GpsNavDialog/RefLocation/Longitude");
const QString kAltGpsKey = QStringLiteral("GpsNavDialog/RefLocation/GPS Altitude");
const QString kAltMslKey = QStringLiteral("GpsNavDialog/RefLocation/MSL Altitude");
const QString kLocOnStartKey = QStringLiteral("GpsNavDialog/RefLocation/Ref_Loc_On_Start");

constexpr const char* kStoredForm = "%018.16f";

QString StoredForm(double value)
{
    return QString::asprintf(kStoredForm, value);
}

// A stored reference value from low to high (both included), else 0 written back. An
// absent key is the default site, 0.
double LoadChecked(QSettings& settings, const QString& key, double low, double high)
{
    return StoredValues::Real(settings, key, 0.0, low, high, 0.0, kStoredForm);
}

}  // namespace

void GpsNavDialog::LoadRefLocation()
{
    QSettings settings;
    refLat = LoadChecked(settings, kLatitudeKey, -90.0, 90.0);
    // -180 is kept: it is the same meridian as 180, and the editor accepts it.
    refLon = LoadChecked(settings, kLongitudeKey, -180.0, 180.0);
    refAltGps = LoadChecked(settings, kAltGpsKey, -1000.0, HUGE_VAL);
    refAltMsl = LoadChecked(settings, kAltMslKey, -1000.0, HUGE_VAL);
    metresPerDegreeLat = kMetresPerDegree;
    metresPerDegreeLon = kMetresPerDegree * std::cos(0.0174533 * refLat);
}

void GpsNavDialog::SetRefLocationDialog(ReferenceLocationDialog* dlg)
{
    refLocationDialog = dlg;
}

void GpsNavDialog::GetRefLocation(double* lat, double* lon, double* altGps, double* altMsl) const
{
    *lat = refLat;
    *lon = refLon;
    *altGps = refAltGps;
    *altMsl = refAltMsl;
}

void GpsNavDialog::SetRefLocation(double lat, double lon, double altGps, double altMsl)
{
    refLat = lat;
    refLon = lon;
    refAltGps = altGps;
    refAltMsl = altMsl;
    // The error terms take the new factors at the next position step.
    metresPerDegreeLon = kMetresPerDegree * std::cos(0.0174533 * lat);
    metresPerDegreeLat = kMetresPerDegree;
    QSettings settings;
    settings.setValue(kLatitudeKey, StoredForm(refLat));
    settings.setValue(kLongitudeKey, StoredForm(refLon));
    settings.setValue(kAltGpsKey, StoredForm(refAltGps));
    settings.setValue(kAltMslKey, StoredForm(refAltMsl));
    settings.setValue(QStringLiteral("GpsNavDialog/Averaging Data/Restart Averages On Unlock"), bRestartOnUnlock);
    settings.setValue(QStringLiteral("GpsNavDialog/Averaging Data/Restart Averages On Startup"), bContinueOnRestart);
}

void GpsNavDialog::SetRefToAveraged()
{
    double lat = 0.0, lon = 0.0, altGps = 0.0, altMsl = 0.0;
    GetAveragedPosition(&lat, &lon, &altGps, &altMsl);
    SetRefLocation(lat, lon, altGps, altMsl);
}

void GpsNavDialog::SetRefToCurrent()
{
    double lat = 0.0, lon = 0.0, altGps = 0.0, altMsl = 0.0;
    GetCurrentPosition(&lat, &lon, &altGps, &altMsl);
    SetRefLocation(lat, lon, altGps, altMsl);
}

bool GpsNavDialog::EditRefLocation()
{
    if (!refLocationDialog)
        return false;
    refLocationDialog->SetReferenceLocation(refLat, refLon, refAltGps, refAltMsl, bRefLocOnStart);
    if (refLocationDialog->exec() == 0)
        return false;
    double lat = 0.0, lon = 0.0, altGps = 0.0, altMsl = 0.0;
    refLocationDialog->GetReferenceLocation(&lat, &lon, &altGps, &altMsl, &bRefLocOnStart);
    // Stored at once: the next load of the averaging settings reads the choice back.
    QSettings().setValue(kLocOnStartKey, bRefLocOnStart);
    SetRefLocation(lat, lon, altGps, altMsl);
    return true;
}

bool GpsNavDialog::ParseLatitude(const QString& text, double* lat, bool bShowMessages)
{
    if (!refLocationDialog)
        return AngleTexts::ParseAngle(text, lat, AngleTexts::Latitude);
    return refLocationDialog->ParseLatitude(text, lat, bShowMessages);
}

bool GpsNavDialog::ParseLongitude(const QString& text, double* lon, bool bShowMessages)
{
    if (!refLocationDialog)
        return AngleTexts::ParseAngle(text, lon, AngleTexts::Longitude);
    return refLocationDialog->ParseLongitude(text, lon, bShowMessages);
}

bool GpsNavDialog::ParseAltitude(const QString& text, double* alt, bool bShowMessages)
{
    if (!refLocationDialog)
        return AngleTexts::ValidateAltitude(text, alt);
    return refLocationDialog->ValidateAltitude(text, alt, bShowMessages);
}
