// The file plumbing that the GPS log and the TIC log set share: writing and its
// failures, the check that each open file is still in its folder, opening, and the
// clock the logs go by.

#include "mainwindow.h"

#include "logfilecheck.h"
#include "logfilenames.h"
#include "pctime.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QStatusBar>
#include <QTimer>

#include <cerrno>
#include <cstring>

using namespace LogFileNames;

namespace {

// The system's own reason for a failed write ("No space left on device"). Qt has
// none for a write that was cut short after a part went through.
QString WriteFailureText(const QFile& file, int err)
{
    const QString text = file.errorString();
    if (err != 0 && (text.isEmpty() || text == QLatin1String("Unknown error")))
        return QString::fromLocal8Bit(std::strerror(err));
    return text;
}

}  // namespace

// ---- The clock ----

bool MainWindow::ReceiverTimeFresh() const
{
    return receiverTime.setAtSteadyMs != 0 &&
           UtcDateTime::SteadyMSecs() - receiverTime.setAtSteadyMs <= kReceiverTimeFreshMs;
}

// A receiver time that was never set has no day number, and one that stopped coming
// stands still: the PC clock stands in for both.
QDateTime MainWindow::CurrentLogClock() const
{
    return LogClock(receiverTime.dateTime, receiverTime.mjd != 0 && ReceiverTimeFresh(), PcTime::CurrentUtc());
}

UtcDateTime MainWindow::LogTagTime() const
{
    if (ReceiverTimeFresh())
        return displayTime;
    UtcDateTime pc = displayTime;
    pc.SetDateTime(PcTime::CurrentUtc());
    return pc;
}

// ---- Writing ----

void MainWindow::ReportLogFailure(const QFile& file, const QString& what)
{
    if (logFailures.contains(file.fileName()))
        return;
    logFailures.insert(file.fileName(), what);
    const QString text = QStringLiteral("Log file %1: %2").arg(file.fileName(), what);
    qWarning().noquote() << "WARNING:" << text;
    statusBar()->showMessage(text);
}

void MainWindow::ReportLogWritingAgain(const QFile& file)
{
    if (logFilesGone.contains(file.fileName()) || !logFailures.remove(file.fileName()))
        return;
    const QString text = QStringLiteral("Log file %1: writing again.").arg(file.fileName());
    qInfo().noquote() << text;
    statusBar()->showMessage(text);
}

QString MainWindow::LogProblemOf(const QFile& file) const
{
    const QString reason = file.isOpen() ? logFailures.value(file.fileName()) : QString();
    return reason.isEmpty() ? reason : QFileInfo(file.fileName()).fileName() + QStringLiteral(": ") + reason;
}

QString MainWindow::GpsLogProblem() const
{
    return LogProblemOf(gpsLogFile);
}

QString MainWindow::TicLogsProblem() const
{
    QString problem = LogProblemOf(ticCombinedLog);
    for (int k = 0; k < 8; ++k) {
        for (const QFile* file : {&ticTimeLogs[k], &ticAverageLogs[k]}) {
            if (problem.isEmpty())
                problem = LogProblemOf(*file);
        }
    }
    return problem;
}

bool MainWindow::WriteLogBytes(QFile& file, const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return true;
    const QString name = file.fileName();
    // A record after one that a failure cut short starts on a line of its own.
    const QByteArray out = logFilesInsideLine.contains(name) ? '\n' + bytes : bytes;
    qint64 done = 0;
    int err = 0;
    while (done < out.size()) {
        errno = 0;
        const qint64 n = file.write(out.constData() + done, out.size() - done);
        err = errno;
        if (n <= 0)
            break;
        done += n;
    }
    if (done > 0) {
        if (out.at(done - 1) == '\n')
            logFilesInsideLine.remove(name);
        else
            logFilesInsideLine.insert(name);
    }
    ScheduleLogCheck();
    if (done == out.size()) {
        ReportLogWritingAgain(file);
        return true;
    }
    ReportLogFailure(file, WriteFailureText(file, err));
    file.unsetError();
    return false;
}

// ---- The files still in their folders ----

// The logs are written unbuffered, so what was written is with the system at once. A
// second after a write, once for all the lines of that second, each open file is checked
// to be still the one at its path: a removed folder would swallow every later line.
void MainWindow::ScheduleLogCheck()
{
    if (bLogCheckPending)
        return;
    bLogCheckPending = true;
    QTimer::singleShot(kLogCheckMs, this, &MainWindow::CheckOpenLogs);
}

void MainWindow::CheckOpenLogs()
{
    bLogCheckPending = false;
    QStringList made;
    RecreateVanishedGpsLog(made);
    RecreateVanishedTicLogs(made);
    if (made.isEmpty())
        return;
    const QString text = QStringLiteral("Log files made again after they vanished: %1").arg(made.join(QStringLiteral(", ")));
    qWarning().noquote() << "WARNING:" << text;
    statusBar()->showMessage(text);
}

// The lines keep going to the vanished file until a new one can be had.
bool MainWindow::RecreateLogFile(QFile& file, const QByteArray& header)
{
    const QString path = file.fileName();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile probe(path);
    if (!probe.open(QIODevice::WriteOnly | QIODevice::Append)) {
        logFilesGone.insert(path);
        ReportLogFailure(file, QStringLiteral("vanished, and cannot be made again: ") + probe.errorString());
        return false;
    }
    probe.close();
    QString error;
    if (!OpenLogFile(file, path, header, &error)) {
        ReportLogFailure(file, error);
        return false;
    }
    return true;
}

// ---- Opening ----

// The old day's files stay open, and keep the lines, until the new day's can be had.
bool MainWindow::NewDayFileUsable(const QString& path, const QString& stem)
{
    if (!path.isEmpty())
        QDir().mkpath(QFileInfo(path).absolutePath());
    QFile probe(path);
    if (path.isEmpty() || !probe.open(QIODevice::WriteOnly | QIODevice::Append)) {
        ReportLogFailure(QFile(path.isEmpty() ? stem : path),
                         path.isEmpty() ? QStringLiteral("refused") : probe.errorString());
        return false;
    }
    return true;
}

bool MainWindow::OpenLogFile(QFile& file, const QString& path, const QByteArray& header, QString* error)
{
    if (file.isOpen())
        file.close();
    QDir().mkpath(QFileInfo(path).absolutePath());
    file.setFileName(path);
    // Append: a day's file is never truncated, each opening adds its own header.
    // Unbuffered: a line is with the system as soon as it is written (tail -f follows,
    // a crash loses nothing), and a failed write is known for the record it cut. No
    // sync to the device: it could stall this thread, which also watches the 1PPS line.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        if (error)
            *error = QStringLiteral("Cannot open the log file %1: %2").arg(path, file.errorString());
        return false;
    }
    logFilesGone.remove(path);
    if (LogFileCheck::EndsInsideLine(path))
        logFilesInsideLine.insert(path);
    else
        logFilesInsideLine.remove(path);
    WriteLogBytes(file, header);
    return true;
}
