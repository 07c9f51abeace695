#pragma once

#include "logfilecheck.h"

#include <QByteArray>
#include <QDate>
#include <QFile>
#include <QString>

#include <cstdint>
#include <functional>

// One log file, kept for a station nobody looks at for months: every record reaches the
// file at its path whole, or leaves nothing of itself. Before each write the file is
// checked, by device and inode, to be still the one its path leads to; when it is not
// (its folder was removed), folder and file are made again, with a header, before the
// record goes in. A failure and the return are each said once, through the say function.
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

    void SetSay(Say sayFunction) { say = std::move(sayFunction); }

    // Opens path for appending, unbuffered, making its folder, and writes the header on
    // a line of its own; day is the file's UTC day. A failure is returned in error as
    // "Cannot open the log file <path>: <reason>".
    bool Open(const QString& path, const QDate& day, const Header& header, QString* error = nullptr);
    // Writes the trailer, then closes the file.
    void Close(const QByteArray& trailer);
    void close() override;

    // Writes bytes whole, or cuts the file back to where it was; false when they did not
    // all go in. A closed file takes nothing.
    bool Write(const QByteArray& bytes);
    // Makes the file again when its path no longer leads to it; true when it was made.
    bool KeepAtPath();

    // The file's UTC day; invalid for a file opened by hand, which takes the first day
    // it is given.
    QDate Day() const { return day; }
    void SetDay(const QDate& newDay) { day = newDay; }
    // The day the file is to have now, by the day of the log clock. While that clock is
    // the receiver's, a day other than the file's or the next must hold 10 s (the
    // LogDayGuard); during a silence the clock is the PC's, which may be wrong by days,
    // and only the next day, an ordinary midnight, is taken.
    QDate DayFor(const QDate& clockDay, bool bReceiverClock, int64_t steadyMs);
    // Whether the file of a new day can be had at path (its folder is made); when not,
    // the reason is this file's problem until it can, or until the day is no longer
    // wanted. An empty path was refused; stem then names the file.
    bool NewDayFileUsable(const QString& path, const QString& stem);

    // Why the file cannot be written now, and the name of the file that is meant (this
    // one, or the new day's that cannot be made); both empty while all is well.
    QString FailedName() const;
    QString Failure() const { return isOpen() ? failure : QString(); }
    // Says that the file at path failed for reason, once until it is written again; a
    // file that could not be opened keeps it, so that trying again says nothing more.
    void Fail(const QString& path, const QString& reason, bool bNewDay = false);

private:
    void Recover(const QString& path);
    bool OpenHere(const QString& path, QString* error);

    Say say;
    Header makeHeader;
    QDate day;
    LogDayGuard guard;
    // The record before was cut and could not be cut back: the next starts on a new line.
    bool bInsideLine = false;
    // Vanished and not made again: writes go to a file nobody can read.
    bool bGone = false;
    // The failure said, for failedPath; bNewDayFailure when it is a new day's file.
    QString failure;
    QString failedPath;
    bool bNewDayFailure = false;
};
