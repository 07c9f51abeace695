#include "logfile.h"

#include "logtexts.h"
#include "pctime.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Why a file at a log's path was not opened. A link and a file of another kind are
// said as they are; the system's reason is said with what was being done.
enum class Refusal { None, System, LinkAtPath, NotRegularFile };

struct Opened
{
    int fd = -1;
    Refusal refusal = Refusal::None;
    QString reason;
};

Opened Refuse(Refusal refusal, int error)
{
    switch (refusal) {
    case Refusal::LinkAtPath: return {-1, refusal, QStringLiteral("a symbolic link stands at its path")};
    case Refusal::NotRegularFile: return {-1, refusal, QStringLiteral("not a regular file")};
    default: return {-1, refusal, QString::fromLocal8Bit(std::strerror(error))};
    }
}

// The file at path opened for appending, made with its folder when missing. Never
// through a symbolic link at the path itself, never anything but a regular file, and
// never waiting: a FIFO with no reader would hold the thread that also polls the 1PPS
// line and serves the remote link for as long as none came, and a device would take
// the records into nothing.
Opened OpenRegularFile(const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QByteArray name = QFile::encodeName(path);
    const int flags = O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    // Read access lets the check for a last line left open use this very descriptor; a
    // file that may only be written is written all the same.
    int fd = ::open(name.constData(), O_RDWR | flags, 0666);
    if (fd < 0 && errno == EACCES)
        fd = ::open(name.constData(), O_WRONLY | flags, 0666);
    if (fd < 0) {
        // ENXIO: a FIFO that nobody reads, a socket, a device with nothing behind it.
        const int error = errno;
        return Refuse(error == ELOOP ? Refusal::LinkAtPath : error == ENXIO ? Refusal::NotRegularFile : Refusal::System,
                      error);
    }
    struct stat st = {};
    const bool bKnown = ::fstat(fd, &st) == 0;
    const Opened refused = !bKnown ? Refuse(Refusal::System, errno) : Refuse(Refusal::NotRegularFile, 0);
    if (!bKnown || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return refused;
    }
    // Only the opening had to be spared from waiting: a write waits for the disk.
    const int status = ::fcntl(fd, F_GETFL);
    if (status != -1)
        ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK);
    return {fd, Refusal::None, QString()};
}

// Appends bytes whole to fd, or cuts the file back to where it was: half a record reads
// as a whole one with other values ("0." for "0.259"). bInsideLine says whether the
// file ends inside a line, before and after; the system's reason on failure.
bool AppendWholeOrCutBack(int fd, const QByteArray& bytes, bool& bInsideLine, QString* reason)
{
    const bool bWasInsideLine = bInsideLine;
    const QByteArray out = bWasInsideLine ? '\n' + bytes : bytes;
    struct stat before = {};
    const bool bSizeKnown = ::fstat(fd, &before) == 0;
    qsizetype done = 0;
    int error = 0;
    while (done < out.size()) {
        const ssize_t n = ::write(fd, out.constData() + done, size_t(out.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = n < 0 ? errno : EIO;
            break;
        }
        done += n;
    }
    if (done == out.size()) {
        bInsideLine = out.back() != '\n';
        return true;
    }
    *reason = QString::fromLocal8Bit(std::strerror(error));
    if (bSizeKnown && ::ftruncate(fd, before.st_size) == 0)
        bInsideLine = bWasInsideLine;
    else if (done > 0)
        bInsideLine = out.at(done - 1) != '\n';
    return false;
}

// The cause of a failed dup3 onto target. An open-file limit lowered below a descriptor
// already held makes the system refuse that number as a bad descriptor: the limit is
// the cause, and the note is to name it.
int DupError(int error, int target)
{
    rlimit limit = {};
    const bool bAboveLimit = ::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
                             rlim_t(target) >= limit.rlim_cur;
    return error == EBADF && bAboveLimit ? EMFILE : error;
}

const QString kCannotBeMadeAgain = QStringLiteral("vanished and cannot be made again: ");

}  // namespace

// ---- Opening and closing ----

bool LogFile::Open(const QString& path, const QDate& fileDay, const Header& header, QString* error)
{
    if (isOpen())
        QFile::close();
    openPath.clear();
    makeHeader = header;
    day = fileDay;
    guard = LogDayGuard();
    return OpenAt(path, Opening::First, nullptr, error);
}

// The one way a log comes to hold a file, whether its first, one made again or a new
// day's: the file at path opened; the file held so far (if any) kept until the new one
// is taken over, then given its trailer and closed; the header written. Whatever cannot
// be had leaves the file held so far as it was, and is tried again by the caller.
bool LogFile::OpenAt(const QString& path, Opening opening, const Trailer& trailer, QString* error)
{
    const Opened opened = OpenRegularFile(path);
    if (opened.fd < 0) {
        Refused(path, opening, opened.reason, opened.refusal != Refusal::System, error);
        return false;
    }
    const QString oldPath = fileName();
    const bool bOldGetsTrailer = trailer && isOpen() && !bGone && LogFileCheck::StillAtPath(*this);
    // The file held so far, for its trailer once the new one has taken its place.
    const int old = bOldGetsTrailer ? ::fcntl(handle(), F_DUPFD_CLOEXEC, 0) : -1;
    if (bOldGetsTrailer && old < 0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        ::close(opened.fd);
        Refused(path, opening, reason, false, error);
        return false;
    }
    bool bOldInsideLine = bInsideLine;
    // A file opened by hand may be buffered: what it holds belongs to the old file.
    if (isOpen())
        flush();
    if (!TakeOver(opened.fd)) {
        const QString reason = errorString();
        ::close(opened.fd);
        if (old >= 0)
            ::close(old);
        // The file held so far goes on as before: a new day's records stay in the old
        // day's file, and those of a vanished one are counted as lost.
        Refused(path, opening, reason, false, error);
        return false;
    }
    if (old >= 0) {
        QString reason;
        if (!AppendWholeOrCutBack(old, trailer(TrailerTime()), bOldInsideLine, &reason) && say)
            say(QStringLiteral("Log file %1: %2").arg(oldPath, reason), true);
        ::close(old);
    }
    openPath = path;
    bGone = false;
    // A file left inside a line (a crash, another program) gets the header on a line of
    // its own.
    bInsideLine = LogFileCheck::EndsInsideLine(handle());
    if (opening == Opening::Again) {
        if (say)
            say(QStringLiteral("Log file %1: made again after it vanished.").arg(path), true);
    } else if (failedPath != path) {
        // What another file of this object failed at is past; this one's return is said.
        ForgetFailure();
    }
    PutHeader();
    return true;
}

// What a file that could not be had does: a first opening fails, a vanished file's
// records are lost, a new day's stay in the old day's file; each is tried again.
void LogFile::Refused(const QString& path, Opening opening, const QString& reason, bool bWrongKindAtPath,
                      QString* error)
{
    switch (opening) {
    case Opening::First:
        if (error)
            *error = QStringLiteral("Cannot open the log file %1: %2").arg(path, reason);
        break;
    case Opening::Again:
        bGone = true;
        // A link or a file of another kind at the path says itself why nothing was made.
        Fail(path, bWrongKindAtPath ? reason : kCannotBeMadeAgain + reason);
        break;
    case Opening::NewDay:
        Fail(path, reason, true);
        break;
    }
}

bool LogFile::TakeOver(int fd)
{
    if (!isOpen())
        return Hold(fd);
    // The new file takes the place of the one held, under the same descriptor: the log is
    // never without a file, whatever fails.
    if (::dup3(fd, handle(), O_CLOEXEC) < 0) {
        const int error = errno;
        setErrorString(QString::fromLocal8Bit(std::strerror(DupError(error, handle()))));
        return false;
    }
    ::close(fd);
    return true;
}

bool LogFile::Hold(int fd)
{
    // Append: a day's file is never truncated, each opening adds its own header.
    // Unbuffered: a line is with the system as soon as it is written (tail -f follows,
    // a crash loses nothing), and a failed write is known for the record it cut. No
    // sync to the device: it could stall the thread that also watches the 1PPS line.
    return QFile::open(fd, QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered, AutoCloseHandle);
}

void LogFile::PutHeader()
{
    openedUtc = Now();
    if (makeHeader)
        PutWhole(makeHeader());
}

void LogFile::Close(const Trailer& trailer)
{
    if (!isOpen())
        return;
    if (trailer && !bGone && LogFileCheck::StillAtPath(*this))
        PutWhole(trailer(TrailerTime()));
    close();
}

void LogFile::close()
{
    QFile::close();
    openPath.clear();
    day = QDate();
    openedUtc = QDateTime();
    guard = LogDayGuard();
    makeHeader = nullptr;
    bInsideLine = false;
    bGone = false;
    ForgetFailure();
    lostRecords = 0;
}

QDateTime LogFile::Now() const
{
    return clock ? clock() : PcTime::CurrentUtc();
}

QDateTime LogFile::TrailerTime() const
{
    const QDateTime now = Now();
    return openedUtc.isValid() && now < openedUtc ? openedUtc : now;
}

// ---- Writing ----

bool LogFile::Write(const QByteArray& bytes, const QDateTime& recordUtc, const Lead& lead)
{
    if (!isOpen())
        return false;
    if (bytes.isEmpty())
        return true;
    RemakeIfVanished();
    if (bGone) {
        Lose(failure, recordUtc);
        return false;
    }
    const QString gap = lostRecords == 0 ? QString()
                                         : LogTexts::GapText(lostRecords, firstLostUtc, lastLostUtc, lostReason);
    // Every log's readers skip "; " lines: the header and trailer are such lines too.
    const QByteArray gapLine = gap.isEmpty() ? QByteArray() : "; " + gap.toUtf8() + '\n';
    QString reason;
    if (!PutWhole(gapLine + (lead ? lead() : QByteArray()) + bytes, &reason)) {
        Lose(reason, recordUtc);
        return false;
    }
    lostRecords = 0;
    return true;
}

bool LogFile::PutWhole(const QByteArray& bytes, QString* failReason)
{
    if (bytes.isEmpty())
        return true;
    // A file opened by hand may be buffered: what it holds goes first.
    flush();
    QString reason;
    if (AppendWholeOrCutBack(handle(), bytes, bInsideLine, &reason)) {
        Recover(fileName());
        return true;
    }
    Fail(fileName(), reason);
    if (failReason)
        *failReason = reason;
    return false;
}

// The one place where records are counted as lost, for the gap they leave.
void LogFile::Lose(const QString& reason, const QDateTime& recordUtc)
{
    const QDateTime now = recordUtc.isValid() ? recordUtc : Now();
    if (lostRecords++ == 0) {
        firstLostUtc = now;
        lostReason = reason;
    }
    lastLostUtc = now;
}

bool LogFile::RemakeIfVanished()
{
    if (!isOpen())
        return false;
    if (LogFileCheck::StillAtPath(*this)) {
        // Its folder moved away and back: the file held is at its path again, and can
        // be written (the records lost are told with the next).
        if (bGone) {
            bGone = false;
            Recover(fileName());
        }
        return false;
    }
    // Until a new file can be had the records are lost: the vanished file is closed
    // only once a new one is open, so that the log stays open meanwhile.
    return OpenAt(fileName(), Opening::Again, nullptr);
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

bool LogFile::MoveToDay(const QString& path, const QString& name, const QDate& newDay, const Trailer& trailer)
{
    if (path.isEmpty()) {
        Fail(name, QStringLiteral("refused"), true);
        return false;
    }
    if (!OpenAt(path, Opening::NewDay, trailer))
        return false;
    day = newDay;
    guard = LogDayGuard();
    return true;
}

QDate LogFile::FollowClock(const QDate& clockDay, bool bReceiverClock, int64_t steadyMs, const NameOfDay& pathOf,
                           const NameOfDay& nameOf, const Trailer& trailer)
{
    if (!isOpen())
        return QDate();
    return FollowDay(ChooseDay(clockDay, bReceiverClock, steadyMs), pathOf, nameOf, trailer);
}

QDate LogFile::FollowDay(const QDate& chosen, const NameOfDay& pathOf, const NameOfDay& nameOf, const Trailer& trailer)
{
    if (!isOpen() || !chosen.isValid())
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
