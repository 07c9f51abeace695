#pragma once

#include <QByteArray>
#include <QList>

#include <cstdint>
#include <functional>

// The conversation with an SCPI counter on its command socket, without the socket:
// the port object hands in each received line and the expiry of its waits, and sends
// what the session gives to its command sink. The session asks "*IDN?", recognises
// the counter by its model in any answer line, sends the set-up, then polls.
// The polling rule: never more than one "READ?" waits at the counter, whatever it sends
// and however often. A reading, or the counter's overflow or a value that is not finite
// (it measured nothing: no signal at an input), answers the "READ?" that waits, and is
// the only line handed on for it; the next "READ?" goes at once, so that it reaches the
// counter before its next start edge whatever the interval it measures. The counter
// measures from the first start edge after a "READ?", a second after the last, and
// answers at the end of the interval: a line that comes within the unasked wait of a
// "READ?" sent straight after an answer cannot be its answer (the answer again, a
// reading after its overflow, a measurement nobody asked for, a notice). It asks
// nothing and is not handed on, and the "READ?" still waits. Were it taken for the
// answer, each such line would leave one more waiting at the counter, answered long
// after. The first "READ?" of a link, and one sent or waited on past a reply wait, is
// answered by any reading: when the counter's start edge falls is not known then.
// Any other line, words or a number with more after it ("Error", "*** REF INPUT LOST
// ***", "+0,\"No error\""), that comes past that wait may be the answer or a notice the
// counter prints unasked: it is held and asks nothing. A reading or overflow that
// follows shows it was a notice; when nothing follows within the reply wait it was
// the answer, a reply that is no reading, and the next "READ?" goes then. A second such
// line while one is held is a notice at once.
// The port restarts its reply wait at every line the counter sends: a counter still
// talking has not missed its answer.
// Counters that echo our commands or put a prompt ("53220A> ") before their answers
// are understood. Lines that name no model (a stale reading left in the counter, an
// error line, a LAN bridge's banner) are passed over while the identity is awaited:
// the model may still follow.
class ScpiSession
{
public:
    enum class State {
        Idle,         // not connected
        Identifying,  // "*IDN?" sent, waiting for a known model
        Polling       // set up; a "READ?" waits
    };

    // What the port object should do after a wait ran out.
    enum class Action { None, Reconnect };

    // What a line received while polling was: no reply (an echo, a bare prompt, a
    // notice, a line too soon after the "READ?" to answer it, or a line held that may
    // yet prove to be a notice), a reading, the counter's "no measurement" (its overflow,
    // or a value that is not finite), or a reply that is no reading (a held line that
    // nothing else followed).
    enum class Reply { None, Reading, NoMeasurement, NoReading };

    // Reply waits that run out in a row before the link is dropped. A late reply is
    // waited on, never asked for again: each new "READ?" would be one more left waiting
    // at the counter, answered with old readings long after. Only a new connection
    // clears what the counter still holds.
    static constexpr int kMaxMisses = 3;
    // Replies in a row that are no reading before the link is dropped: a new connection
    // sends the set-up again, which puts right a counter whose mode was changed at its
    // front panel or that is stuck in an error. "No measurement" is no such reply: the
    // counter works, its input has no signal, and a reset would not bring it back.
    static constexpr int kMaxNoReadings = 3;
    // The port's waits on a counter.
    static constexpr int kIdentifyWaitMs = 5000;  // for a known model after "*IDN?"
    static constexpr int kReplyWaitMs = 3000;     // for the reply to "READ?"
    // After a "READ?" sent straight after an answer, no line answers it: the counter's
    // answer comes at its next start edge plus the interval, a second after the last,
    // whatever the interval; what it sends beyond its answer (the answer again, a reading
    // after its overflow) comes within tenths of a second. Half a second keeps the widest
    // margin on both sides, and leaves room for the link's delays. Only an interval that
    // shrank by more than that since the last reading (a pulse that stepped) is taken
    // for such a line: the "READ?" is then waited on, and the misses connect again.
    static constexpr int kUnaskedWaitMs = 500;

    using CommandSink = std::function<void(const QByteArray& command)>;
    using ReplySink = std::function<void(const QByteArray& reply)>;

    ScpiSession(CommandSink sendCommand, ReplySink emitReply);

    // The built-in set-up sequence, sent after the counter is recognised.
    static QList<QByteArray> DefaultSetup();
    // Models recognised in the answer to "*IDN?".
    static bool NamesKnownModel(const QByteArray& line);
    // A received line without a leading prompt and trimmed.
    static QByteArray StripPrompt(const QByteArray& line);

    // The counter as the debug log names it ("TIC3").
    void SetName(const QByteArray& counterName) { name = counterName; }

    // The socket is connected: ask for the identity. An empty override sends the
    // built-in set-up.
    void Begin(const QList<QByteArray>& setupOverride);
    // The unasked wait: tests shorten it for counters that answer at once.
    void SetUnaskedWaitMs(int ms) { unaskedWaitMs = ms; }
    // One line received at steadyMs (a steady clock in ms), read once for what it is.
    // Any line within the unasked wait of a "READ?" sent straight after an answer answers
    // nothing and is said in the debug log. Otherwise a reading or "no measurement"
    // answers the "READ?" that waits and is handed on, and the next "READ?" goes; any
    // other line is held until a reply or the end of the reply wait says what it was. At
    // the last reply in a row that is no reading the session stops (Idle) and
    // NoReadingAnswer() says what it was.
    Reply TakeLine(const QByteArray& line, int64_t steadyMs);
    // Polling: a "READ?" waits at the counter (the reply wait runs).
    bool ReadWaiting() const { return state == State::Polling; }
    // No known model within the identification wait: the link is tried again, whatever
    // the counter said. A counter busy with a measurement or an instrument not yet
    // ready may well answer on the next connection.
    Action IdentifyTimedOut();
    // No line within the reply wait while a "READ?" waits. A line held since the "READ?"
    // was its answer: handed on as a reply that is no reading, and the next "READ?" goes
    // out at once, the counter having been quiet all that time (Reconnect at the last in
    // a row). Otherwise a miss: said, and waited on further. At the last miss, a counter
    // whose last reply since its last reading was no reading is said to answer "READ?"
    // with it: NoReadingAnswer() is that line. Either way, any reading answers the
    // "READ?" that waits from then on.
    Action ReplyTimedOut();
    // The link is gone: a line held on it answers nothing on the next.
    void End()
    {
        state = State::Idle;
        held.clear();
    }

    State GetState() const { return state; }
    // The last line of the identification wait that named no known model, as received;
    // empty when the counter said nothing but echoes and prompts.
    const QByteArray& Answer() const { return answer; }
    int Misses() const { return misses; }
    // Replies in a row that were no reading.
    int NoReadings() const { return noReadings; }
    // The line held as the answer or a notice; empty when none is.
    const QByteArray& Held() const { return held; }
    // What the counter answered "READ?" with when polling stopped for want of a
    // reading; empty while it polls, or when the counter said nothing.
    const QByteArray& NoReadingAnswer() const { return noReadingAnswer; }

private:
    void Send(const QByteArray& command);
    // The next "READ?"; answeredAtMs is when the answer before it came, or -1 when none
    // just came.
    void AskNext(int64_t answeredAtMs = -1);
    // A reply to the "READ?" that waited: handed on and counted.
    Reply TakeReply(const QByteArray& line, Reply kind);
    void SayNotice(const QByteArray& line) const;

    QByteArray name = "TIC";
    CommandSink sendCommand;
    ReplySink emitReply;
    State state = State::Idle;
    QList<QByteArray> setup;
    QList<QByteArray> sent;  // every command of this link, to recognise echoes
    QByteArray answer;
    int misses = 0;
    int noReadings = 0;         // replies in a row that are no reading
    QByteArray lastNoReading;   // the last reply that was no reading since the last reading
    QByteArray noReadingAnswer;
    QByteArray held;            // a line since the "READ?": its answer, or a notice
    int unaskedWaitMs = kUnaskedWaitMs;
    // When the "READ?" that waits went straight after an answer (steady ms); -1 when it
    // went otherwise, or its reply wait ran out.
    int64_t askedOnAnswerMs = -1;
};
