// Turns the stored PC clock settings into the working state, and makes sure the
// program may set the system clock at all.

#include "mainwindow.h"

#include "setpcclockdialog.h"
#include "pctime.h"
#include "systemclock.h"

#include <QMessageBox>
#include <QSettings>

void MainWindow::actionSet_PC_Clock_triggered()
{
    if (!setPcClockDialog)
        setPcClockDialog = new SetPcClockDialog(this);
    if (setPcClockDialog->exec() != 0)
        ApplyPcClockSyncSettings();
}

void MainWindow::ApplyPcClockSyncSettings()
{
    QSettings settings;
    pcSyncMode = settings.value("SetPcClockDialog/Time Sync Mode", 0).toInt();
    if (pcSyncMode < 0 || pcSyncMode > 5)
        pcSyncMode = 0;
    bPcSyncOnDelta = settings.value("SetPcClockDialog/Time Sync Delta", false).toBool();
    pcSyncDeltaMs = settings.value("SetPcClockDialog/Time Sync Delta Msec", 1).toInt();

    const int64_t quantity = settings.value("SetPcClockDialog/Time Sync Max Qty", 2).toLongLong();
    const int units = settings.value("SetPcClockDialog/Time SyncMax Units", 0).toInt();
    const bool maxOn = settings.value("SetPcClockDialog/Time Sync Max On", false).toBool();
    pcSyncMaxInterval = 0;
    if (maxOn) {
        if (units == 0)
            pcSyncMaxInterval = quantity * 3600;
        else if (units == 1)
            pcSyncMaxInterval = quantity * 60;
        else if (units == 2)
            pcSyncMaxInterval = quantity;
    }

    if (pcSyncMode == 0)
        return;

    const int error = SystemClock::RequestSetTimePrivilege();
    if (error == 0)
        return;
    qDebug("Failed to adjust privileges");

    const QString text =
        QStringLiteral("<b>Horalux cannot set the system time</b><br/>because it cannot get the "
                       "Set System Time Privilege.<br/>") +
        QStringLiteral("System Error: <br/>\"") + SystemClock::ErrorText(error).trimmed() +
        QStringLiteral("\"") +
        QStringLiteral("<p><b>Disabling system clock synchronization.</b><br/>Use Set PC Clock on "
                       "the main menu to re-enable.</p>") +
        QStringLiteral("<p>To correct, use the Windows application \"Local Security Policy\" to ") +
        QStringLiteral("add this user to \"Local Policies\" / \"User Rights Policies\" / \"Change "
                       "the system Time\".<br/>") +
        QStringLiteral("The user must log out and back in for this change to take effect.<br/>") +
        QStringLiteral("This may be necessary even if the user is an administrator.</p>");
    QMessageBox box;
    box.setIcon(QMessageBox::Warning);
    box.setText(text);
    box.exec();

    pcSyncMode = 0;
    settings.setValue("SetPcClockDialog/Time Sync Mode", 0);
}

void MainWindow::SyncPcClockThisSecond()
{
    pcTimeSample = PcTime::CurrentLocal();
}
