#pragma once

#include <QByteArray>
#include <QList>

#include <functional>

// The remote client's input, cut into lines. Telnet negotiation (IAC and what follows
// it) and NUL bytes are dropped; a line ends at CR or LF. A subnegotiation that runs
// past kMaxSubnegotiation bytes without its IAC SE ends there, and what follows is read
// as input again: no client option needs more, and an unended one would otherwise
// swallow the rest of the session. A line is kept to its first kMaxLineLength bytes:
// the rest is dropped and the line is handed on marked too long when its end arrives,
// so a client that never ends a line holds a bounded buffer.
class RemoteLineReader
{
public:
    static constexpr qsizetype kMaxLineLength = 256;
    static constexpr int kMaxSubnegotiation = 64;

    // Gets each finished line; returns false when no further line is wanted (the
    // client said EXIT or was dropped), and the rest of the block is left unread.
    using LineSink = std::function<bool(const QByteArray& line, bool bTooLong)>;

    void Feed(const char* data, qsizetype size, const LineSink& sink);
    void Reset();

private:
    enum class State { Text, Iac, Option, Sub, SubIac };

    State state = State::Text;
    int subBytes = 0;  // of the subnegotiation under way, after its IAC SB
    QByteArray line;
    bool bTooLong = false;
};

// The form of one remote line and of the program's "$VUDUZ" sentences.
namespace RemoteLine {

enum Kind {
    Empty,    // blanks only: ignored
    Exit,     // "EXIT": the client leaves
    Command,  // "$VUDUZ," and printable ASCII, with a matching "*hh" when there is one
    Bad       // anything else: sent back followed by " ???"
};

// The degree sign may stand in a command as the REFLOC reply writes it (UTF-8) or as
// the one byte of Latin-1; no other byte outside printable ASCII may.
Kind Check(const QByteArray& line, bool bTooLong = false);

// A line that cannot be carried out, as it is sent back: trimmed, each byte outside
// printable ASCII shown as "?", then " ???".
QByteArray Echo(const QByteArray& line);

// "$VUDUZ," + body + "*hh", the checksum in upper-case hex.
QByteArray Sentence(const QByteArray& body);

// A checked command line without "$VUDUZ," and its "*hh": the fields after the
// sentence id. Empty when the line has no "$VUDUZ," in front.
QByteArray Body(const QByteArray& line);

}  // namespace RemoteLine

// One remote command as read from its fields. The command words match without regard
// to case; what the fields after them mean is left to the one who carries it out.
struct RemoteCommand
{
    enum Kind {
        Unknown,
        Version,        // VERSION
        RefLocQuery,    // REFLOC
        RefLocSet,      // REFLOC,lat,lon,altGps[,altMsl]
        LogOpen,        // GPSLOG,OPEN or TICLOG,OPEN
        LogClose,       // ...,CLOSE
        LogStatus,      // ...,STATUS
        LogConfig,      // ...,CONFIG,fields
        TicDataNow,     // TICDATA,TIME or TICDATA,AVERAGE
        TicDataStream   // TICDATA,TIME or AVERAGE, then OFF, NEXT or ON
    };

    Kind kind = Unknown;
    bool bTicLog = false;      // TICLOG rather than GPSLOG
    bool bAverage = false;     // TICDATA,AVERAGE rather than TIME
    int streamMode = 0;        // OFF 0, NEXT 1 (the next line only), ON 2
    QList<QByteArray> fields;  // REFLOC's and CONFIG's fields, each trimmed, empty ones kept

    static RemoteCommand Parse(const QByteArray& line);
};
