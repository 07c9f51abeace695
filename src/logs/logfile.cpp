#include "logfile.h"

#include "logtexts.h"
#include "pctime.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kLinkAtPath = QStringLiteral("a symbolic link stands at its path");

// The file at path opened for appending, made with its folder when missing, but never
// through a symbolic link at the path itself; -1, and why in reason, when it cannot be.
int OpenAppending(const QString& path, QString* reason)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC,
                          0666);
    if (fd < 0)
        *reason = errno == ELOOP ? kLinkAtPath : QString::fromLocal8Bit(std::strerror(errno));
    return fd;
}

}  // namespace

// ---- Opening and closing ----

bool LogFile::Open(const QString& path, const QDate& fileDay, const Header& header, QString* error)
{
    if (isOpen())
        QFile::close();
    openPath.clear();
    makeHeader = header;
    if (!OpenHere(path, error))
        return false;
    // What another file of this object failed at is past; this one's return is said.
    if (failedPath != path)
        ForgetFailure();
    day = fileDay;
    Put(makeHeader ? makeHeader() : QByteArray(), Part::Header);
    return true;
}

bool LogFile::OpenHere(const QString& path, QString* error)
{
    QString reason;
    const int fd = OpenAppending(path, &reason);
    if (fd < 0 || !Adopt(fd, path, &reason)) {
        if (error)
            *error = QStringLiteral("Cannot open the log file %1: %2").arg(path, reason);
        return false;
    }
    return true;
}

bool LogFile::Adopt(int fd, const QString& filePath, QString* reason)
{
    // Append: a day's file is never truncated, each opening adds its own header.
    // Unbuffered: a line is with the system as soon as it is written (tail -f follows,
    // a crash loses nothing), and a failed write is known for the record it cut. No
    // sync to the device: it could stall the thread that also watches the 1PPS line.
    if (!QFile::open(fd, QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered, AutoCloseHandle)) {
        *reason = errorString();
        ::close(fd);
        return false;
    }
    openPath = filePath;
    bGone = false;
    // A file left inside a line (a crash, another program) gets the header on a line of
    // its own.
    bInsideLine = LogFileCheck::EndsInsideLine(filePath);
    return true;
}

void LogFile::Close(const QByteArray& trailer)
{
    if (!isOpen())
        return;
    if (!bGone && LogFileCheck::StillAtPath(*this))
        Put(trailer, Part::Trailer);
    close();
}

void LogFile::close()
{
    QFile::close();
    openPath.clear();
    day = QDate();
    guard = LogDayGuard();
    makeHeader = nullptr;
    bInsideLine = false;
    bGone = false;
    ForgetFailure();
    lostRecords = 0;
}

// ---- Writing ----

bool LogFile::Write(const QByteArray& bytes)
{
    return Put(bytes, Part::Record);
}

bool LogFile::Put(const QByteArray& bytes, Part part)
{
    if (!isOpen())
        return false;
    if (bytes.isEmpty())
        return true;
    if (part != Part::Record)
        return PutWhole(bytes);
    RemakeIfVanished();
    if (bGone) {
        Lose(failure);
        return false;
    }
    const QString gap = lostRecords == 0 ? QString()
                                         : LogTexts::GapText(lostRecords, firstLostUtc, lastLostUtc, lostReason);
    const QByteArray gapLine = gap.isEmpty() || !bGapLines ? QByteArray() : "; " + gap.toUtf8() + '\n';
    QString reason;
    if (!PutWhole(gapLine + bytes, &reason)) {
        Lose(reason);
        return false;
    }
    lostRecords = 0;
    if (!gap.isEmpty() && !bGapLines && say)
        say(QStringLiteral("Log file %1: %2").arg(fileName(), gap), true);
    return true;
}

bool LogFile::PutWhole(const QByteArray& bytes, QString* failReason)
{
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
    if (failReason)
        *failReason = reason;
    return false;
}

void LogFile::Lose(const QString& reason)
{
    const QDateTime now = clock ? clock() : PcTime::CurrentUtc();
    if (lostRecords++ == 0) {
        firstLostUtc = now;
        lostReason = reason;
    }
    lastLostUtc = now;
}

bool LogFile::RemakeIfVanished()
{
    if (!isOpen() || LogFileCheck::StillAtPath(*this))
        return false;
    // Until a new file can be had the records are lost: the vanished file is closed
    // only once a new one is open, so that the log stays open meanwhile.
    const QString path = fileName();
    QString reason;
    const int fd = OpenAppending(path, &reason);
    if (fd < 0) {
        bGone = true;
        Fail(path, reason == kLinkAtPath ? reason : QStringLiteral("vanished, and cannot be made again: ") + reason);
        return false;
    }
    QFile::close();
    if (!Adopt(fd, path, &reason)) {
        bGone = true;
        Fail(path, reason);
        return false;
    }
    if (say)
        say(QStringLiteral("Log file %1: made again after it vanished.").arg(path), true);
    Put(makeHeader ? makeHeader() : QByteArray(), Part::Header);
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
    ForgetFailure();
    if (say)
        say(QStringLiteral("Log file %1: writing again.").arg(path), false);
}

void LogFile::ForgetFailure()
{
    failure.clear();
    failedPath.clear();
    bNewDayFailure = false;
}

QString LogFile::FailedName() const
{
    return Failure().isEmpty() ? QString() : QFileInfo(failedPath).fileName();
}

// ---- The day ----

QDate LogFile::ChooseDay(const QDate& clockDay, bool bReceiverClock, int64_t steadyMs)
{
    if (bReceiverClock)
        return guard.Choose(day, clockDay, steadyMs);
    guard = LogDayGuard();
    return clockDay.isValid() && (!day.isValid() || clockDay == day.addDays(1)) ? clockDay : day;
}

bool LogFile::MoveToDay(const QString& path, const QString& name, const QDate& newDay, const QByteArray& trailer)
{
    if (path.isEmpty()) {
        Fail(name, QStringLiteral("refused"), true);
        return false;
    }
    QString reason;
    const int fd = OpenAppending(path, &reason);
    if (fd < 0) {
        Fail(path, reason, true);
        return false;
    }
    if (!bGone && LogFileCheck::StillAtPath(*this))
        Put(trailer, Part::Trailer);
    QFile::close();
    if (!Adopt(fd, path, &reason)) {
        bGone = true;
        Fail(path, reason, true);
        return false;
    }
    day = newDay;
    guard = LogDayGuard();
    // What the old day's file failed at is past; the new one's return is said.
    if (failedPath != path)
        ForgetFailure();
    Put(makeHeader ? makeHeader() : QByteArray(), Part::Header);
    return true;
}

QDate LogFile::FollowClock(const QDate& clockDay, bool bReceiverClock, int64_t steadyMs,
                           const std::function<QString(const QDate&)>& pathOf,
                           const std::function<QString(const QDate&)>& nameOf, const QByteArray& trailer)
{
    if (!isOpen())
        return QDate();
    const QDate chosen = ChooseDay(clockDay, bReceiverClock, steadyMs);
    if (!chosen.isValid())
        return QDate();
    if (!day.isValid()) {
        day = chosen;
        return QDate();
    }
    if (chosen == day) {
        if (bNewDayFailure)
            ForgetFailure();
        return QDate();
    }
    return MoveToDay(pathOf(chosen), nameOf(chosen), chosen, trailer) ? chosen : QDate();
}
