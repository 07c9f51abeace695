#include "gpsnavdialog.h"

#include "ui_gpsnavdialog.h"
#include "windowgeometry.h"

#include "referencelocationdialog.h"

#include <QCloseEvent>
#include <QSettings>

#include <cmath>

GpsNavDialog::GpsNavDialog(QWidget* parent) : QDialog(parent), ui(new Ui::GpsNavDialog)
{
    ui->setupUi(this);
    connect(ui->OK, &QPushButton::clicked, this, &GpsNavDialog::OnOk);
    connect(ui->CANCEL, &QPushButton::clicked, this, &GpsNavDialog::OnCancel);
    LoadSettings();
}

void GpsNavDialog::LoadSettings()
{
    QSettings settings;
    refLat = settings.value("GpsNavDialog/RefLocation/Latitude", 0.0).toDouble();
    refLon = settings.value("GpsNavDialog/RefLocation/Longitude", 0.0).toDouble();
    refAltGps = settings.value("GpsNavDialog/RefLocation/GPS Altitude", 0.0).toDouble();
    refAltMsl = settings.value("GpsNavDialog/RefLocation/MSL Altitude", 0.0).toDouble();
    bRefLocOnStart = settings.value("GpsNavDialog/RefLocation/Ref_Loc_On_Start", false).toBool();
    metresPerDegreeLat = 111111.1;
    metresPerDegreeLon = 111111.1 * std::cos(0.0174533 * refLat);
}

void GpsNavDialog::SetRefLocationDialog(ReferenceLocationDialog* dlg)
{
    refLocationDialog = dlg;
}

void GpsNavDialog::GetAveragedPosition(double* lat, double* lon, double* altGps, double* altMsl) const
{
    *lat = avgLat;
    *lon = avgLon;
    *altGps = avgAltGps;
    *altMsl = avgAltMsl;
}

void GpsNavDialog::GetCurrentPosition(double* lat, double* lon, double* altGps, double* altMsl) const
{
    *lat = curLat;
    *lon = curLon;
    *altGps = curAltGps;
    *altMsl = curAltMsl;
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
    metresPerDegreeLon = 111111.1 * std::cos(0.0174533 * lat);
    metresPerDegreeLat = 111111.1;
    QSettings settings;
    settings.setValue("GpsNavDialog/RefLocation/Latitude", QString::asprintf("%018.16f", refLat));
    settings.setValue("GpsNavDialog/RefLocation/Longitude", QString::asprintf("%018.16f", refLon));
    settings.setValue("GpsNavDialog/RefLocation/GPS Altitude", QString::asprintf("%018.16f", refAltGps));
    settings.setValue("GpsNavDialog/RefLocation/MSL Altitude", QString::asprintf("%018.16f", refAltMsl));
}

void GpsNavDialog::SetDops(double g, double p, double h, double v, double t)
{
    if (g >= 0.0)
        gdop = g;
    if (p >= 0.0)
        pdop = p;
    if (h >= 0.0)
        hdop = h;
    if (v >= 0.0)
        vdop = v;
    if (t >= 0.0)
        tdop = t;
}

void GpsNavDialog::SetNavMode(int mode)
{
    navMode = mode;
}

void GpsNavDialog::SetSatellitesUsed(int n)
{
    if (n >= 0)
        satellitesUsed = n;
}

void GpsNavDialog::SetSpeed(double knots)
{
    if (knots >= 0.0)
        speedKnots = knots;
}

void GpsNavDialog::SetHeading(double degrees)
{
    if (degrees >= 0.0)
        headingDeg = degrees;
}

void GpsNavDialog::SetFixStatus(int code)
{
    if (code >= -1)
        fixStatus = code;
}

void GpsNavDialog::SetReceiverErrorTerms(double, double) {}

void GpsNavDialog::RestartAveraging()
{
    LoadSettings();
}

QString GpsNavDialog::AddNavSample(double latitude, double longitude, double altGps, double altMsl, int)
{
    curLat = latitude;
    curLon = longitude;
    curAltGps = altGps;
    curAltMsl = altMsl;
    return QString();
}

int GpsNavDialog::UpdateLockStatus(int, const UtcDateTime&)
{
    return 0;
}

QString GpsNavDialog::FormatPositionNmea(int) const
{
    return QString();
}

QString GpsNavDialog::FormatPosition(int) const
{
    return QString();
}

QString GpsNavDialog::FormatPositionCsv(int) const
{
    return QString();
}

QString GpsNavDialog::DopText() const
{
    return QString();
}

int GpsNavDialog::EditRefLocation()
{
    if (!refLocationDialog)
        return 0;
    if (refLocationDialog->exec() == 0)
        return 0;
    SetRefLocation(refLat, refLon, refAltGps, refAltMsl);
    return 1;
}

GpsNavDialog::~GpsNavDialog()
{
    delete ui;
}

int GpsNavDialog::exec()
{
    WindowGeometry::Restore(this, QStringLiteral("GpsNavDialog/geometry"));
    return QDialog::exec();
}

void GpsNavDialog::closeEvent(QCloseEvent* event)
{
    WindowGeometry::Save(this, QStringLiteral("GpsNavDialog/geometry"));
    QDialog::closeEvent(event);
}

void GpsNavDialog::OnOk()
{
    WindowGeometry::Save(this, QStringLiteral("GpsNavDialog/geometry"));
    done(1);
}

void GpsNavDialog::OnCancel()
{
    WindowGeometry::Save(this, QStringLiteral("GpsNavDialog/geometry"));
    done(0);
}
