#include "logfilecheck.h"

#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace LogFileCheck {

bool StillAtPath(const QFile& file)
{
    struct stat open = {};
    if (!file.isOpen() || file.handle() < 0 || ::fstat(file.handle(), &open) != 0)
        return true;
    struct stat named = {};
    // lstat: a symbolic link put at the path is never the open file, whatever it leads to.
    if (::lstat(QFile::encodeName(file.fileName()).constData(), &named) != 0)
        // A folder that turned unreadable hides the file but does not remove it.
        return errno != ENOENT && errno != ENOTDIR;
    return open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

bool EndsInsideLine(int fd)
{
    struct stat st = {};
    if (::fstat(fd, &st) != 0 || st.st_size == 0)
        return false;
    char last = '\n';
    return ::pread(fd, &last, 1, st.st_size - 1) == 1 && last != '\n';
}

}  // namespace LogFileCheck

QDate LogDayGuard::Choose(const QDate& filesDay, const QDate& clockDay, int64_t steadyMs)
{
    if (!clockDay.isValid())
        return filesDay;
    if (!filesDay.isValid() || clockDay == filesDay || clockDay == filesDay.addDays(1)) {
        candidate = QDate();
        return clockDay;
    }
    if (clockDay != candidate) {
        candidate = clockDay;
        sinceMs = steadyMs;
    }
    if (steadyMs - sinceMs < kHoldMs)
        return filesDay;
    candidate = QDate();
    return clockDay;
}
