#pragma once

#include <QDate>
#include <QString>

#include <cstdint>

class QFile;

// What the logs check of their files without a window: whether an open file is still
// the one its name leads to, and whether a file ends inside a record.
namespace LogFileCheck {

// False when the path no longer leads to the open file: the file or its folder was
// removed, or the file was moved away and another, or a symbolic link, put in its
// place. Writes to it would reach no file anyone can read. A file that is not open
// counts as in place.
bool StillAtPath(const QFile& file);

// Whether the file open at fd ends inside a line: it is not empty and its last byte is
// no line feed. A file that cannot be read through fd does not. The descriptor is
// read, never the name: what stands at the path now may be a FIFO.
bool EndsInsideLine(int fd);

}  // namespace LogFileCheck

// Chooses the day of the log files from the day of the log clock. The current day and
// the next are taken at once, the next being an ordinary midnight. Any other day is
// taken only after every reading for kHoldMs has named it: one sentence with a wrong
// date (a receiver at cold start, a glitch) would otherwise close the day's files and
// open a file of its own.
class LogDayGuard
{
public:
    static constexpr int64_t kHoldMs = 10000;

    // The day the files are to have now. filesDay is their day (invalid: none yet),
    // clockDay the log clock's, steadyMs a steady clock.
    QDate Choose(const QDate& filesDay, const QDate& clockDay, int64_t steadyMs);

private:
    QDate candidate;         // the other day the readings have named since sinceMs
    int64_t sinceMs = 0;
};
