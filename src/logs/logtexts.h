#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

// The texts the data logs write: headers, trailers, the per-second status records and
// the raw-message records. Plain logic, driven by tests without a window.
namespace LogTexts {

// A header or trailer time: "dd-MMM-yyyy HH:mm:ss" in UTC, English month names.
QString LogTimeText(const QDateTime& utc);

// A text as log lines: CRs removed, trailing LFs cut, one LF added; empty stays empty.
QByteArray LogLines(const QString& text);

// A text built from received bytes, fit for a text log: every control character but CR
// and LF (which LogLines deals with) becomes a blank. A receiver pads its text fields
// with NULs, and one NUL is enough for tools to take the whole log for a binary file.
QString BlankControls(QString text);

// Bytes a device or a remote client sent, made fit to be quoted in the debug log, a
// status note or an echo, with each byte outside printable ASCII shown as "?": a
// terminal tailing the log must never act on an escape sequence from a serial line.
inline bool IsPrintableAscii(unsigned char c) { return c >= 0x20 && c <= 0x7E; }
QByteArray Printable(QByteArrayView bytes);

// What the configuration log keeps before its file opens: at most limit characters; the
// first text that does not fit adds the overflow line instead, once.
constexpr int kConfigurationBufferLimit = 20000;
void BufferConfigurationText(QString& buffer, const QString& lines);

// A BINARY log record: the message, the XOR of its bytes from the third on, CR LF.
QByteArray BinaryRecord(const QByteArray& msg);
// The Motorola messages a RINEX log keeps for an outside converter.
bool IsRinexMessage(const QByteArray& msg);

// The fields of a GPS data log header.
struct GpsHeader
{
    QString version;
    QDateTime openedUtc;
    int logType = 0;
    int receiverModel = 0;
    int portMode = 0;
    int utcOffsetSecs = 0;
    QString referenceLocation;
};
QByteArray GpsLogHeader(const GpsHeader& header);
// The header's lines from the log type on: what the records that follow are, down to the
// NMEA column line of a PVT log. A receiver or mode that changes under an open log gets
// them again before its first record.
QByteArray GpsReceiverLines(const GpsHeader& header);

// The fields of a TIC log header; port 0 is the combined file.
struct TicHeader
{
    QString version;
    QDateTime openedUtc;
    char kind = 'C';  // 'A' averages, 'T' time intervals, 'C' combined
    int port = 0;
    QString portName;
    int timeTagFormat = 2;
    int logStyle = 1;
};
QByteArray TicLogHeader(const TicHeader& header);

// What a log says of the records it lost, e.g. "3 records not written from 31-Dec-2024
// 14:00:37 UTC to 31-Dec-2024 14:00:39 UTC: File too large".
QString GapText(int records, const QDateTime& fromUtc, const QDateTime& toUtc, const QString& reason);

// The note while logs are not written, one head per log that says which: "GPS log not
// written: GPS2024366.txt (File too large); TIC log not written: TIC2024366T1.csv
// (not a regular file)". Each problem is "<file> (<reason>)"; empty when none is.
QString NotWrittenNote(const QStringList& gpsProblems, const QStringList& ticProblems);

// "; Closed GPS Data Log <time> UTC\n; \n" and its TIC set form.
QByteArray GpsLogTrailer(const QDateTime& utc);
QByteArray TicLogTrailer(const QDateTime& utc);

// The values of one logged second, as the status records show them.
struct StatusValues
{
    QDateTime utc;
    bool bLeapSecond = false;  // utc is 23:59:59, and the second is 23:59:60 after it
    QString nmeaPosition;  // ddmm.mmmm,N,dddmm.mmmm,E
    int navMode = 0;
    int fixStatus = 0;
    int satellitesUsed = 0;
    bool bLocked = false;
    std::optional<qint64> pcClockOffsetMs;  // none: the column stays empty
    double hdop = 0.0;
    double altitudeMsl = 0.0;
    double geoidSeparation = 0.0;
};
// RAW: yyyy-MM-dd,HH:mm:ss,position,nav mode,fix status,satellites,lock,PC offset.
QString RawStatusRecord(const StatusValues& v);
// NMEA: a "$GPGGA" sentence with its checksum, without line end.
QByteArray GgaStatusSentence(const StatusValues& v);

// The names used by headers.
QString ReceiverModelName(int model);
QString TimeTagFormatName(int format);

}  // namespace LogTexts
