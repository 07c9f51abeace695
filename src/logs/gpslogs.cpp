// The GPS data log and the configuration log as the rest of the program sees them, and
// the per-second log step.

#include "mainwindow.h"

#include "gpslogtypedialog.h"
#include "gpsnavdialog.h"
#include "logfilenames.h"
#include "logtexts.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QMessageBox>

using namespace LogFileNames;

namespace {

LogTexts::GpsHeader GpsHeaderOf(const MainWindow& w, const QDateTime& now)
{
    LogTexts::GpsHeader header;
    header.version = w.programVersion.toString();
    header.openedUtc = now;
    header.logType = w.gpsLogTypeDialog->gpsLogType;
    header.receiverModel = receiverInfo.receiverModel;
    header.portMode = receiverInfo.gpsPortMode;
    header.utcOffsetSecs = w.utcOffsetSecs;
    header.referenceLocation = w.gpsNavDialog->FormatPositionCsv(4);
    return header;
}

constexpr std::pair<int, int> kNoReceiver{-1, -1};

std::pair<int, int> ReceiverAndMode()
{
    return {receiverInfo.receiverModel, receiverInfo.gpsPortMode};
}

// The header is made each time the file is opened or made again, with the time then;
// the receiver it names is the one the records that follow come from.
LogFile::Header GpsHeaderMaker(MainWindow& w)
{
    return [&w] {
        w.gpsLogHeaderReceiver = ReceiverAndMode();
        return LogTexts::GpsLogHeader(GpsHeaderOf(w, w.CurrentLogClock()));
    };
}

}  // namespace

// ---- The menus ----

void MainWindow::UpdateLogActions()
{
    ui->actionClose_GPS_Data_Log->setEnabled(gpsLogFile.isOpen());
    ui->actionClose_TIC_Data_Log->setEnabled(ticCombinedLog.isOpen());
    ShowLogNote();
}

// ---- The GPS data log ----

bool MainWindow::OpenGpsLog(QString* error)
{
    CloseGpsLog(true);
    gpsLogTypeDialog->LoadSettings();
    const GpsLogTypeDialog& d = *gpsLogTypeDialog;
    const QDateTime now = CurrentLogClock();
    const QString path = GpsLogPath(d.gpsLogFolder, d.gpsLogPrefix, d.gpsLogType, now.date());
    if (path.isEmpty()) {
        if (error)
            *error = IsValidPrefix(d.gpsLogPrefix) ? QStringLiteral("The GPS log file would lie outside its folder.")
                                                   : PrefixRefusedText(d.gpsLogPrefix);
        return false;
    }
    // The log's own times go by the second the last log step decided on: the receiver's
    // time message moves the log clock on to the next second.
    gpsLogFile.SetClock([this] { return gpsLogSecond.isValid() ? gpsLogSecond : CurrentLogClock(); });
    const bool bOpened = gpsLogFile.Open(path, now.date(), GpsHeaderMaker(*this), error);
    // The records that come before the receiver's next time are of the second now: it is
    // decided as the log step decides it, or they would be lost without a gap line.
    bLogThisSecond = bOpened && IsLoggedSecond(now.time(), d.gpsLogPeriod);
    UpdateLogActions();
    return bOpened;
}

void MainWindow::CheckGpsLogDay(const QDate& clockDay)
{
    const GpsLogTypeDialog& d = *gpsLogTypeDialog;
    const QDate moved = gpsLogFile.FollowClock(
        clockDay, LogClockIsReceivers(), UtcDateTime::SteadyMSecs(),
        [&d](const QDate& day) { return GpsLogPath(d.gpsLogFolder, d.gpsLogPrefix, d.gpsLogType, day); },
        [&d](const QDate& day) { return DayStem(d.gpsLogPrefix, day); }, LogTexts::GpsLogTrailer);
    if (moved.isValid())
        UpdateLogActions();
}

void MainWindow::CloseGpsLog(bool noAsk)
{
    if (!gpsLogFile.isOpen())
        return;
    if (!noAsk &&
        QMessageBox::question(this, QStringLiteral("Horalux"),
                              QStringLiteral("Are you sure you want to close this GPS Log file?")) !=
            QMessageBox::Yes)
        return;
    gpsLogFile.Close(LogTexts::GpsLogTrailer);
    gpsLogHeaderReceiver = kNoReceiver;
    UpdateLogActions();
}

// The message as its decoder read it: of the second gpsRecordUtc names, if any.
void MainWindow::LogGpsMessage(QByteArray msg)
{
    if (!gpsLogFile.isOpen() || msg.isEmpty() || !bLogThisSecond)
        return;
    const int type = gpsLogTypeDialog->gpsLogType;
    if (type == GpsLogBinary || (type == GpsLogRinex && LogTexts::IsRinexMessage(msg)))
        WriteGpsLogRecord(LogTexts::BinaryRecord(msg), gpsRecordUtc);
}

void MainWindow::WriteGpsLogText(QString text)
{
    // A raw-data window open on an unlogged second still makes the decoders build their
    // lines; the log period decides what is kept.
    if (text.isEmpty() || !gpsLogFile.isOpen() || !bLogThisSecond)
        return;
    WriteGpsLogRecord(LogTexts::LogLines(LogTexts::BlankControls(text)), gpsRecordUtc);
}

bool MainWindow::WriteGpsLogRecord(const QByteArray& record, const QDateTime& recordUtc)
{
    // A receiver sends a second's records before or after its time message, which moves
    // the log's day and second on: a record that carries a time goes to the file of its
    // day and, lost, is counted at it; one that carries none, or none near the
    // receiver's, goes by the second the log step took it for.
    const QDateTime placingUtc = RecordPlacingTime(recordUtc);
    if (placingUtc.isValid())
        CheckGpsLogDay(placingUtc.date());
    const std::pair<int, int> receiver = ReceiverAndMode();
    // Made once the path is checked: a file made again gets a whole header, which names
    // the receiver of now. A file opened by hand has no header of ours to follow.
    const LogFile::Lead receiverLines = [this, &receiver] {
        const bool bOtherReceiver = gpsLogHeaderReceiver != kNoReceiver && receiver != gpsLogHeaderReceiver;
        return bOtherReceiver ? LogTexts::GpsReceiverLines(GpsHeaderOf(*this, QDateTime())) : QByteArray();
    };
    // Written with the record or lost with it: the next record then tries them again.
    if (!gpsLogFile.Write(record, placingUtc, receiverLines))
        return false;
    gpsLogHeaderReceiver = receiver;
    return true;
}

// ---- The configuration log ----

void MainWindow::LogConfigurationText(QString text)
{
    const QByteArray lines = LogTexts::LogLines(LogTexts::BlankControls(text));
    if (lines.isEmpty())
        return;
    const QString tag = FormatTimeStamp();
    QString entry;
    for (const QString& line : QString::fromUtf8(lines.chopped(1)).split(QLatin1Char('\n')))
        entry += tag + line + QLatin1Char('\n');
    if (!ticCombinedLog.isOpen()) {
        // The search and then the set-up each ask the receiver who it is: the head of
        // the combined file needs the answer once.
        if (lines == lastBufferedConfiguration)
            return;
        lastBufferedConfiguration = lines;
        LogTexts::BufferConfigurationText(configurationBuffer, entry);
        return;
    }
    // In the file of its tag's day, and counted, when lost, at the time its tag says.
    const QDateTime tagUtc = TicTagUtc();
    CheckTicLogsDay(TicDayOf(tagUtc));
    ticCombinedLog.Write(entry.toUtf8(), tagUtc);
}

// ---- Once a second ----

// Once a second, after a receiver time: the PC clock half first (it samples the PC time
// that the log half records), then the log half.
void MainWindow::LogStatusRecord()
{
    SyncPcClockThisSecond();
    LogStatusThisSecond();
}

void MainWindow::LogStatusThisSecond()
{
    CheckOpenLogs();
    // A tick has just raised the flag; a time message lowers it before it comes here.
    // During a silence the PC's clock moves the days (only to its next).
    if (bPpsAwaitingTime[AwaitingAnyTime]) {
        LogTickSecond();
    } else if (LogClockIsReceivers()) {
        // No tick: the message's records are of the second the logs are at now.
        LogNamedSecond(receiverTime.dateTime);
        bLogThisSecond = gpsLogFile.isOpen() && IsLoggedSecond(LogSecondNow().time(), gpsLogTypeDialog->gpsLogPeriod);
    } else {
        // A silence: no time will name the ticks that wait.
        WriteAllHeldTic();
        CheckGpsLogDay(LogDayOf(CurrentLogClock()));
        CheckTicLogsDay(TicDayOf(TicTagUtc()));
    }
    ShowLogNote();
}

bool MainWindow::MayBeLeapSecondNext() const
{
    return gpsLogSecond.isValid() && !bGpsLogLeapSecond && gpsLogSecond.time() == QTime(23, 59, 59) &&
           ReceiverTimeCheck::MonthEnded(gpsLogSecond, gpsLogSecond.addSecs(1));
}

QDateTime MainWindow::LogSecondNow(bool* bLeap) const
{
    if (bLeap)
        *bLeap = false;
    if (!gpsLogSecond.isValid() || !LogClockIsReceivers())
        return CurrentLogClock();
    if (bLeap)
        *bLeap = bGpsLogLeapSecond && undecidedTicks.isEmpty();
    return gpsLogSecond.addSecs(undecidedTicks.size());
}

// The tick starts a second that the receiver names after it: the status record waits
// for that name, so that a second is never stamped before the receiver says which it
// is (a leap second, a time that jumped, a second's messages that came late).
void MainWindow::LogTickSecond()
{
    if (!bStatusRecordOwed) {
        while (!undecidedTicks.isEmpty())
            DropUndecidedTick();
    }
    // The tick before got no time naming its second: it stands in now. After 23:59:59
    // of a month's last day it may have been a leap second, which the receiver's next
    // time shows (it lies a second short of the run); the tick after stands in at last.
    while (!undecidedTicks.isEmpty() && (undecidedTicks.size() > 1 || !MayBeLeapSecondNext()))
        StandInForTick();
    undecidedTicks.append(UndecidedTick{UtcDateTime::SteadyMSecs(), PcAtSecondStartMs(), {}});
    bStatusRecordOwed = true;
    // Until a time names it, the second is the one after the last decided: the records
    // before the time message are logged by it, and the TIC lines tagged with it. Only
    // the PC's clock moves the logs' day here; the receiver's, when it names the second,
    // and a TIC line, by its tag.
    const QDateTime now = LogSecondNow();
    if (!LogClockIsReceivers())
        CheckGpsLogDay(LogDayOf(now));
    if (ticTimeTagFormat == 2 || !LogTagIsReceivers())
        CheckTicLogsDay(TicDayOf(TicTagUtc()));
    bLogThisSecond = gpsLogFile.isOpen() && IsLoggedSecond(now.time(), gpsLogTypeDialog->gpsLogPeriod);
}

void MainWindow::LogNamedSecond(const QDateTime& named)
{
    // A time that does not follow the run (a date a day ahead, a second's messages
    // after the next pulse) moves no stamp, file or tag: its tick stands in. Without a
    // tick, a message whose time of day is the next second's, on a date that jumped,
    // stands in for that second itself.
    if (!named.isValid())
        return;
    if (ReceiverTimeJumped()) {
        const QDateTime next = gpsLogSecond.isValid() ? gpsLogSecond.addSecs(1) : QDateTime();
        if (undecidedTicks.isEmpty() && next.isValid() && named.time() == next.time())
            DecideLogSecond(next, false, PcAtSecondStartMs());
        return;
    }
    // Named already, by a stand-in or a time before: what is written stays. A receiver
    // that moved further back starts a new run.
    constexpr qint64 kLateSecs = kReceiverTimeFreshMs / 1000;
    const bool bJudged = receiverTimeCheck.LastFollowed().isValid();
    const qint64 behind = gpsLogSecond.isValid() && bJudged ? named.secsTo(gpsLogSecond) : -1;
    if (behind >= 0 && behind <= kLateSecs)
        return;
    if (!bStatusRecordOwed) {
        while (!undecidedTicks.isEmpty())
            DropUndecidedTick();
    }
    // The ticks before this second's that no time named: a leap second, where the run
    // shows one or two ticks came for the one second after 23:59:59, or the seconds
    // between.
    const bool bLeap = receiverTimeCheck.LeapSecond();
    while (undecidedTicks.size() > 1) {
        if ((bLeap || gpsLogSecond.secsTo(named) == 1) && MayBeLeapSecondNext())
            StandInForTick(true);
        else if (gpsLogSecond.isValid() && gpsLogSecond.secsTo(named) > 1)
            StandInForTick();
        else
            DropUndecidedTick();
    }
    // Without a tick, the run alone shows the leap second before this one; the PC was
    // not read at its start.
    if (undecidedTicks.isEmpty() && bLeap && MayBeLeapSecondNext() && gpsLogSecond.secsTo(named) == 1)
        DecideLogSecond(gpsLogSecond, true, std::nullopt);
    // The tick left is this second's own; without one, the PC was read at the message.
    const std::optional<int64_t> pcAtStartMs =
        undecidedTicks.isEmpty() ? PcAtSecondStartMs() : undecidedTicks.last().pcAtStartMs;
    const QList<TicOutput> held = undecidedTicks.isEmpty() ? QList<TicOutput>() : undecidedTicks.last().heldTic;
    undecidedTicks.clear();
    bStatusRecordOwed = false;
    DecideLogSecond(named, false, pcAtStartMs);
    WriteHeldTic(held, named);
}

void MainWindow::LogLeapSecondNamed()
{
    if (!MayBeLeapSecondNext() || !ReceiverTimeFresh())
        return;
    if (!bStatusRecordOwed) {
        while (!undecidedTicks.isEmpty())
            DropUndecidedTick();
    }
    if (undecidedTicks.isEmpty()) {
        DecideLogSecond(gpsLogSecond, true, std::nullopt);
        return;
    }
    // Its tick: the ticks before it that no time named were seconds before 23:59:59.
    while (undecidedTicks.size() > 1)
        DropUndecidedTick();
    StandInForTick(true);
}

void MainWindow::StandInForTick(bool bLeap)
{
    const UndecidedTick tick = undecidedTicks.takeFirst();
    const int64_t tickMs = tick.steadyMs;
    bStatusRecordOwed = !undecidedTicks.isEmpty();
    // With no receiver time at that tick (none yet, or none for kReceiverTimeFreshMs)
    // the receiver said nothing of the second: no record stands in for it.
    const bool bFresh = receiverTime.mjd != 0 && receiverTime.setAtSteadyMs != 0 &&
                        tickMs - receiverTime.setAtSteadyMs <= kReceiverTimeFreshMs;
    if (!gpsLogSecond.isValid() || !bFresh) {
        WriteHeldTic(tick.heldTic);
        return;
    }
    const QDateTime second = bLeap ? gpsLogSecond : gpsLogSecond.addSecs(1);
    DecideLogSecond(second, bLeap, tick.pcAtStartMs);
    WriteHeldTic(tick.heldTic, second, bLeap);
}

// A reading after the tick that may be the leap second would be tagged as the second
// after 23:59:59, and the next second's again: its lines wait for the second's name.
// A tag of the PC clock, or none, has nothing to wait for.
bool MainWindow::HoldTicOutput(const TicOutput& out)
{
    if (undecidedTicks.isEmpty() || !bStatusRecordOwed || !MayBeLeapSecondNext() || !LogTagIsReceivers() ||
        (ticTimeTagFormat != 0 && ticTimeTagFormat != 1))
        return false;
    undecidedTicks.last().heldTic.append(out);
    return true;
}

void MainWindow::WriteHeldTic(const QList<TicOutput>& held, const QDateTime& decided, bool bLeap)
{
    for (const TicOutput& out : held) {
        UtcDateTime tagTime = out.tagTime;
        if (decided.isValid()) {
            tagTime.SetDateTime(decided);
            tagTime.bLeapSecond = bLeap;
        }
        WriteTicOutput(out, tagTime);
    }
}

void MainWindow::DropUndecidedTick()
{
    WriteHeldTic(undecidedTicks.takeFirst().heldTic);
}

// The ticks stay undecided; only their lines no longer wait.
void MainWindow::WriteAllHeldTic()
{
    for (UndecidedTick& tick : undecidedTicks)
        WriteHeldTic(std::exchange(tick.heldTic, {}));
}

void MainWindow::DecideLogSecond(const QDateTime& second, bool bLeap, std::optional<int64_t> pcAtStartMs)
{
    gpsLogSecond = second;
    bGpsLogLeapSecond = bLeap;
    CheckGpsLogDay(second.date());
    // The TIC set goes by the clock its lines are tagged with: the PC's, or this second.
    CheckTicLogsDay(ticTimeTagFormat == 2 ? TicDayOf(TicTagUtc()) : second.date());
    // Whether the message records of the second are logged was decided with its tick,
    // or is with the message that drives it.
    const bool bLogged = gpsLogFile.isOpen() && IsLoggedSecond(second.time(), gpsLogTypeDialog->gpsLogPeriod);
    const int type = gpsLogTypeDialog->gpsLogType;
    if (!bLogged || (type != GpsLogRaw && type != GpsLogNmea))
        return;

    LogTexts::StatusValues v;
    v.utc = second;
    v.bLeapSecond = bLeap;
    v.nmeaPosition = gpsNavDialog->FormatPositionNmea(3);
    v.navMode = gpsNavDialog->GetNavMode();
    v.fixStatus = gpsNavDialog->GetFixStatus();
    v.satellitesUsed = gpsNavDialog->GetSatellitesUsed();
    v.bLocked = !bOutOfLock;
    v.pcClockOffsetMs = PcClockOffsetAgainst(second, pcAtStartMs);  // against the second it is stamped with
    v.hdop = gpsNavDialog->hdop;
    double lat = 0.0, lon = 0.0, altGps = 0.0, altMsl = 0.0;
    gpsNavDialog->GetCurrentPosition(&lat, &lon, &altGps, &altMsl);
    v.altitudeMsl = altMsl;
    v.geoidSeparation = altGps - altMsl;
    const QByteArray record =
        type == GpsLogRaw ? LogTexts::RawStatusRecord(v).toUtf8() : LogTexts::GgaStatusSentence(v);
    WriteGpsLogRecord(record + '\n', second);
}

// ---- File menu ----

void MainWindow::actionNew_GPS_Data_Log_triggered()
{
    if (gpsLogTypeDialog->exec() == 0)
        return;
    actionOpen_GPS_Data_Log_triggered();
}

void MainWindow::actionOpen_GPS_Data_Log_triggered()
{
    QString error;
    if (!OpenGpsLog(&error))
        QMessageBox::warning(this, QStringLiteral("Error"), error);
}

void MainWindow::actionClose_GPS_Data_Log_triggered()
{
    CloseGpsLog(false);
}
