// The main window's own appearance between runs: geometry, toolbar state and the
// View menu choices, under "MainWindow/"; and the writing of the whole store.

#include "mainwindow.h"

#include "gpsnavdialog.h"
#include "referencelocationdialog.h"
#include "statusnotes.h"
#include "storedvalues.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QSettings>

#include <climits>
#include <functional>
#include <utility>

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

// Dialogs set their keys on OK or Cancel, and the View menu's choices on a click: each
// closes when its keys are set, and the store is written then if a key changed, without
// waiting for the next look at the keys.
class SaveWatch : public QObject
{
public:
    SaveWatch(MainWindow* window, std::function<void()> check) : QObject(window), check(std::move(check))
    {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Hide && (qobject_cast<QDialog*>(watched) || qobject_cast<QMenu*>(watched)))
            check();
        return false;
    }

private:
    std::function<void()> check;
};

}  // namespace

void MainWindow::QueueSettingsWrite()
{
    // From the event loop: a dialog closes while the keys it wrote are still on their
    // way to the file.
    settingsWriteTimer.start(0);
}

void MainWindow::WriteSettingsStore()
{
    const QString problem = settingsStore.WriteIfChanged();
    const QString file = settingsStore.FileName();
    const QString unread = settingsStore.Unread();
    QString note;
    if (!unread.isEmpty())
        note = QStringLiteral("Settings not read: %1 (%2), running on defaults").arg(file, unread);
    else if (!problem.isEmpty())
        note = QStringLiteral("Settings not saved: ") + problem;
    if (note != settingsNote) {
        if (!note.isEmpty())
            qWarning("%s", qPrintable(note));
        else
            qInfo("Settings saved again: %s", qPrintable(file));
        settingsNote = note;
    }
    ShowStatusNote(settingsNoteLabel, note, file);
    if (!note.isEmpty())
        settingsWriteTimer.start(kSettingsRetryMs);
}

void MainWindow::RestoreMainWindowSettings()
{
    settingsWriteTimer.setSingleShot(true);
    connect(&settingsWriteTimer, &QTimer::timeout, this, &MainWindow::WriteSettingsStore);
    new SaveWatch(this, [this] { QueueSettingsWrite(); });
    // A key set anywhere else, by a remote command, the receiver search or a decoder, say:
    // on disk well within a second, and what was set together in one write.
    connect(&settingsWatchTimer, &QTimer::timeout, this, [this] {
        if (settingsStore.TakeChange())
            QueueSettingsWrite();
    });
    settingsWatchTimer.start(kSettingsWatchMs);
    // The keys repaired while the window is built are set by then.
    QueueSettingsWrite();

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
        StoredValues::SayRefused(settings, "MainWindow/Navigation Data Format", QStringLiteral("0"));
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
    settings.sync();
    WriteSettingsStore();
}
