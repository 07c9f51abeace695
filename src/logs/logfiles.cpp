// What the GPS log and the TIC log set share: what is said of their files, the check
// that each open file is still at its path, and the clock the logs go by.

#include "mainwindow.h"

#include "logfilenames.h"
#include "logtexts.h"
#include "pctime.h"
#include "statusnotes.h"

#include <QDebug>
#include <QStatusBar>

#include <cstdlib>

using namespace LogFileNames;

// ---- The clock ----

bool MainWindow::ReceiverTimeFresh() const
{
    return receiverTime.setAtSteadyMs != 0 &&
           UtcDateTime::SteadyMSecs() - receiverTime.setAtSteadyMs <= kReceiverTimeFreshMs;
}

// A receiver time that was never set has no day number, and one that stopped coming
// stands still: the PC clock stands in for both.
bool MainWindow::LogClockIsReceivers() const
{
    return receiverTime.mjd != 0 && receiverTime.dateTime.isValid() && ReceiverTimeFresh();
}

QDateTime MainWindow::CurrentLogClock() const
{
    return LogClock(receiverTime.dateTime, LogClockIsReceivers(), PcTime::CurrentUtc());
}

// A receiver time that did not follow the one before it (one second dated tomorrow among
// good ones) moves no log's day. The first after a start or a new receiver has nothing to
// follow, and is taken as it is.
bool MainWindow::ReceiverTimeJumped() const
{
    return LogClockIsReceivers() && receiverTimeCheck.Jumped();
}

QDate MainWindow::LogDayOf(const QDateTime& utc) const
{
    return ReceiverTimeJumped() ? QDate() : utc.date();
}

// A tag of the displayed time lags the receiver's by up to a second with a tick: shown
// at the tick, it may be one that jumped (one second dated tomorrow) while the time
// taken since followed. Only a tag near the run moves the set.
QDate MainWindow::TicDayOf(const QDateTime& tagUtc) const
{
    if (ticTimeTagFormat == 2 || !LogTagIsReceivers())
        return tagUtc.date();
    return RecordPlacingTime(tagUtc).isValid() ? tagUtc.date() : QDate();
}

QDateTime MainWindow::RecordPlacingTime(const QDateTime& recordUtc) const
{
    const QDateTime followed = receiverTimeCheck.LastFollowed();
    if (!recordUtc.isValid() || !followed.isValid())
        return QDateTime();
    // A record of the second that jumped carries its time: it places nothing. A record
    // of a later second, near the run, places itself whatever the time before did.
    constexpr int64_t kSecondsBurstMs = 500;  // a second's messages come within it
    if (ReceiverTimeJumped() && recordUtc == takenUtc && receiverTimeCheck.clockMs() - takenAtMs < kSecondsBurstMs)
        return QDateTime();
    // In a leap second, a time of the next day's first (a message that names its second
    // by the GPS time of week) is the leap second's own.
    if (bGpsLogLeapSecond && undecidedTicks.isEmpty() && recordUtc > gpsLogSecond)
        return QDateTime();
    return std::llabs(followed.msecsTo(recordUtc)) <= kRecordNearMs ? recordUtc : QDateTime();
}

// The days-since-1900 tag reads the PC clock, whatever the receiver says.
QDateTime MainWindow::TicTagUtc() const
{
    return ticTimeTagFormat == 2 ? PcTime::CurrentUtc() : LogTagTime().dateTime;
}

// The tags go by the second the logs are at, never by a time that jumped or came late.
bool MainWindow::LogTagIsReceivers() const
{
    return LogClockIsReceivers() && gpsLogSecond.isValid();
}

UtcDateTime MainWindow::LogTagTime() const
{
    UtcDateTime tag = displayTime;
    bool bLeap = false;
    if (LogTagIsReceivers())
        tag.SetDateTime(LogSecondNow(&bLeap));
    // Before the log step has decided any second, the receiver's time shown while fresh.
    else if (!ReceiverTimeFresh() || displayTime.mjd == 0)
        tag.SetDateTime(PcTime::CurrentUtc());
    tag.bLeapSecond = bLeap;
    return tag;
}

// ---- What is said ----

QList<LogFile*> MainWindow::LogFiles()
{
    QList<LogFile*> files{&gpsLogFile, &ticCombinedLog};
    for (int k = 0; k < 8; ++k)
        files << &ticTimeLogs[k] << &ticAverageLogs[k];
    return files;
}

void MainWindow::ConnectLogFiles()
{
    for (LogFile* file : LogFiles()) {
        file->SetSay([this](const QString& text, bool bWarning) { SayOfLogs(text, bWarning); });
        file->SetClock([this] { return CurrentLogClock(); });
    }
}

void MainWindow::SayOfLogs(const QString& text, bool bWarning)
{
    if (bWarning)
        qWarning().noquote() << "WARNING:" << text;
    else
        qInfo().noquote() << text;
    statusBar()->showMessage(text);
    ShowLogNote();
}

// The note stays while any open log is not written where it should be. Each new text
// reaches the debug log in its own words.
void MainWindow::ShowLogNote()
{
    QStringList problems[2];  // the GPS log's, the TIC set's
    QString firstName;
    for (LogFile* file : LogFiles()) {
        if (file->Failure().isEmpty())
            continue;
        if (firstName.isEmpty())
            firstName = file->FailedName();
        problems[file == &gpsLogFile ? 0 : 1].append(QStringLiteral("%1 (%2)").arg(file->FailedName(), file->Failure()));
    }
    const QString note = LogTexts::NotWrittenNote(problems[0], problems[1]);
    if (note != logNoteSaid && !note.isEmpty())
        qWarning().noquote() << note;
    logNoteSaid = note;
    ShowStatusNote(logNoteLabel, note, firstName);
}

namespace {

QString ProblemOf(const LogFile& file)
{
    return file.Failure().isEmpty() ? QString() : file.FailedName() + QStringLiteral(": ") + file.Failure();
}

}  // namespace

QString MainWindow::GpsLogProblem() const
{
    return ProblemOf(gpsLogFile);
}

QString MainWindow::TicLogsProblem() const
{
    QString problem = ProblemOf(ticCombinedLog);
    for (int k = 0; k < 8; ++k) {
        for (const LogFile* file : {&ticTimeLogs[k], &ticAverageLogs[k]}) {
            if (problem.isEmpty())
                problem = ProblemOf(*file);
        }
    }
    return problem;
}

// ---- The files still at their paths ----

// Each write checks its own file first; this finds a removed folder also while nothing
// is written (a long log period), so that the file is there and STATUS is true.
void MainWindow::CheckOpenLogs()
{
    for (LogFile* file : LogFiles())
        file->RemakeIfVanished();
}
