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
        CheckGpsLogDay(LogDayOf(placingUtc));
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
    // A tick has just raised the flag; a time message lowers it before it comes here. A
    // tick stamps the second after the receiver's last time, standing in for the time
    // messages it did not get. With no receiver time to go by (none yet, or none for
    // kReceiverTimeFreshMs) it writes no status record: the receiver said nothing of the
    // second, and the second's first time message, if any comes, writes it.
    const bool bTick = bPpsAwaitingTime[AwaitingAnyTime];
    const bool bSpoken = !bTick || LogClockIsReceivers();
    bStatusRecordOwed = !bSpoken;
    QDateTime now = CurrentLogClock();
    if (bTick && bSpoken)
        now = now.addSecs(secondsStoodIn);
    gpsLogSecond = now;
    CheckGpsLogDay(LogDayOf(now));
    // The TIC set goes by the clock its lines are tagged with: the PC's, or from now on
    // the second just taken (the display, which the tags read, takes it next). The second
    // shown before may be one that jumped, judged no more.
    CheckTicLogsDay(ticTimeTagFormat == 2 ? TicDayOf(TicTagUtc()) : LogDayOf(now));
    ShowLogNote();
    bLogThisSecond = gpsLogFile.isOpen() && IsLoggedSecond(now.time(), gpsLogTypeDialog->gpsLogPeriod);
    if (!bLogThisSecond || !bSpoken)
        return;
    const int type = gpsLogTypeDialog->gpsLogType;
    if (type != GpsLogRaw && type != GpsLogNmea)
        return;

    LogTexts::StatusValues v;
    v.utc = now;
    v.nmeaPosition = gpsNavDialog->FormatPositionNmea(3);
    v.navMode = gpsNavDialog->GetNavMode();
    v.fixStatus = gpsNavDialog->GetFixStatus();
    v.satellitesUsed = gpsNavDialog->GetSatellitesUsed();
    v.bLocked = !bOutOfLock;
    v.pcClockOffsetMs = PcClockOffsetAgainst(now);  // against the second it is stamped with
    v.hdop = gpsNavDialog->hdop;
    double lat = 0.0, lon = 0.0, altGps = 0.0, altMsl = 0.0;
    gpsNavDialog->GetCurrentPosition(&lat, &lon, &altGps, &altMsl);
    v.altitudeMsl = altMsl;
    v.geoidSeparation = altGps - altMsl;
    const QByteArray record =
        type == GpsLogRaw ? LogTexts::RawStatusRecord(v).toUtf8() : LogTexts::GgaStatusSentence(v);
    WriteGpsLogRecord(record + '\n', now);
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
