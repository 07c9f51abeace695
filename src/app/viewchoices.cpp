// View menu choices: toolbar, navigation data format, sounds and the big clock.
// Each stores its choice at once; the displays pick it up at the next clock refresh.

#include "mainwindow.h"

#include "referencelocationdialog.h"
#include "ui_mainwindow.h"

#include <QSettings>

void MainWindow::actionToolbar_triggered()
{
    const bool visible = ui->actionToolbar->isChecked();
    QSettings().setValue("MainWindow/Toolbar Visible", visible);
    ui->toolBar->setVisible(visible);
}

void MainWindow::SetNavDataFormat(int format)
{
    navDataFormat = format;
    QSettings().setValue("MainWindow/Navigation Data Format", format);
    if (referenceLocationDialog)
        referenceLocationDialog->SetAngleFormat(format);
}

void MainWindow::actiondegrees_dd_ddd_triggered() { SetNavDataFormat(0); }
void MainWindow::actiondegrees_minutes_dd_mm_mmm_triggered() { SetNavDataFormat(1); }
void MainWindow::actiondegrees_minutes_seconds_dd_mm_ss_sss_triggered() { SetNavDataFormat(2); }

void MainWindow::SetSoundChoice(bool tick, bool outOfLock)
{
    bTickSound = tick;
    bOutOfLockSound = outOfLock;
    QSettings settings;
    settings.setValue("MainWindow/Sound", tick);
    settings.setValue("MainWindow/Sound OOL", outOfLock);
}

void MainWindow::actionSoundAll_triggered() { SetSoundChoice(true, true); }
void MainWindow::actionSoundOutOfLockOnly_triggered() { SetSoundChoice(false, true); }
void MainWindow::actionSoundClockTicksOnly_triggered() { SetSoundChoice(true, false); }
void MainWindow::actionSoundNone_triggered() { SetSoundChoice(false, false); }

void MainWindow::SetClockDisplayMode(int mode)
{
    clockDisplayMode = mode;
    QSettings().setValue("MainWindow/ClockDisplay", mode);
    ui->ClockDisplay->clear();
}

void MainWindow::actionUTC_triggered() { SetClockDisplayMode(0); }
void MainWindow::actionPC_triggered() { SetClockDisplayMode(1); }
void MainWindow::actionLMST_triggered() { SetClockDisplayMode(2); }
void MainWindow::actionGMST_triggered() { SetClockDisplayMode(3); }
void MainWindow::actionMJD_triggered() { SetClockDisplayMode(4); }
void MainWindow::actionPC_U_triggered() { SetClockDisplayMode(5); }
void MainWindow::actionTIC_triggered() { SetClockDisplayMode(6); }
void MainWindow::actionTIC_Raw_triggered() { SetClockDisplayMode(7); }
