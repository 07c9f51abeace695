#pragma once

#include "logfilecheck.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QString>

#include <cstdint>
#include <functional>

// One log file, kept for a station nobody looks at for months: every record reaches the
// file at its path whole, or leaves nothing of itself. Before each write the file is
// checked, by device and inode, to be still the one its path leads to; when it is not
// (its folder was removed), folder and file are made again, with a header, before the
// record goes in. A failure and the return are each said once, through the say function,
// and the records lost between them are told when writing resumes. A symbolic link at
// the path is never followed: the program may run as root, and a link would let anyone
// who can write the folder make it append to any file on the machine. Nor is anything
// but a regular file written (a FIFO, a device, a socket), and opening never waits.
// Whatever blocks the file is tried again at each check, until it can be written.
// The object also keeps the file's UTC day and the rule by which that day moves on.
//
// It is a QFile, so that what reads or sets up a file by hand can still do so.
class LogFile : public QFile
{
public:
    // Says a failure (bWarning) or a return, e.g. "Log file /logs/GPS2024366.txt: File
    // too large" or "Log file /logs/GPS2024366.txt: writing again.".
    using Say = std::function<void(const QString& text, bool bWarning)>;
    // The header the file gets each time it is opened or made again, made at that moment.
    using Header = std::function<QByteArray()>;
    // The UTC time a lost record that carries no time of its own is counted at; the PC's
    // when none is set.
    using Clock = std::function<QDateTime()>;
    // The trailer a file gets when it is closed, made for the UTC time it is closed at.
    using Trailer = std::function<QByteArray(const QDateTime& utc)>;

    void SetSay(Say sayFunction) { say = std::move(sayFunction); }
    void SetClock(Clock clockFunction) { clock = std::move(clockFunction); }

    // Opens path for appending, unbuffered, making its folder, and writes the header on
    // a line of its own; day is the file's UTC day. A failure is returned in error as
    // "Cannot open the log file <path>: <reason>".
    bool Open(const QString& path, const QDate& day, const Header& header, QString* error = nullptr);
    // Writes the trailer, then closes the file. A file that vanished gets no trailer: its
    // folder, perhaps removed on purpose, is not made again for it. The trailer's time
    // is never earlier than the header's: a PC clock that lags the receiver's would
    // otherwise close a file before it was opened.
    void Close(const Trailer& trailer);
    void close() override;
    // The path the file was opened at: opened by its descriptor, never through a link,
    // it keeps the name here.
    QString fileName() const override { return openPath.isEmpty() ? QFile::fileName() : openPath; }

    // Lines a record needs before it, made once the path has been checked: a file made
    // again then starts with a header, which may already say what they would.
    using Lead = std::function<QByteArray()>;
    // Writes one record whole, with its lead, or cuts the file back to where it was;
    // false when it did not all go in. A closed file takes nothing. A record lost is
    // counted at recordUtc, the time it carries, so that the gap line names the times a
    // reader misses; at the clock's time when it carries none.
    bool Write(const QByteArray& bytes, const QDateTime& recordUtc = QDateTime(), const Lead& lead = nullptr);
    // When the path no longer leads to the open file, tries to make the file there
    // again; true when it was made now. A file that came back to its path (its folder
    // moved back) is written again as it is.
    bool RemakeIfVanished();

    // The file's UTC day; invalid for a file opened by hand, which takes the first day
    // it is given.
    QDate Day() const { return day; }
    void SetDay(const QDate& newDay) { day = newDay; }
    // The day the file is to have now, by the day of the log clock. While that clock is
    // the receiver's, a day other than the file's or the next must hold 10 s (the
    // LogDayGuard); during a silence the clock is the PC's, which may be wrong by days,
    // and only the next day, an ordinary midnight, is taken: the receiver's other day
    // starts its hold afresh when it speaks again.
    QDate ChooseDay(const QDate& clockDay, bool bReceiverClock, int64_t steadyMs);
    // Moves the open file to newDay's file at path. The new file is opened and taken
    // over first; only then does the old one get its trailer and close. When the new one
    // cannot be had, the old keeps the records, and the failure stays this file's until
    // the new day's file opens or that day is no longer wanted. An empty path was
    // refused; name then names the file.
    bool MoveToDay(const QString& path, const QString& name, const QDate& newDay, const Trailer& trailer);
    // The day step every log takes with the log clock: the day chosen by ChooseDay,
    // then FollowDay.
    using NameOfDay = std::function<QString(const QDate&)>;
    QDate FollowClock(const QDate& clockDay, bool bReceiverClock, int64_t steadyMs, const NameOfDay& pathOf,
                      const NameOfDay& nameOf, const Trailer& trailer);
    // The file's step to a day chosen for it (a TIC port's file follows its set): a file
    // opened by hand, without a day, takes the first it is given; its own day leaves it
    // where it is (a new day's failure is then past); another day moves it to
    // pathOf(day), its name given by nameOf(day) when the path is refused. The day moved
    // to, or invalid.
    QDate FollowDay(const QDate& chosen, const NameOfDay& pathOf, const NameOfDay& nameOf, const Trailer& trailer);

    // Why the file cannot be written now, and the name of the file that is meant (this
    // one, or the new day's that cannot be made); both empty while all is well.
    QString FailedName() const;
    QString Failure() const { return isOpen() ? failure : QString(); }
    // Says that the file at path failed for reason, once until it is written again; a
    // file that could not be opened keeps it, so that trying again says nothing more.
    void Fail(const QString& path, const QString& reason, bool bNewDay = false);

protected:
    // Makes the open descriptor fd this object's file, in place of the one held, and
    // takes it; false, with the error string set and fd still the caller's, when it
    // cannot be. The file held so far is then held still.
    virtual bool TakeOver(int fd);

private:
    // Why a file is being opened: it decides what a failure does to the file held.
    enum class Opening { First, Again, NewDay };
    bool OpenAt(const QString& path, Opening opening, const Trailer& trailer, QString* error = nullptr);
    void Refused(const QString& path, Opening opening, const QString& reason, bool bWrongKindAtPath, QString* error);
    bool Hold(int fd);
    bool PutWhole(const QByteArray& bytes, QString* failReason = nullptr);
    void PutHeader();
    QDateTime Now() const;
    QDateTime TrailerTime() const;
    void Lose(const QString& reason, const QDateTime& recordUtc);
    void Recover(const QString& path);
    void ForgetFailure();

    QString openPath;
    Say say;
    Header makeHeader;
    Clock clock;
    QDate day;
    // When the header was written: no trailer reads earlier.
    QDateTime openedUtc;
    LogDayGuard guard;
    // The record before was cut and could not be cut back: the next starts on a new line.
    bool bInsideLine = false;
    // Vanished and not made again: records reach no file anyone can read, and are lost.
    bool bGone = false;
    // The failure said, for failedPath; bNewDayFailure when it is a new day's file.
    QString failure;
    QString failedPath;
    bool bNewDayFailure = false;
    // The records lost since the last one written, and the times the first and last carry.
    int lostRecords = 0;
    QDateTime firstLostUtc;
    QDateTime lastLostUtc;
    QString lostReason;
};
