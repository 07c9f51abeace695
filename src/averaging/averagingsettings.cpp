// The averaging parameters, restart flags, reference location and averages in the
// settings store: what is read back is checked, and a bad value is repaired and written
// back at once so the store never keeps it.

#include "gpsnavdialog.h"

#include "storedvalues.h"
#include "ui_gpsnavdialog.h"
#include "windowgeometry.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QSettings>

#include <cmath>

namespace {

// The stored number when it lies in [low, high]; otherwise the default, which is also
// written back in the key's stored form.
double CheckedNumber(QSettings& settings, const char* key, double absent, double low, double high,
                     const char* form)
{
    return StoredValues::Real(settings, QLatin1String(key), absent, low, high, absent, form);
}

// A field's text as one decimal number, 0 when it is not one.
double FieldNumber(const QLineEdit* field)
{
    bool ok = false;
    const double value = field->text().trimmed().toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0.0;
}

constexpr const char* kLimitForm = "%08.1f";
constexpr const char* kWeightForm = "%04.1f";
constexpr double kMaxLimit = 999999.0;

}  // namespace

void GpsNavDialog::LoadSettings(bool bWithAverages)
{
    WindowGeometry::Restore(this, QStringLiteral("GpsNavDialog/geometry"));
    QSettings settings;
    LoadRefLocation();
    bRefLocOnStart = StoredValues::Switch(settings, "GpsNavDialog/RefLocation/Ref_Loc_On_Start", true);

    positionFilterLimit = CheckedNumber(settings, "GpsNavDialog/Averaging Data/Position Weight Limit", 28800.0,
                                        1.0, kMaxLimit, kLimitForm);
    rmsFilterLimit = CheckedNumber(settings, "GpsNavDialog/Averaging Data/RMS Weight Limit", 86400.0, 1.0,
                                   kMaxLimit, kLimitForm);
    timingFilterLimit = CheckedNumber(settings, "GpsNavDialog/Averaging Data/Timing Weight Limit", 28800.0, 1.0,
                                      kMaxLimit, kLimitForm);
    bUseDopWeighting = StoredValues::Switch(settings, "GpsNavDialog/Averaging Data/Use DOP Weighting", true);
    hdopWeight = CheckedNumber(settings, "GpsNavDialog/Averaging Data/HDOP Weight", 1.5, 0.0, 99.0, kWeightForm);
    vdopWeight = CheckedNumber(settings, "GpsNavDialog/Averaging Data/VDOP Weight", 2.0, 0.0, 99.0, kWeightForm);
    tdopWeight = CheckedNumber(settings, "GpsNavDialog/Averaging Data/TDOP Weight", 1.5, 0.0, 99.0, kWeightForm);
    bRestartOnUnlock = StoredValues::Switch(settings, "GpsNavDialog/Averaging Data/Restart Averages On Unlock", true);
    // Set means "continue with the saved averages", whatever the key's name says.
    bContinueOnRestart = StoredValues::Switch(settings, "GpsNavDialog/Averaging Data/Restart Averages On Startup", false);
    if (bWithAverages)
        LoadAverages();
    if (DopWeightingUnsupported()) {
        bUseDopWeighting = false;
        DisableDopWeightingControls();
    }
}

void GpsNavDialog::SaveSettings()
{
    // Each check may say what is wrong, but the save goes on whatever they find.
    for (int field = PositionLimit; field < FieldCount; ++field)
        CheckWhenLeft(static_cast<Field>(field));

    bUseDopWeighting = ui->IDC_USE_DOP_WEIGHTING->isChecked();
    vdopWeight = FieldNumber(ui->IDC_VDOP_WEIGHTING_VALUE);
    tdopWeight = FieldNumber(ui->IDC_TDOP_WEIGHTING_VALUE);
    hdopWeight = FieldNumber(ui->IDC_HDOP_WEIGHTING_VALUE);
    positionFilterLimit = FieldNumber(ui->IDC_POS_FILTER_LIMIT);
    rmsFilterLimit = FieldNumber(ui->IDC_RMS_FILTER_LIMIT);
    timingFilterLimit = FieldNumber(ui->IDC_TIMING_FILTER_LIMIT);
    bRestartOnUnlock = ui->IDC_RESTART_AVG_ON_UNLOCK->isChecked();
    bContinueOnRestart = ui->IDC_CONT_ON_PROG_RESTART->isChecked();
    SaveGeometry();

    SaveAverages();
    QSettings settings;
    settings.setValue("GpsNavDialog/Averaging Data/Position Weight Limit",
                      QString::asprintf(kLimitForm, positionFilterLimit));
    settings.setValue("GpsNavDialog/Averaging Data/RMS Weight Limit", QString::asprintf(kLimitForm, rmsFilterLimit));
    settings.setValue("GpsNavDialog/Averaging Data/Timing Weight Limit",
                      QString::asprintf(kLimitForm, timingFilterLimit));
    settings.setValue("GpsNavDialog/Averaging Data/Use DOP Weighting", bUseDopWeighting);
    settings.setValue("GpsNavDialog/Averaging Data/HDOP Weight", QString::asprintf(kWeightForm, hdopWeight));
    settings.setValue("GpsNavDialog/Averaging Data/VDOP Weight", QString::asprintf(kWeightForm, vdopWeight));
    settings.setValue("GpsNavDialog/Averaging Data/TDOP Weight", QString::asprintf(kWeightForm, tdopWeight));
    settings.setValue("GpsNavDialog/Averaging Data/Restart Averages On Unlock", bRestartOnUnlock);
    settings.setValue("GpsNavDialog/Averaging Data/Restart Averages On Startup", bContinueOnRestart);
    settings.setValue("GpsNavDialog/RefLocation/Ref_Loc_On_Start", bRefLocOnStart);
}
