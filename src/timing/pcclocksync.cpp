// Turns the stored PC clock settings into the working state, and makes sure the
// program may set the system clock at all.

#include "mainwindow.h"

#include "builddate.h"
#include "setpcclockdialog.h"
#include "pctime.h"
#include "statusnotes.h"
#include "storedvalues.h"
#include "systemclock.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSettings>
#include <QStatusBar>

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace {

// Whether the clock's mode makes a set due at the receiver second upTo: one time and
// every second at any second, the others at the top of each minute, hour or day that
// came since the second after, the one this was last asked for. A top whose second
// itself went by unseen (its time message lost, no pulse to stand in for it) is due at
// the first second after it.
bool DueByMode(int mode, const QDateTime& after, const QDateTime& upTo)
{
    int64_t periodSecs = 0;
    switch (mode) {
    case 1:
    case 2:
        return true;
    case 3:
        periodSecs = 60;
        break;
    case 4:
        periodSecs = 3600;
        break;
    case 5:
        periodSecs = 86400;
        break;
    default:
        return false;
    }
    const int64_t toSecs = upTo.toSecsSinceEpoch();
    const int64_t fromSecs = after.isValid() && after < upTo ? after.toSecsSinceEpoch() : toSecs - 1;
    const auto period = [periodSecs](int64_t secs) {
        return secs >= 0 ? secs / periodSecs : (secs + 1) / periodSecs - 1;
    };
    return period(toSecs) != period(fromSecs);
}

// A span of ms as an operator reads it: "3 h 0 min 0.000 s", "12.345 s".
QString SpanText(int64_t ms)
{
    const int64_t hours = ms / 3600000;
    const int64_t minutes = ms / 60000 % 60;
    const QString seconds = QString::number((ms % 60000) / 1000.0, 'f', 3) + QStringLiteral(" s");
    if (hours > 0)
        return QStringLiteral("%1 h %2 min ").arg(hours).arg(minutes) + seconds;
    return minutes > 0 ? QStringLiteral("%1 min ").arg(minutes) + seconds : seconds;
}

// The largest correction in the unit it was most likely chosen in.
QString LimitText(int64_t seconds)
{
    if (seconds % 3600 == 0)
        return QStringLiteral("%1 h").arg(seconds / 3600);
    return seconds % 60 == 0 ? QStringLiteral("%1 min").arg(seconds / 60) : QStringLiteral("%1 s").arg(seconds);
}

}  // namespace

void MainWindow::actionSet_PC_Clock_triggered()
{
    if (!setPcClockDialog)
        setPcClockDialog = new SetPcClockDialog(this);
    if (setPcClockDialog->exec() != 0)
        ApplyPcClockSyncSettings();
}

namespace {

// A path as one word of a shell command line that can be pasted as it stands.
QString ShellWord(const QString& path)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9/._+-]+$"));
    if (plain.match(path).hasMatch())
        return path;
    return QLatin1Char('\'') + QString(path).replace(QLatin1Char('\''), QStringLiteral("'\\''")) + QLatin1Char('\'');
}

}  // namespace

void MainWindow::ApplyPcClockSyncSettings()
{
    QSettings settings;
    pcSyncMode = StoredValues::Integer(settings, "SetPcClockDialog/Time Sync Mode", 0, 0, 5, 0);
    bPcSyncOnDelta = StoredValues::Switch(settings, "SetPcClockDialog/Time Sync Delta", false);
    pcSyncDeltaMs = StoredValues::Integer(settings, "SetPcClockDialog/Time Sync Delta Msec", 1);

    // Read as an int, so that no stored quantity can overflow the product below.
    const int64_t quantity = StoredValues::Integer(settings, "SetPcClockDialog/Time Sync Max Qty", 2);
    const int units = StoredValues::Integer(settings, "SetPcClockDialog/Time SyncMax Units", 0);
    const bool maxOn = StoredValues::Switch(settings, "SetPcClockDialog/Time Sync Max On", false);
    pcSyncMaxInterval = 0;
    if (maxOn) {
        if (units == 0)
            pcSyncMaxInterval = quantity * 3600;
        else if (units == 1)
            pcSyncMaxInterval = quantity * 60;
        else if (units == 2)
            pcSyncMaxInterval = quantity;
    }

    bPcClockSetFailReported = false;
    bPcLimitReported = false;
    bPcSetOwed = false;
    pcSetOwedSince = QDateTime();
    ShowStatusNote(clockSetLabel, QString());
    // The error rule sets the clock on its own, so it needs the right as much as a mode.
    if (pcSyncMode == 0 && !bPcSyncOnDelta)
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
        QStringLiteral("<p>To correct, give the program's executable the CAP_SYS_TIME capability, "
                       "for example with<br/><tt>sudo setcap cap_sys_time+ep ") +
        ShellWord(QCoreApplication::applicationFilePath()).toHtmlEscaped() +
        QStringLiteral("</tt><br/>(again after each rebuild or update of the program), "
                       "or run it as root with the CAP_SYS_TIME capability.</p>");
    // At start-up the window is not on screen yet: the box is to stand over it, where the
    // operator looks, not alone on an empty desktop.
    if (!isVisible())
        show();
    QMessageBox box(this);
    box.setIcon(QMessageBox::Warning);
    box.setText(text);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);  // the command is there to be copied
    box.exec();

    pcSyncMode = 0;
    // Synchronisation is off as the box says: the error rule too, for this run. Its
    // stored choice stays, so the dialog shows it and asks for the right again on OK.
    bPcSyncOnDelta = false;
    settings.setValue("SetPcClockDialog/Time Sync Mode", 0);
}

void MainWindow::OweClockSet(const QDateTime& dueUtc, const QString& waitsFor)
{
    if (!bPcSetOwed) {
        bPcSetOwed = true;
        pcSetOwedSince = dueUtc;
        pcSetOwedAtMs = UtcDateTime::SteadyMSecs();
        return;
    }
    // Ten seconds of waiting is no longer a second's mishap: the operator hears of it.
    if (UtcDateTime::SteadyMSecs() - pcSetOwedAtMs < kClockSetOwedNoteMs)
        return;
    const QString since =
        pcSetOwedSince.isValid()
            ? QLocale::c().toString(pcSetOwedSince, QStringLiteral("HH:mm:ss")) + QStringLiteral(" UTC")
            : QStringLiteral("%1 s").arg((UtcDateTime::SteadyMSecs() - pcSetOwedAtMs) / 1000);
    const QString text = QStringLiteral("PC clock not set since a set fell due at %1: %2").arg(since, waitsFor);
    if (!clockSetLabel || clockSetLabel->toolTip() != text)
        qDebug("%s", qPrintable(text));
    ShowStatusNote(clockSetLabel, text);
}

QString MainWindow::ClockGuardNote(const QDate& receiverDate, const QDate& builtOn)
{
    // 1024 weeks is the whole span a receiver's week number can count; a date further
    // ahead than that is a glitch, not time passing.
    constexpr int kRolloverDays = 1024 * 7;
    const auto day = [](const QDate& date) { return QLocale::c().toString(date, QStringLiteral("dd-MMM-yyyy")); };
    if (receiverDate < builtOn)
        return QStringLiteral("GPS week rollover? PC clock not set: receiver date %1 is before this "
                              "program's build date %2")
            .arg(day(receiverDate), day(builtOn));
    if (receiverDate > builtOn.addDays(kRolloverDays))
        return QStringLiteral("Receiver date wrong, PC clock not set: %1 is more than 1024 weeks after "
                              "this program's build date %2")
            .arg(day(receiverDate), day(builtOn));
    return QString();
}

void MainWindow::ShowClockGuardNote(const QString& note)
{
    if (!note.isEmpty() && clockGuardLabel && clockGuardLabel->toolTip().isEmpty())
        qDebug("%s", qPrintable(note));
    ShowStatusNote(clockGuardLabel, note);
}

std::optional<int64_t> MainWindow::PcAtSecondStartMs() const
{
    if (!pcTimeSample.isValid())
        return std::nullopt;
    return pcTimeSample.toMSecsSinceEpoch() - pcSampleIntoSecondMs;
}

std::optional<int64_t> MainWindow::PcClockOffsetAgainst(const QDateTime& second,
                                                        std::optional<int64_t> pcAtStartMs) const
{
    // A held time that a date out of range moves on is not the receiver's second.
    if (!pcAtStartMs || !second.isValid() || !receiverDateOutOfRange.isEmpty())
        return std::nullopt;
    return *pcAtStartMs - (second.toMSecsSinceEpoch() + displayTime.NetOffsetMs());
}

// The clock half of the per-second status record. The PC clock is measured against,
// and set to, the UTC that the big clock shows for this second: the receiver's second
// with the display's net millisecond offset. pcClockOffsetMs is positive when the PC is
// ahead of the receiver.
void MainWindow::SyncPcClockThisSecond()
{
    pcTimeSample = PcTime::CurrentLocal();
    // A tick waits for this second's time message. Its second began at the pulse's edge,
    // some ms before the tick got here (more under load): the time since is the
    // receiver's too. A tick whose edge the port did not see has no such time.
    const bool bTickAwaits = bPpsAwaitingTime[0];
    const int64_t edgeMs = gpsPortThread.EdgeMs();
    const int64_t steadyMs = UtcDateTime::SteadyMSecs();
    const bool bPulseTick = bTickAwaits && edgeMs >= 0;
    pcSampleIntoSecondMs = bPulseTick ? std::max<int64_t>(steadyMs - edgeMs, 0) : 0;
    // The second this is: the receiver's, or with a tick that had no time message, the
    // one the tick stands in for, a second on for each such tick.
    const QDateTime second =
        receiverTime.dateTime.isValid() ? receiverTime.dateTime.addSecs(secondsStoodIn) : QDateTime();
    // Before the receiver's first time, or once its last is too old to stand in for, the
    // second is not the receiver's: the window shows no figure.
    pcClockOffsetMs = LogClockIsReceivers() ? PcClockOffsetAgainst(second, PcAtSecondStartMs()) : std::nullopt;
    if (!pcTimeSample.isValid() || !second.isValid())
        return;
    const int64_t receiverMs = second.toMSecsSinceEpoch() + displayTime.NetOffsetMs() + pcSampleIntoSecondMs;

    // Only a time message moves the receiver time on; before the first, it is the PC's own.
    // A time held through a date out of range moves on every second as well, but the
    // receiver never gave it; and a given time that does not follow the one before it
    // (a day ahead and back, a garbage second) is not trusted until the next one does.
    const bool bMoved = pcSyncLastReceiverTime.isValid() && receiverTime.dateTime != pcSyncLastReceiverTime;
    const bool bGiven = bMoved && receiverDateOutOfRange.isEmpty();
    const bool bFreshTime = bGiven && receiverTimeCheck.Follows();
    pcSyncLastReceiverTime = receiverTime.dateTime;

    // Said whether or not a set is due, so that the operator sees it before it matters.
    // Only a date the receiver has just sent is judged.
    const QString clockGuard =
        ClockGuardNote(QDateTime::fromMSecsSinceEpoch(receiverMs, Qt::UTC).date(), BuildDate::Day());
    const bool bSyncing = pcSyncMode != 0 || bPcSyncOnDelta;
    // A date before the build or far after it outlasts any step to it: that one is said.
    // A time out of step may only have come late: it is said as seen, and the PC clock
    // is named only while it is to be set.
    if (!bGiven && bMoved)
        ShowClockGuardNote(QStringLiteral("Receiver date out of range, PC clock not set: its time messages give ") +
                           receiverDateOutOfRange);
    else if (bGiven && clockGuard.isEmpty() && receiverTimeCheck.Jumped())
        ShowClockGuardNote(QStringLiteral("Receiver time out of step") +
                           (bSyncing ? QStringLiteral(", PC clock not set: ") : QStringLiteral(": ")) +
                           receiverTimeCheck.JumpText());
    else if (bGiven)
        ShowClockGuardNote(clockGuard);

    // A set falls due by the mode at the receiver's second (the one a tick stands in
    // for included), by the error rule, across a leap second (which a tick may have made
    // a second early), or because one that fell due earlier is still owed. A second that
    // is not the receiver's makes nothing due.
    const int64_t errorMs = pcClockOffsetMs ? std::llabs(*pcClockOffsetMs) : 0;
    const bool bKnown = pcClockOffsetMs.has_value();
    const QDateTime lastSecond = pcSyncLastSecond;
    if (bKnown)
        pcSyncLastSecond = second;
    const bool bDue =
        bSyncing && (bPcSetOwed || (bKnown && (DueByMode(pcSyncMode, lastSecond, second) ||
                                               (bPcSyncOnDelta && errorMs >= pcSyncDeltaMs) ||
                                               (bFreshTime && receiverTimeCheck.LeapSecond()))));
    if (!bDue)
        return;
    // No limit or override may carry an implausible date into the PC clock: twenty years
    // back, or ahead, goes every file time and certificate check with it.
    if (!clockGuard.isEmpty())
        return;
    const bool bOverrideTraim = setPcClockDialog && setPcClockDialog->bOverrideTraim;
    const bool bOverrideIntegrity = setPcClockDialog && setPcClockDialog->bOverrideIntegrity;
    const bool bPulseComing = gpsPortThread.PulseComing();
    // A tick sets the time before it moved on by a second. Where the receiver has
    // announced a second to be added, the tick that would make it midnight at a month's
    // end may be that second, 23:59:60; and after a time that a receiver sending once a
    // second gave in it (23:59:59.9, named 00:00:00, a second early), the tick after it
    // too. The set waits for the next time that follows.
    const QDateTime tickUtc = second.toUTC();
    const int64_t leapTicksMs = receiverRate.NamedNextMinute() ? 2000 : 1000;
    const bool bMaybeLeapTick = bTickAwaits && leapSecondPending == 1 && tickUtc.date().day() == 1 &&
                                tickUtc.time().msecsSinceStartOfDay() < leapTicksMs;
    // What keeps the set from being made at this second. While a chosen pulse keeps
    // coming, a message that no tick waits for is one whose edge was not seen, or one
    // that came after the next pulse. With a pulse, the tick's second is the time taken
    // after the pulse before it, and one: only where that time named that pulse's second,
    // and no pulse was missed since. Each of these makes the set owed, made at the next
    // second that can make it. Without 1PPS only the TRAIM override lets a time message
    // alone set the clock, and only the integrity override a receiver out of lock: these
    // owe nothing of their own, but keep a set already owed waiting.
    QString waitsFor;
    bool bOwes = true;
    if (!bTickAwaits && bPulseComing) {
        waitsFor = QStringLiteral("no 1PPS edge came before the receiver's time message");
    } else if ((!bTickAwaits && !bOverrideTraim) || ((!bTickAwaits || bOutOfLock) && !bOverrideIntegrity)) {
        waitsFor = bTickAwaits ? QStringLiteral("the receiver is out of lock") : QStringLiteral("no 1PPS pulse comes");
        bOwes = false;
    } else if (bPulseTick && gpsPortThread.PulseInDoubt()) {
        waitsFor = QStringLiteral("the 1PPS pulse is in doubt");
    } else if (!bMoved) {
        waitsFor = QStringLiteral("no receiver time message came for the second");
    } else if (!bFreshTime) {
        waitsFor = QStringLiteral("the receiver's time does not follow its run");
    } else if (bPulseTick && !pulseTimeCheck.NamesPulseBefore(edgeMs)) {
        waitsFor = QStringLiteral("the receiver's time does not belong to its 1PPS pulse");
    } else if (bMaybeLeapTick) {
        waitsFor = QStringLiteral("a leap second may fall at this tick");
    }
    if (!waitsFor.isEmpty()) {
        if (bOwes || bPcSetOwed)
            OweClockSet(bKnown ? second.toUTC() : QDateTime(), waitsFor);
        return;
    }
    if (pcSyncMaxInterval > 0 && errorMs / 1000 > pcSyncMaxInterval) {
        const QString text = QStringLiteral("PC clock not set: it is %1 %2 the receiver, more than the largest "
                                            "correction allowed, %3")
                                 .arg(SpanText(errorMs),
                                      pcClockOffsetMs.value_or(0) > 0 ? QStringLiteral("ahead of")
                                                                      : QStringLiteral("behind"),
                                      LimitText(pcSyncMaxInterval));
        if (!bPcLimitReported)
            qDebug("%s", qPrintable(text));
        bPcLimitReported = true;
        ShowStatusNote(clockSetLabel, text);
        return;
    }
    bPcSetOwed = false;
    pcSetOwedSince = QDateTime();

    const int error = SystemClock::SetSystemUtcTime(QDateTime::fromMSecsSinceEpoch(receiverMs, Qt::UTC));
    if (error != 0) {
        // A note for as long as the clock cannot be set; the debug log hears of it once, as
        // it would otherwise every second.
        const QString text = QStringLiteral("Failed to set the PC clock: ") + SystemClock::ErrorText(error);
        if (!bPcClockSetFailReported)
            qDebug("%s", qPrintable(text));
        bPcClockSetFailReported = true;
        ShowStatusNote(clockSetLabel, text);
        return;
    }
    qDebug("Time Set OK");
    ShowStatusNote(clockSetLabel, QString());
    bPcClockSetFailReported = false;
    bPcLimitReported = false;
    bPcClockWasSet = true;
    if (pcSyncMode == 1) {
        // One time means once per application of the settings; the store keeps 1.
        pcSyncMode = 0;
        if (setPcClockDialog)
            setPcClockDialog->syncMode = 0;
    }
}
