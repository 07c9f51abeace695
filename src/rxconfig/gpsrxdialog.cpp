#include "gpsrxdialog.h"

#include "numericfield.h"
#include "storedvalues.h"
#include "ui_gpsrxdialog.h"
#include "windowgeometry.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QSettings>

#include <cstdint>

namespace {

const QString kGeometryKey = QStringLiteral("GpsRxDialog/Geometry");
const QString kGpsModeKey = QStringLiteral("GpsRxDialog/Gps Mode");
const QString kConstellationKeys[6] = {
    QStringLiteral("GpsRxDialog/Sat Gps"),     QStringLiteral("GpsRxDialog/Sat Glonass"),
    QStringLiteral("GpsRxDialog/Sat Galileo"), QStringLiteral("GpsRxDialog/Sat Beidou"),
    QStringLiteral("GpsRxDialog/Sat Qzss"),    QStringLiteral("GpsRxDialog/Sat Sbas"),
};

constexpr int kElevationLow = 0;
constexpr int kElevationHigh = 89;
constexpr int kDgpsRateLow = 1;
constexpr int kDgpsRateHigh = 255;

// Checks the button of a group whose id is the value; none when no button has it, so
// that a stored value no button stands for is kept until the operator picks one.
void CheckById(QButtonGroup* group, int id)
{
    QAbstractButton* button = group->button(id);
    if (button) {
        button->setChecked(true);
        return;
    }
    group->setExclusive(false);
    for (QAbstractButton* b : group->buttons())
        b->setChecked(false);
    group->setExclusive(true);
}

void SetIds(QButtonGroup* group, std::initializer_list<QAbstractButton*> buttons)
{
    int id = 0;
    for (QAbstractButton* b : buttons)
        group->setId(b, id++);
}

}  // namespace

GpsRxDialog::GpsRxDialog(QWidget* parent) : QDialog(parent), ui(new Ui::GpsRxDialog)
{
    ui->setupUi(this);
    for (int prn = 1; prn <= 32; ++prn)
        prnBoxes[prn - 1] =
            findChild<QCheckBox*>(QStringLiteral("IDC_GPS_MODE_PRN%1").arg(prn, 2, 10, QLatin1Char('0')));
    SetIds(ui->PositionFixButtonGroup,
           {ui->IDC_GPS_MODE_3D_RADIO, ui->IDC_GPS_MODE_2D_RADIO, ui->IDC_GPS_MODE_0D_RADIO});
    SetIds(ui->ApplicationTypeButtonGroup,
           {ui->IDC_GPS_MODE_AP_AIR_RADIO, ui->IDC_GPS_MODE_AP_HH_RADIO, ui->IDC_GPS_MODE_AP_LAND_RADIO,
            ui->IDC_GPS_MODE_AP_MAR_RADIO, ui->IDC_GPS_MODE_AP_STATIC_RADIO});
    SetIds(ui->SatelliteSelectionButtonGroup,
           {ui->IDC_GPS_MODE_SEL_GEOMETRY_RADIO, ui->IDC_GPS_MODE_SEL_HIGHEST_RADIO});
    SetIds(ui->FixSatellitesButtonGroup, {ui->IDC_GPS_MODE_ALL_IN_VIEW_RADIO, ui->IDC_GPS_MODE_BEST4_RADIO});
    SetIds(ui->GeometryButtonGroup,
           {ui->IDC_GPS_MODE_GDOP_RADIO, ui->IDC_GPS_MODE_PDOP_RADIO, ui->IDC_GPS_MODE_HDOP_RADIO,
            ui->IDC_GPS_MODE_VDOP_RADIO, ui->IDC_GPS_MODE_TDOP_RADIO});
    SetIds(ui->PpsRateButtonGroup, {ui->IDC_GPS_MODE_PPS_1HZ_RADIO, ui->IDC_GPS_MODE_PPS_100HZ_RADIO});
    SetIds(ui->PpsDurationButtonGroup, {ui->IDC_GPS_MODE_PPS_NORMAL_RADIO, ui->IDC_GPS_MODE_PPS_SHORT_RADIO});
    ConnectControls();
    // The receiver set-up at start reads these members before the dialog is ever shown.
    LoadSettings();
    ShowValues();
}

GpsRxDialog::~GpsRxDialog()
{
    delete ui;
}

void GpsRxDialog::ConnectControls()
{
    connect(ui->OK, &QPushButton::clicked, this, &GpsRxDialog::OK_clicked);
    connect(ui->CANCEL, &QPushButton::clicked, this, &GpsRxDialog::CANCEL_clicked);
    connect(ui->IDC_GPS_MODE_DEFAULTS, &QPushButton::clicked, this, &GpsRxDialog::IDC_GPS_MODE_DEFAULTS_clicked);
    connect(ui->IDC_GPS_MODE_LOCAL_TIME, &QCheckBox::clicked, this,
            &GpsRxDialog::IDC_GPS_MODE_LOCAL_TIME_clicked);
    connect(ui->IDC_GPS_MODE_PVT6, &QCheckBox::clicked, this, &GpsRxDialog::IDC_GPS_MODE_PVT6_clicked);
    connect(ui->IDC_GPS_MODE_ALIGN_MESSAGES, &QCheckBox::clicked, this,
            &GpsRxDialog::IDC_GPS_MODE_ALIGN_MESSAGES_clicked);
    connect(ui->IDC_GPS_MODE_IONOSPHERIC, &QCheckBox::clicked, this,
            &GpsRxDialog::IDC_GPS_MODE_IONOSPHERIC_clicked);
    connect(ui->IDC_GPS_MODE_TROPOSPHERIC, &QCheckBox::clicked, this,
            &GpsRxDialog::IDC_GPS_MODE_TROPOSPHERIC_clicked);
    connect(ui->IDC_GPS_MODE_DGPS_ACTIVATE, &QCheckBox::clicked, this,
            &GpsRxDialog::IDC_GPS_MODE_DGPS_ACTIVATE_clicked);
    connect(ui->IDC_GPS_MODE_GPS, &QCheckBox::clicked, this, &GpsRxDialog::IDC_GPS_MODE_GPS_clicked);
    connect(ui->IDC_GPS_MODE_GLONASS, &QCheckBox::clicked, this, &GpsRxDialog::IDC_GPS_MODE_GLONASS_clicked);
    connect(ui->IDC_GPS_MODE_GALILEO, &QCheckBox::clicked, this, &GpsRxDialog::IDC_GPS_MODE_GALILEO_clicked);
    connect(ui->IDC_GPS_MODE_BEIDOU, &QCheckBox::clicked, this, &GpsRxDialog::IDC_GPS_MODE_BEIDOU_clicked);
    connect(ui->IDC_GPS_MODE_QZSS, &QCheckBox::clicked, this, &GpsRxDialog::IDC_GPS_MODE_QZSS_clicked);
    connect(ui->IDC_GPS_MODE_SBAS, &QCheckBox::clicked, this, &GpsRxDialog::IDC_GPS_MODE_SBAS_clicked);
    connect(ui->IDC_GPS_MODE_ELEVATION_MASK, &QLineEdit::textEdited, this,
            &GpsRxDialog::IDC_GPS_MODE_ELEVATION_MASK_textEdited);
    connect(ui->IDC_GPS_MODE_ELEVATION_MASK, &QLineEdit::editingFinished, this,
            &GpsRxDialog::IDC_GPS_MODE_ELEVATION_MASK_editingFinished);
    connect(ui->IDC_GPS_MODE_DGPS_RATE, &QLineEdit::textEdited, this,
            &GpsRxDialog::IDC_GPS_MODE_DGPS_RATE_textEdited);
    connect(ui->IDC_GPS_MODE_DGPS_RATE, &QLineEdit::editingFinished, this,
            &GpsRxDialog::IDC_GPS_MODE_DGPS_RATE_editingFinished);
    connect(ui->PositionFixButtonGroup, &QButtonGroup::idClicked, this,
            &GpsRxDialog::PositionFixButtonGroup_idClicked);
    connect(ui->ApplicationTypeButtonGroup, &QButtonGroup::idClicked, this,
            &GpsRxDialog::ApplicationTypeButtonGroup_idClicked);
    connect(ui->SatelliteSelectionButtonGroup, &QButtonGroup::idClicked, this,
            &GpsRxDialog::SatelliteSelectionButtonGroup_idClicked);
    connect(ui->FixSatellitesButtonGroup, &QButtonGroup::idClicked, this,
            &GpsRxDialog::FixSatellitesButtonGroup_idClicked);
    connect(ui->GeometryButtonGroup, &QButtonGroup::idClicked, this,
            &GpsRxDialog::GeometryButtonGroup_idClicked);
    connect(ui->PpsRateButtonGroup, &QButtonGroup::idClicked, this, &GpsRxDialog::PpsRateButtonGroup_idClicked);
    connect(ui->PpsDurationButtonGroup, &QButtonGroup::idClicked, this,
            &GpsRxDialog::PpsDurationButtonGroup_idClicked);
    for (QCheckBox* box : prnBoxes)
        connect(box, &QCheckBox::clicked, this, &GpsRxDialog::IDC_GPS_MODE_PRN_clicked);
}

int GpsRxDialog::exec()
{
    WindowGeometry::Restore(this, kGeometryKey);
    LoadSettings();
    ShowValues();
    return QDialog::exec();
}

void GpsRxDialog::closeEvent(QCloseEvent* event)
{
    WindowGeometry::Save(this, kGeometryKey);
    QDialog::closeEvent(event);
}

void GpsRxDialog::SetDefaults()
{
    gpsMode = 0;
    bRxOnLocalTime = false;
    bEmulatePvt6 = false;
    ppsRate = 0;
    ppsDuration = 0;
    elevationMask = 10;
    ionosphericDelay = 1;
    troposphericDelay = 1;
    positionFixMode = 0;
    satelliteSelection = 0;
    geometryButton = 1;
    applicationType = 4;
    alignMessages = 0;
    bDgpsActivate = false;
    dgpsRate = 1;
    satelliteEnableMask = 0xFFFFFFFFu;
    bSatGps = true;
    bSatGlonass = false;
    bSatGalileo = false;
    bSatBeidou = false;
    bSatQzss = false;
    bSatSbas = false;
}

void GpsRxDialog::LoadSettings()
{
    SetDefaults();
    QSettings s;
    gpsMode = StoredValues::Integer(s, kGpsModeKey, gpsMode);
    bRxOnLocalTime = StoredValues::Switch(s, "GpsRxDialog/Gps Rx On Local Time", bRxOnLocalTime);
    bEmulatePvt6 = StoredValues::Switch(s, "GpsRxDialog/Emulate Pvt6", bEmulatePvt6);
    ppsRate = StoredValues::Integer(s, "GpsRxDialog/Pps Rate", ppsRate);
    ppsDuration = StoredValues::Integer(s, "GpsRxDialog/Pps Duration", ppsDuration);
    elevationMask = StoredValues::Integer(s, "GpsRxDialog/Elevation Mask", elevationMask);
    ionosphericDelay = StoredValues::Integer(s, "GpsRxDialog/Ionospheric Delay", ionosphericDelay);
    troposphericDelay = StoredValues::Integer(s, "GpsRxDialog/Tropospheric Delay", troposphericDelay);
    positionFixMode = StoredValues::Integer(s, "GpsRxDialog/Position Fix Mode", positionFixMode);
    satelliteSelection = StoredValues::Integer(s, "GpsRxDialog/Satellite Selection", satelliteSelection);
    geometryButton = StoredValues::Integer(s, "GpsRxDialog/GeometryButton", geometryButton);
    applicationType = StoredValues::Integer(s, "GpsRxDialog/Application Type", applicationType);
    alignMessages = StoredValues::Integer(s, "GpsRxDialog/Align Messages", alignMessages);
    bDgpsActivate = StoredValues::Switch(s, "GpsRxDialog/DGPS Activate", bDgpsActivate);
    dgpsRate = StoredValues::Integer(s, "GpsRxDialog/DGPS Rate", dgpsRate);
    // Read wide so that a mask written as a signed number keeps its 32 bits.
    satelliteEnableMask = static_cast<uint32_t>(StoredValues::Wide(
        s, "GpsRxDialog/Satellite Enable Mask", satelliteEnableMask, INT32_MIN, UINT32_MAX, satelliteEnableMask));
    bool* flags[6] = {&bSatGps, &bSatGlonass, &bSatGalileo, &bSatBeidou, &bSatQzss, &bSatSbas};
    for (int k = 0; k < 6; ++k)
        *flags[k] = StoredValues::Switch(s, kConstellationKeys[k], *flags[k]);
}

void GpsRxDialog::SaveSettings()
{
    QSettings s;
    s.setValue(kGpsModeKey, gpsMode);
    s.setValue("GpsRxDialog/Gps Rx On Local Time", bRxOnLocalTime);
    s.setValue("GpsRxDialog/Emulate Pvt6", bEmulatePvt6);
    s.setValue("GpsRxDialog/Pps Rate", ppsRate);
    s.setValue("GpsRxDialog/Pps Duration", ppsDuration);
    s.setValue("GpsRxDialog/Elevation Mask", elevationMask);
    s.setValue("GpsRxDialog/Ionospheric Delay", ionosphericDelay);
    s.setValue("GpsRxDialog/Tropospheric Delay", troposphericDelay);
    s.setValue("GpsRxDialog/Position Fix Mode", positionFixMode);
    s.setValue("GpsRxDialog/Satellite Selection", satelliteSelection);
    s.setValue("GpsRxDialog/GeometryButton", geometryButton);
    s.setValue("GpsRxDialog/Application Type", applicationType);
    s.setValue("GpsRxDialog/Align Messages", alignMessages);
    s.setValue("GpsRxDialog/DGPS Activate", bDgpsActivate);
    s.setValue("GpsRxDialog/DGPS Rate", dgpsRate);
    s.setValue("GpsRxDialog/Satellite Enable Mask", qulonglong(satelliteEnableMask));
    SaveConstellations();
}

void GpsRxDialog::SetGpsMode(int mode)
{
    gpsMode = mode;
    QSettings().setValue(kGpsModeKey, gpsMode);
    CheckById(ui->PositionFixButtonGroup, gpsMode);
}

void GpsRxDialog::SaveConstellations()
{
    const bool flags[6] = {bSatGps, bSatGlonass, bSatGalileo, bSatBeidou, bSatQzss, bSatSbas};
    QSettings s;
    for (int k = 0; k < 6; ++k)
        s.setValue(kConstellationKeys[k], flags[k]);
}

void GpsRxDialog::ShowValues()
{
    CheckById(ui->PositionFixButtonGroup, gpsMode);
    CheckById(ui->ApplicationTypeButtonGroup, applicationType);
    CheckById(ui->SatelliteSelectionButtonGroup, satelliteSelection == 0 ? 0 : 1);
    CheckById(ui->FixSatellitesButtonGroup, positionFixMode == 0 ? 0 : 1);
    CheckById(ui->GeometryButtonGroup, geometryButton);
    CheckById(ui->PpsRateButtonGroup, ppsRate);
    CheckById(ui->PpsDurationButtonGroup, ppsDuration == 0 ? 0 : 1);
    ui->IDC_GPS_MODE_LOCAL_TIME->setChecked(bRxOnLocalTime);
    ui->IDC_GPS_MODE_PVT6->setChecked(bEmulatePvt6);
    ui->IDC_GPS_MODE_ALIGN_MESSAGES->setChecked(alignMessages == 1);
    ui->IDC_GPS_MODE_IONOSPHERIC->setChecked(ionosphericDelay == 0);
    ui->IDC_GPS_MODE_TROPOSPHERIC->setChecked(troposphericDelay == 0);
    ui->IDC_GPS_MODE_DGPS_ACTIVATE->setChecked(bDgpsActivate);
    ui->IDC_GPS_MODE_GPS->setChecked(bSatGps);
    ui->IDC_GPS_MODE_GLONASS->setChecked(bSatGlonass);
    ui->IDC_GPS_MODE_GALILEO->setChecked(bSatGalileo);
    ui->IDC_GPS_MODE_BEIDOU->setChecked(bSatBeidou);
    ui->IDC_GPS_MODE_QZSS->setChecked(bSatQzss);
    ui->IDC_GPS_MODE_SBAS->setChecked(bSatSbas);
    for (int k = 0; k < 32; ++k)
        prnBoxes[k]->setChecked((satelliteEnableMask >> k) & 1u);
    ui->IDC_GPS_MODE_ELEVATION_MASK->setText(QString::number(elevationMask));
    NumericField::ShowValidity(ui->IDC_GPS_MODE_ELEVATION_MASK, kElevationLow, kElevationHigh);
    ui->IDC_GPS_MODE_DGPS_RATE->setText(QString::number(dgpsRate));
    NumericField::ShowValidity(ui->IDC_GPS_MODE_DGPS_RATE, kDgpsRateLow, kDgpsRateHigh);
}

bool GpsRxDialog::TakeNumericFields()
{
    return NumericField::Take(this, ui->IDC_GPS_MODE_ELEVATION_MASK, kElevationLow, kElevationHigh,
                              elevationMask)
        && NumericField::Take(this, ui->IDC_GPS_MODE_DGPS_RATE, kDgpsRateLow, kDgpsRateHigh, dgpsRate);
}

void GpsRxDialog::OK_clicked()
{
    if (!TakeNumericFields())
        return;
    SaveSettings();
    WindowGeometry::Save(this, kGeometryKey);
    done(1);
}

void GpsRxDialog::CANCEL_clicked()
{
    reject();
}

void GpsRxDialog::reject()
{
    // The check boxes change the members at once; leaving without OK takes them back.
    LoadSettings();
    WindowGeometry::Save(this, kGeometryKey);
    done(0);
}

void GpsRxDialog::IDC_GPS_MODE_DEFAULTS_clicked()
{
    SetDefaults();
    ShowValues();
}

void GpsRxDialog::IDC_GPS_MODE_LOCAL_TIME_clicked(bool checked)
{
    bRxOnLocalTime = checked;
}

void GpsRxDialog::IDC_GPS_MODE_PVT6_clicked(bool checked)
{
    bEmulatePvt6 = checked;
}

void GpsRxDialog::IDC_GPS_MODE_ALIGN_MESSAGES_clicked(bool checked)
{
    alignMessages = checked ? 1 : 0;
}

void GpsRxDialog::IDC_GPS_MODE_IONOSPHERIC_clicked(bool checked)
{
    ionosphericDelay = checked ? 0 : 1;
}

void GpsRxDialog::IDC_GPS_MODE_TROPOSPHERIC_clicked(bool checked)
{
    troposphericDelay = checked ? 0 : 1;
}

void GpsRxDialog::IDC_GPS_MODE_DGPS_ACTIVATE_clicked(bool checked)
{
    bDgpsActivate = checked;
}

void GpsRxDialog::IDC_GPS_MODE_GPS_clicked(bool checked)
{
    bSatGps = checked;
}

void GpsRxDialog::IDC_GPS_MODE_GLONASS_clicked(bool checked)
{
    bSatGlonass = checked;
}

void GpsRxDialog::IDC_GPS_MODE_GALILEO_clicked(bool checked)
{
    bSatGalileo = checked;
}

void GpsRxDialog::IDC_GPS_MODE_BEIDOU_clicked(bool checked)
{
    bSatBeidou = checked;
}

void GpsRxDialog::IDC_GPS_MODE_QZSS_clicked(bool checked)
{
    bSatQzss = checked;
}

void GpsRxDialog::IDC_GPS_MODE_SBAS_clicked(bool checked)
{
    bSatSbas = checked;
}

void GpsRxDialog::IDC_GPS_MODE_ELEVATION_MASK_textEdited(const QString&)
{
    NumericField::ShowValidity(ui->IDC_GPS_MODE_ELEVATION_MASK, kElevationLow, kElevationHigh);
}

void GpsRxDialog::IDC_GPS_MODE_ELEVATION_MASK_editingFinished()
{
    NumericField::Parse(ui->IDC_GPS_MODE_ELEVATION_MASK->text(), kElevationLow, kElevationHigh, &elevationMask);
}

void GpsRxDialog::IDC_GPS_MODE_DGPS_RATE_textEdited(const QString&)
{
    NumericField::ShowValidity(ui->IDC_GPS_MODE_DGPS_RATE, kDgpsRateLow, kDgpsRateHigh);
}

void GpsRxDialog::IDC_GPS_MODE_DGPS_RATE_editingFinished()
{
    NumericField::Parse(ui->IDC_GPS_MODE_DGPS_RATE->text(), kDgpsRateLow, kDgpsRateHigh, &dgpsRate);
}

void GpsRxDialog::PositionFixButtonGroup_idClicked(int id)
{
    gpsMode = id;
}

void GpsRxDialog::ApplicationTypeButtonGroup_idClicked(int id)
{
    applicationType = id;
}

void GpsRxDialog::SatelliteSelectionButtonGroup_idClicked(int id)
{
    satelliteSelection = id;
}

void GpsRxDialog::FixSatellitesButtonGroup_idClicked(int id)
{
    positionFixMode = id;
}

void GpsRxDialog::GeometryButtonGroup_idClicked(int id)
{
    geometryButton = id;
}

void GpsRxDialog::PpsRateButtonGroup_idClicked(int id)
{
    ppsRate = id;
}

void GpsRxDialog::PpsDurationButtonGroup_idClicked(int id)
{
    ppsDuration = id;
}

void GpsRxDialog::IDC_GPS_MODE_PRN_clicked()
{
    uint32_t mask = 0;
    for (int k = 0; k < 32; ++k) {
        if (prnBoxes[k]->isChecked())
            mask |= 1u << k;
    }
    satelliteEnableMask = mask;
}
