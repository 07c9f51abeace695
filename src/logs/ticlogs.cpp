// The TIC log set: one time-interval (T) and one average (A) file per enabled port and
// the combined (C) file, which also holds the configuration log.

#include "mainwindow.h"

#include "logfilenames.h"
#include "logtexts.h"
#include "storedvalues.h"
#include "ticfiledialog.h"

#include <QMessageBox>
#include <QSettings>

using namespace LogFileNames;

namespace {

// A port takes part in the set unless its port choice is "OFF".
QString TicPortName(int port)
{
    QSettings settings;
    return StoredValues::Name(settings, QStringLiteral("TicPortDialog/TIC%1 Serial Port").arg(port),
                               QStringLiteral("OFF"));
}

bool TicPortEnabled(int port)
{
    return TicPortName(port) != QLatin1String("OFF");
}

// The file of the set for one kind and port (0 for the combined file); empty when refused.
QString TicPathOf(const TicFileDialog& d, char kind, int port, const QDate& day)
{
    return TicLogPath(d.ticLogFolder, d.ticLogPrefix, d.ticLogStyle, day, QLatin1Char(kind), port);
}

QByteArray TicHeaderOf(const MainWindow& w, char kind, int port, const QDateTime& now)
{
    LogTexts::TicHeader header;
    header.version = w.programVersion.toString();
    header.openedUtc = now;
    header.kind = kind;
    header.port = port;
    header.portName = port ? TicPortName(port) : QString();
    header.timeTagFormat = w.ticTimeTagFormat;
    header.logStyle = w.ticLogStyle;
    return LogTexts::TicLogHeader(header);
}

// The header is made each time the file is opened or made again, with the time then.
LogFile::Header TicHeaderMaker(const MainWindow& w, char kind, int port)
{
    return [&w, kind, port] { return TicHeaderOf(w, kind, port, w.CurrentLogClock()); };
}

}  // namespace

bool MainWindow::OpenTicFiles(const QDate& day, QString* error)
{
    const TicFileDialog& d = *ticFileDialog;
    struct Planned
    {
        LogFile* file;
        char kind;
        int port;
        QString path;
    };
    QList<Planned> planned{{&ticCombinedLog, 'C', 0, QString()}};
    for (int port = 1; port <= 8; ++port) {
        if (TicPortEnabled(port)) {
            planned.append({&ticTimeLogs[port - 1], 'T', port, QString()});
            planned.append({&ticAverageLogs[port - 1], 'A', port, QString()});
        }
    }
    // Every name is checked before any file is touched.
    for (Planned& p : planned) {
        p.path = TicPathOf(d, p.kind, p.port, day);
        if (p.path.isEmpty()) {
            if (error)
                *error = IsValidPrefix(d.ticLogPrefix) ? QStringLiteral("The TIC log files would lie outside their folder.")
                                                       : PrefixRefusedText(d.ticLogPrefix);
            return false;
        }
    }
    for (const Planned& p : planned) {
        if (!p.file->Open(p.path, day, TicHeaderMaker(*this, p.kind, p.port), error)) {
            CloseTicFiles(nullptr);
            return false;
        }
    }
    return true;
}

void MainWindow::CloseTicFiles(const LogFile::Trailer& trailer)
{
    for (int k = 0; k < 8; ++k) {
        for (LogFile* file : {&ticAverageLogs[k], &ticTimeLogs[k]})
            file->Close(trailer);
    }
    ticCombinedLog.Close(trailer);
}

// The TIC processing and the time tags read the dialog's values from the window.
void MainWindow::CopyTicFileDialogValues()
{
    ticLogStyle = ticFileDialog->ticLogStyle;
    ticTimeTagFormat = ticFileDialog->ticTimeTagFormat;
    ticTimeLogPeriod = ticFileDialog->ticTimeLogPeriod;
    ticAveragingPeriod = ticFileDialog->ticAveragingPeriod;
}

bool MainWindow::OpenTicLogs(QString* error)
{
    CloseTicLogs(true);
    ticFileDialog->LoadSettings();
    CopyTicFileDialogValues();
    const bool bOpened = OpenTicFiles(TicTagUtc().date(), error);
    if (bOpened) {
        // What the receiver said before the set opened follows the combined file's header.
        ticCombinedLog.Write(configurationBuffer.toUtf8());
        configurationBuffer.clear();
        lastBufferedConfiguration.clear();
    }
    UpdateLogActions();
    return bOpened;
}

void MainWindow::CheckTicLogsDay(const QDate& clockDay)
{
    if (!ticCombinedLog.isOpen())
        return;
    const TicFileDialog& d = *ticFileDialog;
    const LogFile::Trailer trailer = LogTexts::TicLogTrailer;
    // The combined file's day is the set's.
    const QDate moved = ticCombinedLog.FollowClock(
        clockDay, LogClockIsReceivers(), UtcDateTime::SteadyMSecs(),
        [&d](const QDate& day) { return TicPathOf(d, 'C', 0, day); },
        [&d](const QDate& day) { return DayStem(d.ticLogPrefix, day); }, trailer);
    // Each port's files follow the set's day on their own: one that cannot be had keeps
    // the old day's lines, says so and is tried again each second, and leaves the rest
    // of the set alone; once that day is no longer wanted, its failure is past.
    const QDate day = ticCombinedLog.Day();
    for (int port = 1; port <= 8 && day.isValid(); ++port) {
        for (const auto& [file, kind] : {std::pair{&ticTimeLogs[port - 1], 'T'}, {&ticAverageLogs[port - 1], 'A'}}) {
            if (!file->isOpen())
                continue;
            if (file->Day().isValid() && file->Day() != day && !TicPortEnabled(port)) {
                file->Close(trailer);  // a port switched off gets no new day's files
                continue;
            }
            const char fileKind = kind;  // clang 14 captures no structured binding
            const QString stem = QString(QLatin1Char(kind)) + QString::number(port);
            file->FollowDay(
                day, [&d, fileKind, port](const QDate& fileDay) { return TicPathOf(d, fileKind, port, fileDay); },
                [&d, &stem](const QDate& fileDay) { return DayStem(d.ticLogPrefix, fileDay) + stem; }, trailer);
        }
    }
    if (moved.isValid())
        UpdateLogActions();
}

// A port switched on while the set is open has no files of its own yet: they open with
// its first reading, on the set's day, and a failure leaves the rest of the set alone.
void MainWindow::OpenTicPortLogs(int port)
{
    if (port < 1 || port > 8 || !ticCombinedLog.isOpen())
        return;
    const std::pair<LogFile*, char> files[] = {{&ticTimeLogs[port - 1], 'T'}, {&ticAverageLogs[port - 1], 'A'}};
    for (const auto& [file, kind] : files) {
        if (file->isOpen())
            continue;
        // The names were checked when the set opened, with the same folder and prefix.
        const QString path = TicPathOf(*ticFileDialog, kind, port, ticCombinedLog.Day());
        QString error;
        if (!path.isEmpty() && !file->Open(path, ticCombinedLog.Day(), TicHeaderMaker(*this, kind, port), &error))
            file->Fail(path, error);
    }
}

void MainWindow::WriteTicLine(LogFile& file, const QByteArray& line, const QDateTime& lineTagUtc)
{
    const QByteArray lines = LogTexts::LogLines(QString::fromUtf8(line));
    // A line goes to the file of the day its tag names, and a line lost is counted at
    // the time of its tag: not at the log clock's, which the receiver's time message
    // moves on to the next second, nor at the receiver's when the tag is the PC's.
    const QDateTime tagUtc = lineTagUtc.isValid() ? lineTagUtc : TicTagUtc();
    CheckTicLogsDay(TicDayOf(tagUtc));
    file.Write(lines, tagUtc);
    ticCombinedLog.Write(lines, tagUtc);
}

void MainWindow::WriteTicTimeLine(int port, const QByteArray& line, const QDateTime& tagUtc)
{
    if (port < 1 || port > 8 || !ticCombinedLog.isOpen())
        return;
    WriteTicLine(ticTimeLogs[port - 1], line, tagUtc);
}

void MainWindow::WriteTicAverageLine(int port, const QByteArray& line, const QDateTime& tagUtc)
{
    if (port < 1 || port > 8 || !ticCombinedLog.isOpen())
        return;
    WriteTicLine(ticAverageLogs[port - 1], line, tagUtc);
}

// The files are unbuffered, so this only hands on what a file opened otherwise holds.
bool MainWindow::FlushTicLogs()
{
    if (!ticCombinedLog.isOpen())
        return false;
    for (int k = 0; k < 8; ++k) {
        for (QFile* file : {&ticAverageLogs[k], &ticTimeLogs[k]}) {
            if (file->isOpen())
                file->flush();
        }
    }
    ticCombinedLog.flush();
    return true;
}

void MainWindow::CloseTicLogs(bool noAsk)
{
    if (!ticCombinedLog.isOpen())
        return;
    if (!noAsk &&
        QMessageBox::question(this, QStringLiteral("Horalux"),
                              QStringLiteral("Are you sure you want to close this TIC Log file set?")) !=
            QMessageBox::Yes)
        return;
    // Lines still waiting for their second's name go in, with the tag they came with.
    WriteAllHeldTic();
    CloseTicFiles(LogTexts::TicLogTrailer);
    UpdateLogActions();
}

void MainWindow::actionNew_TIC_Data_Log_triggered()
{
    if (ticFileDialog->exec() == 0)
        return;
    CopyTicFileDialogValues();
    actionOpen_TIC_Data_Log_triggered();
}

void MainWindow::actionOpen_TIC_Data_Log_triggered()
{
    QString error;
    if (!OpenTicLogs(&error))
        QMessageBox::warning(this, QStringLiteral("Error"), error);
}

void MainWindow::actionClose_TIC_Data_Log_triggered()
{
    CloseTicLogs(false);
}
