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

QByteArray GpsHeaderOf(const MainWindow& w, const QDateTime& now)
{
    LogTexts::GpsHeader header;
    header.version = w.programVersion.toString();
    header.openedUtc = now;
    header.logType = w.gpsLogTypeDialog->gpsLogType;
    header.receiverModel = receiverInfo.receiverModel;
    header.portMode = receiverInfo.gpsPortMode;
    header.utcOffsetSecs = w.utcOffsetSecs;
    header.referenceLocation = w.gpsNavDialog->FormatPositionCsv(4);
    return LogTexts::GpsLogHeader(header);
}

// The header is made each time the file is opened or made again, with the time then.
LogFile::Header GpsHeaderMaker(const MainWindow& w)
{
    return [&w] { return GpsHeaderOf(w, w.CurrentLogClock()); };
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
    // Readers of a PVT or NMEA log skip "; " lines; the other types have no comment form.
    gpsLogFile.SetGapLines(d.gpsLogType == GpsLogPvt || d.gpsLogType == GpsLogNmea);
    const bool bOpened = gpsLogFile.Open(path, now.date(), GpsHeaderMaker(*this), error);
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
    UpdateLogActions();
}

void MainWindow::LogGpsMessage(QByteArray msg)
{
    if (!gpsLogFile.isOpen() || msg.isEmpty() || !bLogThisSecond)
        return;
    const int type = gpsLogTypeDialog->gpsLogType;
    if (type == GpsLogBinary || (type == GpsLogRinex && LogTexts::IsRinexMessage(msg)))
        gpsLogFile.Write(LogTexts::BinaryRecord(msg));
}

void MainWindow::WriteGpsLogText(QString text)
{
    // A raw-data window open on an unlogged second still makes the decoders build their
    // lines; the log period decides what is kept.
    if (text.isEmpty() || !gpsLogFile.isOpen() || !bLogThisSecond)
        return;
    gpsLogFile.Write(LogTexts::LogLines(LogTexts::BlankControls(text)));
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
    CheckTicLogsDay(CurrentLogClock().date());
    ticCombinedLog.Write(entry.toUtf8());
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
    const QDateTime now = CurrentLogClock();
    CheckGpsLogDay(now.date());
    CheckTicLogsDay(now.date());
    ShowLogNote();
    bLogThisSecond = gpsLogFile.isOpen() && IsLoggedSecond(now.time(), gpsLogTypeDialog->gpsLogPeriod);
    if (!bLogThisSecond)
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
    v.pcClockOffsetMs = pcClockOffsetMs;
    v.hdop = gpsNavDialog->hdop;
    double lat = 0.0, lon = 0.0, altGps = 0.0, altMsl = 0.0;
    gpsNavDialog->GetCurrentPosition(&lat, &lon, &altGps, &altMsl);
    v.altitudeMsl = altMsl;
    v.geoidSeparation = altGps - altMsl;
    const QByteArray record =
        type == GpsLogRaw ? LogTexts::RawStatusRecord(v).toUtf8() : LogTexts::GgaStatusSentence(v);
    gpsLogFile.Write(record + '\n');
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
