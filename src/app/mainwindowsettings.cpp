// The main window's own appearance between runs: geometry, toolbar state and the
// View menu choices, under "MainWindow/".

#include "mainwindow.h"

#include "gpsnavdialog.h"
#include "referencelocationdialog.h"
#include "storedvalues.h"
#include "ui_mainwindow.h"

#include <QSettings>

#include <climits>

namespace {

// Reads a switch; a key that is missing gets its default, which is also written back so
// the store always shows what the program uses. A stored text that is no switch is taken
// and stored as the default too.
bool ReadSwitchWithDefault(QSettings& settings, const QString& key, bool defaultValue)
{
    return StoredValues::Switch(settings, key, defaultValue, StoredValues::Repair::Complete);
}

// The same for a number; one that is no int, or lies outside [low, high], is taken
// and stored as the default too.
int ReadIntWithDefault(QSettings& settings, const QString& key, int defaultValue, int low = INT_MIN,
                       int high = INT_MAX)
{
    return StoredValues::Integer(settings, key, defaultValue, low, high, defaultValue,
                                  StoredValues::Repair::Complete);
}

}  // namespace

void MainWindow::RestoreMainWindowSettings()
{
    QSettings settings;

    if (settings.contains("MainWindow/geometry"))
        restoreGeometry(settings.value("MainWindow/geometry").toByteArray());
    if (settings.contains("MainWindow/windowState"))
        restoreState(settings.value("MainWindow/windowState").toByteArray(), 0);

    clockDisplayMode = ReadIntWithDefault(settings, "MainWindow/ClockDisplay", 0);
    QAction* const clockActions[8] = {ui->actionUTC, ui->actionPC,  ui->actionLMST, ui->actionGMST,
                                      ui->actionMJD, ui->actionPC_U, ui->actionTIC, ui->actionTIC_Raw};
    if (clockDisplayMode >= 0 && clockDisplayMode < 8)
        clockActions[clockDisplayMode]->setChecked(true);

    navDataFormat = ReadIntWithDefault(settings, "MainWindow/Navigation Data Format", 0);
    if (navDataFormat == 3 || navDataFormat == 4) {
        navDataFormat = 0;
        settings.setValue("MainWindow/Navigation Data Format", 0);
    }
    QAction* const formatActions[3] = {ui->actiondegrees_dd_ddd, ui->actiondegrees_minutes_dd_mm_mmm,
                                       ui->actiondegrees_minutes_seconds_dd_mm_ss_sss};
    if (navDataFormat >= 0 && navDataFormat < 3)
        formatActions[navDataFormat]->setChecked(true);

    referenceLocationDialog->SetAngleFormat(navDataFormat);

    double lat = 0.0, lon = 0.0, altGps = 0.0, altMsl = 0.0;
    gpsNavDialog->GetRefLocation(&lat, &lon, &altGps, &altMsl);
    displayTime.SetLocation(lat, lon);
    receiverTime.SetLocation(lat, lon);

    ui->actionToolbar->setChecked(ReadSwitchWithDefault(settings, "MainWindow/Toolbar Visible", true));

    // The sort buttons are indexed by this value: anything else than a sort order
    // (0 to 3) or "none" (4) is taken as "none" and stored so.
    satelliteSortMode = ReadIntWithDefault(settings, "MainWindow/Satellite Sort Mode", 4, 0, 4);

    bTickSound = ReadSwitchWithDefault(settings, "MainWindow/Sound", true);
    bOutOfLockSound = ReadSwitchWithDefault(settings, "MainWindow/Sound OOL", true);
    if (bTickSound && bOutOfLockSound)
        ui->actionSoundAll->setChecked(true);
    else if (bTickSound)
        ui->actionSoundClockTicksOnly->setChecked(true);
    else if (bOutOfLockSound)
        ui->actionSoundOutOfLockOnly->setChecked(true);
    else
        ui->actionSoundNone->setChecked(true);
}

void MainWindow::SaveWindowSettings()
{
    QSettings settings;
    settings.setValue("MainWindow/geometry", saveGeometry());
    settings.setValue("MainWindow/windowState", saveState(0));
}
