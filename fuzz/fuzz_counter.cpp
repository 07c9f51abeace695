// Drives an SCPI counter's line reader and session, with the port's waits, against a
// counter whose answers, delays, notices and extra lines the input chooses, on a clock
// of the target's own. Whatever it sends, never more than one "READ?" waits at the
// counter, and each "READ?" has at most one line handed on for it.
//
// The counter: it measures the interval from the first start edge (a second apart)
// after the "READ?" that waits, or from one some seconds later (waits run out on the
// way when it is long), and answers at its end; the interval may change between two
// measurements. Before its answer it may print notices (words, each within the reply
// wait of the answer), and after it extra lines of any kind (the answer again, a
// reading after its overflow, a notice), each sooner than the unasked wait after the
// answer. Its lines are any bytes but line ends, cut into blocks anywhere.
#include "messageframer.h"
#include "scpisession.h"
#include "ticcorrection.h"

#include <QByteArray>
#include <QList>
#include <QtGlobal>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <map>

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

// With HORALUX_FUZZ_TRACE set, an input run on its own says what the counter and the
// program send, and which waits run out, when.
void Trace(int64_t atMs, const char* what, const QByteArray& text = {})
{
    static const bool bTrace = qEnvironmentVariableIsSet("HORALUX_FUZZ_TRACE");
    if (bTrace)
        std::fprintf(stderr, "%8lld ms %s %s\n", static_cast<long long>(atMs), what, text.trimmed().constData());
}

class Input
{
public:
    Input(const uint8_t* data, size_t size) : data(data), size(size) {}
    bool Empty() const { return pos >= size; }
    unsigned Byte() { return pos < size ? data[pos++] : 0u; }
    // Up to maxLength bytes of the input, as many as its next byte says.
    QByteArray Bytes(unsigned maxLength)
    {
        const qsizetype length = std::min<qsizetype>(Byte() % (maxLength + 1), static_cast<qsizetype>(size - std::min(pos, size)));
        QByteArray bytes(reinterpret_cast<const char*>(data + pos), length);
        pos += static_cast<size_t>(length);
        return bytes;
    }

private:
    const uint8_t* data;
    size_t size;
    size_t pos = 0;
};

const QByteArray kLines[] = {
    "+1.234567890E-06", "-2.5E-09 s", "0.000000012345 TI(A->B)", "1.5ms,", "+3.0E-09S", "100 ns",
    "+9.91E+37", "-9.91E+37", "NaN", "-INF", "1e400",
    "Error", "*** REF INPUT LOST ***", "+0,\"No error\"", "-113,\"Undefined header\"", "+1.5E-07#!x",
    "53230A> ", "53230A> +2.0E-06", "READ?", "*RST", "Keysight Technologies,53230A,MY1,A.01",
};

class Run
{
public:
    explicit Run(Input& input)
        : in(input),
          session([this](const QByteArray& command) { Command(command); },
                  [this](const QByteArray& reply) { Reply(reply); })
    {
    }

    void Go()
    {
        Connect();
        while (!in.Empty()) {
            int64_t at = -1;
            for (const int64_t t : {sends.empty() ? -1 : sends.begin()->first, identifyAt, replyAt})
                if (t >= 0 && (at < 0 || t < at))
                    at = t;
            // While the counter is connected, a wait always runs: the port never stalls.
            Require(at >= now);
            now = at;
            if (!sends.empty() && sends.begin()->first == now) {
                const Send send = sends.begin()->second;
                sends.erase(sends.begin());
                Trace(now, send.bAnswer ? "counter answers" : "counter sends", send.bytes);
                if (send.bAnswer)
                    Answered();
                Receive(send.bytes);
            } else if (identifyAt == now) {
                Trace(now, "identification wait ends");
                identifyAt = -1;
                Require(session.IdentifyTimedOut() == ScpiSession::Action::Reconnect);
                Connect();
            } else {
                Trace(now, "reply wait ends");
                session.ReplyTimedOut();
                RestartPollWait();
                if (session.GetState() == ScpiSession::State::Idle)
                    Connect();
            }
        }
    }

private:
    struct Send
    {
        QByteArray bytes;
        bool bAnswer = false;
    };

    // A new connection: the counter forgets what it was asked and what it was to say.
    void Connect()
    {
        session.End();
        framer = LineFramer();
        sends.clear();
        waiting = 0;
        bAnswering = false;
        sinceRead.clear();
        replyAt = -1;
        phaseMs = in.Byte() * 1000 / 256;
        intervalMs = in.Byte() * 1000 / 256;
        bEcho = in.Byte() % 4 == 0;
        bPrompt = in.Byte() % 4 == 0;
        now += 1 + in.Byte() * 40;
        identifyAt = now + ScpiSession::kIdentifyWaitMs;
        // A set-up of the operator's own; its lines are echoed like any command, and any
        // line of the counter may equal one. A query in it, or a command that reads as a
        // prompt before a reply, is the operator's to answer for.
        QList<QByteArray> setup;
        if (in.Byte() % 8 == 0)
            setup = {"CONF:TINT", Line()};
        if (setup.value(1).contains('?') || ScpiSession::StripPrompt(setup.value(1)) != setup.value(1))
            setup.removeLast();
        session.Begin(setup);
    }

    // A line of the table, of the input, or one too long for the reader; without its
    // line end.
    QByteArray Line()
    {
        const unsigned pick = in.Byte();
        QByteArray line = pick < 200 ? kLines[pick % std::size(kLines)] : in.Bytes(pick == 255 ? 255 : 40);
        if (pick == 254)
            line = QByteArray(LineFramer::kMaxLine + in.Byte(), '7');
        line.replace('\r', ' ').replace('\n', ' ');
        return line;
    }

    // Empty and overlong lines are dropped by the reader, and restart no wait.
    static bool IsLine(const QByteArray& line) { return !line.isEmpty() && line.size() <= LineFramer::kMaxLine; }

    QByteArray Prompt() const { return bPrompt ? "53230A> " : ""; }

    void Schedule(int64_t at, const QByteArray& line, bool bAnswer = false)
    {
        const QByteArray ending = in.Byte() % 3 == 0 ? "\n" : "\r\n";
        sends.emplace(at, Send{(bAnswer ? Prompt() : QByteArray()) + line + ending, bAnswer});
    }

    void Command(const QByteArray& command)
    {
        Trace(now, "program sends", command);
        if (bEcho)
            Schedule(now, command);
        if (command == "*IDN?") {
            // Lines that name no model first, a stale reading or a banner; the identity
            // itself may never come.
            int64_t at = now;
            for (unsigned k = in.Byte() % 3; k > 0; --k)
                if (const QByteArray line = Line(); !ScpiSession::NamesKnownModel(line))
                    Schedule(at += in.Byte() * 10, line);
            if (in.Byte() % 8 != 0)
                Schedule(at + in.Byte() * 30, "Keysight Technologies,53230A,MY00000001,A.01.02");
        } else if (command == "READ?") {
            Require(++waiting <= 1);
            sinceRead.clear();
            if (!bAnswering)
                ScheduleAnswer();
        }
    }

    void ScheduleAnswer()
    {
        bAnswering = true;
        // At the end of the interval from the next start edge or, a measurement missed, one
        // up to 12 s later: past one, two or three reply waits.
        if (in.Byte() % 8 == 0)
            intervalMs = in.Byte() * 1000 / 256;
        const unsigned missed = in.Byte();
        const int64_t nextEdge = now - ((now - phaseMs) % 1000 + 1000) % 1000 + 1000;
        const int64_t answerAt = nextEdge + (missed < 200 ? 0 : missed % 13) * 1000 + intervalMs;
        for (unsigned k = in.Byte() % 3; k > 0; --k) {
            const int64_t before = in.Byte() * ScpiSession::kReplyWaitMs / 256;
            QByteArray notice = Line();
            double unusedUs = 0.0;
            const QByteArray stripped = ScpiSession::StripPrompt(notice);
            // A notice is words: a reading printed unasked while one waits would pass for
            // its answer, whatever the program did.
            if (answerAt - before >= now && !stripped.isEmpty()
                && ParseTicReading(stripped, 0, &unusedUs) == TicReadingKind::NoNumber)
                Schedule(answerAt - before, notice);
        }
        // The answer is a line the reader hands on, its prompt and all: one it drops is no
        // answer, and a notice before it would be taken for it.
        const QByteArray answer = Line();
        Schedule(answerAt, IsLine(Prompt() + answer) ? answer : "+1.0E-06", true);
        // Each sooner than the unasked wait after the answer.
        for (unsigned k = in.Byte() % 4; k > 0; --k)
            Schedule(answerAt + in.Byte() * (ScpiSession::kUnaskedWaitMs - 1) / 255, Line());
    }

    void Answered()
    {
        Require(waiting > 0);
        --waiting;
        bAnswering = false;
        if (waiting > 0)
            ScheduleAnswer();
    }

    // What the port does with the bytes it reads.
    void Receive(const QByteArray& bytes)
    {
        for (qsizetype pos = 0; pos < bytes.size();) {
            const qsizetype take = std::min<qsizetype>(1 + in.Byte() % 64, bytes.size() - pos);
            QList<QByteArray> lines;
            framer.Frame(bytes.constData() + pos, take, [&lines](const QByteArray& line) { lines.append(line); });
            pos += take;
            for (const QByteArray& line : std::as_const(lines)) {
                Require(!line.isEmpty() && line.size() <= LineFramer::kMaxLine);
                sinceRead.append(ScpiSession::StripPrompt(line));
                session.TakeLine(line, now);
                if (session.GetState() == ScpiSession::State::Polling) {
                    identifyAt = -1;
                    RestartPollWait();
                }
            }
        }
    }

    void RestartPollWait()
    {
        replyAt = session.ReadWaiting() ? now + ScpiSession::kReplyWaitMs : -1;
    }

    // A reply handed on came since the last "READ?", and it is the only one for it.
    void Reply(const QByteArray& reply)
    {
        Require(sinceRead.contains(reply));
        sinceRead.clear();
    }

    Input& in;
    ScpiSession session;
    LineFramer framer;
    int64_t now = 0;
    // When each of the port's waits runs out; -1 while it does not run.
    int64_t identifyAt = -1;
    int64_t replyAt = -1;
    // The counter: what it will send, and what it was asked.
    std::multimap<int64_t, Send> sends;
    int waiting = 0;          // "READ?"s not yet answered
    bool bAnswering = false;  // its answer to the first of them is on its way
    int64_t phaseMs = 0;     // where its start edges fall in the target's seconds
    int64_t intervalMs = 0;  // what it measures, under a second
    bool bEcho = false;
    bool bPrompt = false;
    QList<QByteArray> sinceRead;  // the lines received since the last "READ?"
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The session says every notice and dropped line in the debug log.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Input input(data, size);
    Run(input).Go();
    return 0;
}
