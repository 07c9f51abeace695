#pragma once

#include <QChar>
#include <QDate>
#include <QDateTime>
#include <QString>

// The names of the log files and the choice of the logged seconds and of the day: plain
// logic that the GPS log, the TIC log set and the remote commands share.
namespace LogFileNames {

// GpsLogType: 0 RAW, 1 BINARY, 2 PVT, 3 NMEA, 4 RINEX.
enum GpsLogKind { GpsLogRaw = 0, GpsLogBinary = 1, GpsLogPvt = 2, GpsLogNmea = 3, GpsLogRinex = 4 };

// "RAW", "BINARY", "PVT", "NMEA" or "RINEX"; an unknown type reads as "RAW".
QString GpsLogTypeName(int type);
// ".txt", ".bin" or ".csv" for a GpsLogType; an unknown type reads as RAW.
QString GpsLogExtension(int type);
// ".prn" (space-delimited), ".csv" (comma) or ".txt" (tab) for a TicLogStyle; an unknown
// style reads as comma-delimited.
QString TicLogExtension(int style);

// The choices of "log every": index into 1, 2, 5, 10, 15, 30, 60, 300, 600, 900, 1800
// and 3600 seconds.
constexpr int kGpsLogEveryCount = 12;
// The seconds of an index; an index out of range reads as index 0.
int GpsLogPeriodSeconds(int everyIndex);
// The index itself, or 0 when it is out of range.
int ValidGpsLogEveryIndex(int everyIndex);
// Whether a second is logged: its second of the day is a multiple of the period.
bool IsLoggedSecond(const QTime& time, int periodSeconds);

// Whether a file-name prefix may be used: letters, digits, '_' and '-', at most 32, and
// no '-' first: a name that starts like an option is misread by the tools that take it.
bool IsValidPrefix(const QString& prefix);
// "<prefix><yyyy><ddd>" of a UTC day, e.g. GPS2024366.
QString DayStem(const QString& prefix, const QDate& day);

// The full path of a file name inside a folder, or empty when the result would not lie
// inside that folder.
QString PathInFolder(const QString& folder, const QString& fileName);
// The GPS data log of a day; empty for a refused prefix or a path outside the folder.
QString GpsLogPath(const QString& folder, const QString& prefix, int type, const QDate& day);
// A file of the TIC log set: kind 'A' (averages) or 'T' (time intervals) of port 1 to 8,
// or 'C' (combined; the port is not used). Empty when refused.
QString TicLogPath(const QString& folder, const QString& prefix, int style, const QDate& day, QChar kind,
                   int port);

// The time the logs go by, in UTC: the receiver's, while a receiver time is known,
// recent and valid, else the PC clock's. Its date chooses the day's files.
QDateTime LogClock(const QDateTime& receiverTime, bool bReceiverTimeFresh, const QDateTime& pcUtc);

}  // namespace LogFileNames

namespace LogFileNames {

// The folder the logs go to until one is chosen: the user's documents plus "/Horalux".
QString DefaultFolder();
// Why a prefix was refused, for the operator.
QString PrefixRefusedText(const QString& prefix);

}  // namespace LogFileNames
