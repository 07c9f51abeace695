#pragma once

#include <QByteArray>
#include <QList>

#include <functional>

// The conversation with an SCPI counter on its command socket, without the socket:
// the port object hands in each received line and the expiry of its waits, and sends
// what the session gives to its command sink. The session asks "*IDN?", recognises
// the counter by its model in any answer line, sends the set-up, then asks "READ?"
// once and again after every reply, whether or not it is a reading, so that one
// "READ?" at most waits at the counter.
// A line that starts as a number answers the "READ?" that waits, and the next goes out
// at once. A line of words may be the answer ("Error") or a notice the counter prints
// unasked ("*** REF INPUT LOST ***") while it measures: it asks nothing. When a number
// follows it answered nothing and was a notice; when nothing follows within the reply
// wait it was the answer, and the next "READ?" goes out then. Asking at once after a
// notice would leave one more "READ?" waiting at the counter for each notice.
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
        Polling       // set up; a "READ?" is outstanding
    };

    // What the port object should do after a wait ran out.
    enum class Action { None, Reconnect };

    // What a line received while polling was: no reply (an echo, a bare prompt, a
    // notice, or words that may yet prove to be one; the "READ?" still waits), a
    // reading, or a reply that is no reading (the counter's overflow, a number with
    // garbage glued to it, words that nothing else followed).
    enum class Reply { None, Reading, NoReading };

    // Reply waits that run out in a row before the link is dropped. A late reply is
    // waited on, never asked for again: each new "READ?" would be one more left waiting
    // at the counter, answered with old readings long after. Only a new connection
    // clears what the counter still holds.
    static constexpr int kMaxMisses = 3;
    // Replies in a row that are no reading before the link is dropped: a new connection
    // sends the set-up again, which puts right a counter whose mode was changed at its
    // front panel or that is stuck in an error.
    static constexpr int kMaxNoReadings = 3;

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
    // One line received. While polling, a line that starts as a number is the reply to
    // "READ?": it is handed on and the next "READ?" is sent at once. Words are held
    // until a number or the end of the reply wait says what they were. At the last
    // reply in a row that is no reading the session stops (Idle) and NoReadingAnswer()
    // says what it was.
    Reply TakeLine(const QByteArray& line);
    // No known model within the identification wait: the link is tried again, whatever
    // the counter said. A counter busy with a measurement or an instrument not yet
    // ready may well answer on the next connection.
    Action IdentifyTimedOut();
    // No reply within the reply wait while polling. Words held since the "READ?" were
    // its answer: handed on as a reply that is no reading, and the next "READ?" goes
    // out (Reconnect at the last in a row). Otherwise a miss: said, and waited on
    // further. At the last miss, a counter whose last reply since its last reading was
    // no reading is said to answer "READ?" with it: NoReadingAnswer() is that line.
    Action ReplyTimedOut();
    // The link is gone.
    void End() { state = State::Idle; }

    State GetState() const { return state; }
    // The last line of the identification wait that named no known model, as received;
    // empty when the counter said nothing but echoes and prompts.
    const QByteArray& Answer() const { return answer; }
    int Misses() const { return misses; }
    // What the counter answered "READ?" with when polling stopped for want of a
    // reading; empty while it polls, or when the counter said nothing.
    const QByteArray& NoReadingAnswer() const { return noReadingAnswer; }

private:
    void Send(const QByteArray& command);
    // A reply to the "READ?" that waited: handed on, counted, and the next asked.
    Reply TakeReply(const QByteArray& line);
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
    QByteArray heldWords;       // words since the "READ?": its answer, or a notice
};
