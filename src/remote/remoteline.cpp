#include "remoteline.h"

#include "gpsserialportthread.h"
#include "mainwindow.h"
#include "logtexts.h"

namespace {

// Telnet command bytes (RFC 854).
constexpr unsigned char kIac = 255;
constexpr unsigned char kSb = 250;
constexpr unsigned char kWill = 251;
constexpr unsigned char kDont = 254;
constexpr unsigned char kSe = 240;

constexpr unsigned char kDegreeSign = 0xB0;      // Latin-1
constexpr unsigned char kUtf8DegreeLead = 0xC2;  // UTF-8: 0xC2 0xB0

using LogTexts::IsPrintableAscii;

const QByteArray kSentenceId = "$VUDUZ,";

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool StartsWithId(const QByteArray& line)
{
    return line.size() >= kSentenceId.size()
        && qstrnicmp(line.constData(), kSentenceId.constData(), kSentenceId.size()) == 0;
}

// All fields of the text, split as every comma-separated text of the program is. An
// empty field after the last comma counts: it keeps a stored value.
QList<QByteArray> SplitFields(QByteArray text)
{
    QList<QByteArray> fields;
    bool bMore = !text.isEmpty();
    while (bMore) {
        bMore = text.contains(',');
        fields.append(MainWindow::TakeFirstField(text, QByteArray()));
    }
    return fields;
}

}  // namespace

void RemoteLineReader::Feed(const char* data, qsizetype size, const LineSink& sink)
{
    for (qsizetype i = 0; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(data[i]);
        switch (state) {
        case State::Iac:
            // IAC IAC is a data byte 255; an option verb takes one more byte.
            state = byte == kSb ? State::Sub : byte >= kWill && byte <= kDont ? State::Option : State::Text;
            subBytes = 0;
            if (byte != kIac)
                continue;
            break;
        case State::Option:
            state = State::Text;
            continue;
        case State::Sub:
        case State::SubIac:
            if (state == State::SubIac && byte == kSe) {
                state = State::Text;
                continue;
            }
            if (++subBytes <= kMaxSubnegotiation) {
                state = state == State::Sub && byte == kIac ? State::SubIac : State::Sub;
                continue;
            }
            // No IAC SE came: this byte is input again.
            state = State::Text;
            [[fallthrough]];
        case State::Text:
            if (byte == kIac) {
                state = State::Iac;
                continue;
            }
            break;
        }
        if (byte == '\r' || byte == '\n') {
            const QByteArray finished = line;
            const bool bFinishedTooLong = bTooLong;
            line.clear();
            bTooLong = false;
            if ((!finished.isEmpty() || bFinishedTooLong) && !sink(finished, bFinishedTooLong))
                return;
        } else if (byte == 0) {
            // The NUL after a CR of a Telnet line end.
        } else if (line.size() < kMaxLineLength) {
            line.append(static_cast<char>(byte));
        } else {
            bTooLong = true;
        }
    }
}

void RemoteLineReader::Reset()
{
    state = State::Text;
    subBytes = 0;
    line.clear();
    bTooLong = false;
}

RemoteLine::Kind RemoteLine::Check(const QByteArray& rawLine, bool bTooLong)
{
    const QByteArray line = rawLine.trimmed();
    if (bTooLong)
        return Bad;
    if (line.isEmpty())
        return Empty;
    if (line.compare("EXIT", Qt::CaseInsensitive) == 0)
        return Exit;
    if (!StartsWithId(line))
        return Bad;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const auto c = static_cast<unsigned char>(line.at(i));
        if (c == kUtf8DegreeLead && i + 1 < line.size() && static_cast<unsigned char>(line.at(i + 1)) == kDegreeSign)
            ++i;
        else if (c != kDegreeSign && !IsPrintableAscii(c))
            return Bad;
    }
    const qsizetype star = line.indexOf('*');
    if (star < 0)
        return Command;
    if (star != line.size() - 3)
        return Bad;
    const int high = HexDigit(line.at(star + 1));
    const int low = HexDigit(line.at(star + 2));
    if (high < 0 || low < 0)
        return Bad;
    char sum = 0;
    for (qsizetype i = 1; i < star; ++i)
        sum ^= line.at(i);
    return static_cast<unsigned char>(sum) == high * 16 + low ? Command : Bad;
}

QByteArray RemoteLine::Echo(const QByteArray& line)
{
    return LogTexts::Printable(line.trimmed()) + " ???";
}

QByteArray RemoteLine::Sentence(const QByteArray& body)
{
    QByteArray sentence = kSentenceId + body;
    GpsSerialPortThread::AppendNmeaChecksum(sentence);
    return sentence;
}

QByteArray RemoteLine::Body(const QByteArray& rawLine)
{
    QByteArray line = rawLine.trimmed();
    if (!StartsWithId(line))
        return QByteArray();
    if (line.size() >= 3 && line.at(line.size() - 3) == '*')
        line.chop(3);
    return line.mid(kSentenceId.size());
}

RemoteCommand RemoteCommand::Parse(const QByteArray& line)
{
    RemoteCommand command;
    const QList<QByteArray> fields = SplitFields(RemoteLine::Body(line));
    QList<QByteArray> words;
    for (const QByteArray& field : fields.mid(0, 3))
        words.append(field.toUpper());
    const qsizetype count = fields.size();
    if (count == 0)
        return command;
    const QByteArray& word = words.at(0);
    const QByteArray action = count > 1 ? words.at(1) : QByteArray();

    if (word == "VERSION" && count == 1) {
        command.kind = Version;
    } else if (word == "REFLOC") {
        command.kind = count == 1 ? RefLocQuery : RefLocSet;
        command.fields = fields.mid(1);
    } else if (word == "GPSLOG" || word == "TICLOG") {
        command.bTicLog = word == "TICLOG";
        if (action == "CONFIG") {
            command.kind = LogConfig;
            command.fields = fields.mid(2);
        } else if (count == 2) {
            command.kind = action == "OPEN" ? LogOpen
                         : action == "CLOSE" ? LogClose
                         : action == "STATUS" ? LogStatus : Unknown;
        }
    } else if (word == "TICDATA" && (action == "TIME" || action == "AVERAGE")) {
        command.bAverage = action == "AVERAGE";
        if (count == 2) {
            command.kind = TicDataNow;
        } else if (count == 3) {
            const QByteArray& mode = words.at(2);
            command.streamMode = mode == "OFF" ? 0 : mode == "NEXT" ? 1 : mode == "ON" ? 2 : -1;
            if (command.streamMode >= 0)
                command.kind = TicDataStream;
        }
    }
    return command;
}
