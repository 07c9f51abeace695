#include "logfile.h"

#include <QDir>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Whether a file can be had at path now, making its folder first; why not in reason.
bool CanMake(const QString& path, QString* reason)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile probe(path);
    if (probe.open(QIODevice::WriteOnly | QIODevice::Append))
        return true;
    *reason = probe.errorString();
    return false;
}

}  // namespace

// ---- Opening and closing ----

bool LogFile::Open(const QString& path, const QDate& fileDay, const Header& header, QString* error)
{
    if (isOpen())
        QFile::close();
    makeHeader = header;
    if (!OpenHere(path, error))
        return false;
    // What another file of this object failed at is past; this one's return is said.
    if (failedPath != path) {
        failure.clear();
        failedPath.clear();
        bNewDayFailure = false;
    }
    day = fileDay;
    Write(makeHeader ? makeHeader() : QByteArray());
    return true;
}

bool LogFile::OpenHere(const QString& path, QString* error)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    setFileName(path);
    // Append: a day's file is never truncated, each opening adds its own header.
    // Unbuffered: a line is with the system as soon as it is written (tail -f follows,
    // a crash loses nothing), and a failed write is known for the record it cut. No
    // sync to the device: it could stall the thread that also watches the 1PPS line.
    if (!QFile::open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        if (error)
            *error = QStringLiteral("Cannot open the log file %1: %2").arg(path, errorString());
        return false;
    }
    bGone = false;
    // A file left inside a line (a crash, another program) gets the header on a line of
    // its own.
    bInsideLine = LogFileCheck::EndsInsideLine(path);
    return true;
}

void LogFile::Close(const QByteArray& trailer)
{
    if (!isOpen())
        return;
    Write(trailer);
    close();
}

void LogFile::close()
{
    QFile::close();
    day = QDate();
    guard = LogDayGuard();
    makeHeader = nullptr;
    bInsideLine = false;
    bGone = false;
    failure.clear();
    failedPath.clear();
    bNewDayFailure = false;
}

// ---- Writing ----

bool LogFile::Write(const QByteArray& bytes)
{
    if (!isOpen())
        return false;
    if (bytes.isEmpty())
        return true;
    KeepAtPath();
    const bool bWasInsideLine = bInsideLine;
    const QByteArray out = bWasInsideLine ? '\n' + bytes : bytes;
    struct stat before = {};
    const bool bSizeKnown = ::fstat(handle(), &before) == 0;
    qint64 done = 0;
    while (done < out.size()) {
        const qint64 n = QFile::write(out.constData() + done, out.size() - done);
        if (n <= 0)
            break;
        done += n;
    }
    if (done == out.size()) {
        bInsideLine = out.back() != '\n';
        Recover(fileName());
        return true;
    }
    // Unbuffered, each failed write call sets the system's reason.
    const QString reason = errorString();
    unsetError();
    // Half a record reads as a whole one with other values ("0." for "0.259"): it goes.
    if (bSizeKnown && ::ftruncate(handle(), before.st_size) == 0)
        bInsideLine = bWasInsideLine;
    else if (done > 0)
        bInsideLine = out.at(done - 1) != '\n';
    Fail(fileName(), reason);
    return false;
}

bool LogFile::KeepAtPath()
{
    if (!isOpen() || LogFileCheck::StillAtPath(*this))
        return false;
    // Until a new file can be had the lines keep going to the vanished one.
    const QString path = fileName();
    QString reason;
    if (!CanMake(path, &reason)) {
        bGone = true;
        Fail(path, QStringLiteral("vanished, and cannot be made again: ") + reason);
        return false;
    }
    QFile::close();
    QString error;
    if (!OpenHere(path, &error)) {
        bGone = true;
        Fail(path, error);
        return false;
    }
    if (say)
        say(QStringLiteral("Log file %1: made again after it vanished.").arg(path), true);
    Write(makeHeader ? makeHeader() : QByteArray());
    return true;
}

// ---- Failure and return ----

void LogFile::Fail(const QString& path, const QString& reason, bool bNewDay)
{
    if (!failure.isEmpty())
        return;
    failure = reason;
    failedPath = path;
    bNewDayFailure = bNewDay;
    if (say)
        say(QStringLiteral("Log file %1: %2").arg(path, reason), true);
}

void LogFile::Recover(const QString& path)
{
    if (failure.isEmpty() || bGone || path != failedPath)
        return;
    failure.clear();
    failedPath.clear();
    bNewDayFailure = false;
    if (say)
        say(QStringLiteral("Log file %1: writing again.").arg(path), false);
}

QString LogFile::FailedName() const
{
    return Failure().isEmpty() ? QString() : QFileInfo(failedPath).fileName();
}

// ---- The day ----

QDate LogFile::DayFor(const QDate& clockDay, bool bReceiverClock, int64_t steadyMs)
{
    QDate chosen = day;
    if (bReceiverClock) {
        chosen = guard.Choose(day, clockDay, steadyMs);
    } else {
        // The receiver's other day, if one was being held, is held afresh when it speaks.
        guard = LogDayGuard();
        if (clockDay.isValid() && (!day.isValid() || clockDay == day.addDays(1)))
            chosen = clockDay;
    }
    // A new day's file that could not be made is no problem once that day is not wanted.
    if (chosen == day && bNewDayFailure) {
        failure.clear();
        failedPath.clear();
        bNewDayFailure = false;
    }
    return chosen;
}

bool LogFile::NewDayFileUsable(const QString& path, const QString& stem)
{
    QString reason;
    if (path.isEmpty() || !CanMake(path, &reason)) {
        Fail(path.isEmpty() ? stem : path, path.isEmpty() ? QStringLiteral("refused") : reason, true);
        return false;
    }
    Recover(path);
    return true;
}
