// The time displays of the main window: the big clock, the GPS, PC and sidereal
// panels, the position table, and the time tag of the log lines.

#include "mainwindow.h"

#include "gpsnavdialog.h"
#include "gpsrxdialog.h"
#include "setpcclockdialog.h"
#include "ui_mainwindow.h"

#include "pctime.h"
#include "tablecells.h"

#include <QTimeZone>

namespace {

// The receiver's second with the net offset of the display in milliseconds. A
// negative offset puts the instant in the second before the labelled one; that is
// worked out on a copy, the receiver clock stays as the decoder set it.
QString ReceiverClockText(const UtcDateTime& receiver, int netMs)
{
    const QString format = QStringLiteral("HH:mm.ss.");
    if (netMs < 0)
        return receiver.AddSecs(-1).toString(format) + QString::asprintf("%03d", 1000 + netMs);
    return receiver.ToString(format) + QString::asprintf("%03d", netMs);
}

QString PcClockPanelText()
{
    const QDateTime local = PcTime::CurrentLocal();
    const QTimeZone zone = local.timeZone();
    const QTimeZone::TimeType type =
        zone.isDaylightTime(local) ? QTimeZone::DaylightTime : QTimeZone::StandardTime;
    return local.toString(QStringLiteral("hh:mm:ss.zzz")) + QStringLiteral("<br>") +
           zone.displayName(type);
}

// Splits a position text into its four cells at the "<br>" marks; whatever follows
// the third mark belongs to the last cell.
void SplitPositionText(const QString& text, QString pieces[4])
{
    const QString mark = QStringLiteral("<br>");
    const QStringList parts = text.split(mark);
    for (int k = 0; k < 3; ++k)
        pieces[k] = parts.value(k);
    pieces[3] = parts.mid(3).join(mark);
}

}  // namespace

void MainWindow::UpdateClockDisplay()
{
    if (bShuttingDown)
        return;

    // The timing offsets belong to the displayed clock (the receiver's echoes set
    // them there), so the copy takes only the time and the site.
    const int netMs = displayTime.NetOffsetMs();
    // Ticks without a time message stand in with the seconds they prove passed; the
    // receiver clock itself stays as its decoder set it.
    UtcDateTime shown = receiverTime;
    if (secondsStoodIn > 0)
        shown.SetDateTime(receiverTime.AddSecs(secondsStoodIn));
    displayTime.dateTime = shown.dateTime;
    displayTime.mjd = shown.mjd;
    displayTime.SetLocation(receiverTime.latitude, receiverTime.longitude);

    const QString receiverClock = ReceiverClockText(shown, netMs);

    switch (clockDisplayMode) {
    case 0:
        ticClockText = receiverClock;
        ui->ClockDisplay->setText(ticClockText);
        break;
    case 1:
        ui->ClockDisplay->setText(PcTime::CurrentLocal().toString(QStringLiteral("hh:mm:ss.zzz")));
        break;
    case 2:
        ui->ClockDisplay->setText(displayTime.SiderealTimeText(1));
        break;
    case 3:
        ui->ClockDisplay->setText(displayTime.SiderealTimeText(0));
        break;
    case 4:
        ui->ClockDisplay->setText(displayTime.MjdText());
        break;
    case 5:
        // Measured against the second shown; nothing while no receiver second is known.
        ui->ClockDisplay->setText(
            pcClockOffsetMs ? QString::asprintf("%05.3f", static_cast<double>(*pcClockOffsetMs) / 1000.0) : QString());
        break;
    default:
        // The TIC modes: the counter processing writes the big clock.
        break;
    }

    QString& gpsText = clockTexts[1];
    gpsText = QString::asprintf("UTC Day #%.3i  ", displayTime.DayOfYear());
    gpsText += receiverClock + QStringLiteral("<br>");
    gpsText += displayTime.ToString(QStringLiteral("dddd, dd-MMM-yyyy")) + QStringLiteral("<br>");
    gpsText += QString::asprintf("GPS Week = %u", displayTime.GpsWeek());
    if (utcOffsetSecs > 0)
        gpsText += QString::asprintf("<br>UTC = GPS - %i seconds", utcOffsetSecs);
    if (leapSecondPending == 1)
        gpsText += QStringLiteral("<br>+1 leap second is pending");
    else if (leapSecondPending == 2)
        gpsText += QStringLiteral("<br>-1 leap second is pending");
    ui->IDC_GPS_CLOCK_DATA->setText(gpsText);

    if (bPcClockWasSet) {
        if (setPcClockDialog)
            setPcClockDialog->OnPcClockSet(gpsText);
        bPcClockWasSet = false;
    }

    clockTexts[0] = PcClockPanelText();
    ui->IDC_PC_CLOCK_DATA->setText(clockTexts[0]);

    clockTexts[2] = displayTime.SiderealTimeText(1) + QStringLiteral("<br>") +
                    displayTime.SiderealTimeText(0) + QStringLiteral("<br>") +
                    QString::asprintf("%08.5f", displayTime.MjdWithFraction());
    ui->IDC_SIDEREAL_TIME->setText(clockTexts[2]);

    if (gpsNavDialog) {
        ShowPositionRows();
        const int gpsMode = gpsRxDialog ? gpsRxDialog->gpsMode : 0;
        // Only the low byte of the lock status counts.
        bOutOfLock = (gpsNavDialog->UpdateLockStatus(gpsMode, displayTime) & 0xff) == 0;
    }
}

void MainWindow::ShowPositionRows()
{
    // A row with no position behind it stays empty: 0 degrees would be a place that no
    // receiver reported.
    const AveragingEngine& nav = *gpsNavDialog;
    const QString rows[3] = {nav.bFixReceived ? nav.FormatPositionNmea(navDataFormat) : QString(),
                             nav.bAverageHeld ? nav.FormatPosition(navDataFormat) : QString(),
                             nav.FormatPositionCsv(navDataFormat)};
    for (int r = 0; r < 3; ++r) {
        SplitPositionText(rows[r], &clockTexts[4]);
        for (int c = 0; c < 4; ++c)
            SetCellText(ui->GpsNavDataTableWidget, r + 1, c + 1, clockTexts[4 + c]);
    }
}

void MainWindow::ClearClockDisplay()
{
    // The receiver clock as the window starts with it: the PC's time, no day number, so
    // that the logs take the PC's time and nothing reads the previous receiver's.
    UtcDateTime startUp;
    startUp.SetLocation(receiverTime.latitude, receiverTime.longitude);
    receiverTime = startUp;
    displayTime.dateTime = startUp.dateTime;
    displayTime.mjd = 0;
    // A time kept from the previous receiver would make the PC clock's still start-up
    // time look like a fresh one at the next tick.
    pcSyncLastReceiverTime = QDateTime();
    receiverDateOutOfRange.clear();
    receiverTimeCheck.Forget();
    secondsStoodIn = 0;
    bStatusRecordOwed = false;
    pulseTimeCheck.Forget();
    ubxUtcAtTow = QDateTime();  // another receiver's time of week
    ShowClockGuardNote(QString());

    if (clockDisplayMode < 6)  // the TIC modes show the counters, not the receiver
        ui->ClockDisplay->clear();
    if (clockDisplayMode == 0)
        ticClockText.clear();
    // The PC panel too: it is refreshed with the receiver's time, and would stand still.
    for (int k = 0; k < 3; ++k)
        clockTexts[k].clear();
    ui->IDC_PC_CLOCK_DATA->clear();
    ui->IDC_GPS_CLOCK_DATA->clear();
    ui->IDC_SIDEREAL_TIME->clear();
    if (gpsNavDialog)
        ShowPositionRows();
}

// The displayed clock while the receiver keeps it, else the PC's: a silent receiver's
// last time would stamp every later line alike.
QString MainWindow::FormatTimeStamp() const
{
    const QString tag = TicTimeTag(ticTimeTagFormat, LogTagTime());
    return tag.isEmpty() ? tag : tag + QLatin1Char(' ');
}
