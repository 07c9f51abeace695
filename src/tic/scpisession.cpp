#include "scpisession.h"

#include "logtexts.h"
#include "ticcorrection.h"

#include <QDebug>

#include <utility>

ScpiSession::ScpiSession(CommandSink send, ReplySink reply)
    : sendCommand(std::move(send)), emitReply(std::move(reply))
{
}

QList<QByteArray> ScpiSession::DefaultSetup()
{
    // Time interval from channel 1 (the local reference) to channel 2 (the 1PPS), both
    // inputs 50 ohm, DC, rising edge at 1 V, one reading per trigger.
    return {"*RST",          "*CLS",          "CONF:TINT (@1),(@2)", "INP1:IMP 50",   "INP2:IMP 50",
            "INP1:COUP DC",  "INP2:COUP DC",  "INP1:SLOP POS",       "INP2:SLOP POS", "INP1:LEV 1.0",
            "INP2:LEV 1.0",  "TRIG:SOUR IMM", "SAMP:COUN 1"};
}

bool ScpiSession::NamesKnownModel(const QByteArray& line)
{
    return line.contains("53220A") || line.contains("53230A") || line.contains("BNC1105");
}

QByteArray ScpiSession::StripPrompt(const QByteArray& line)
{
    const qsizetype prompt = line.indexOf("> ");
    return (prompt < 0 ? line : line.mid(prompt + 2)).trimmed();
}

void ScpiSession::Begin(const QList<QByteArray>& setupOverride)
{
    setup = setupOverride.isEmpty() ? DefaultSetup() : setupOverride;
    sent.clear();
    answer.clear();
    misses = 0;
    noReadings = 0;
    lastNoReading.clear();
    noReadingAnswer.clear();
    held.clear();
    askedOnAnswerMs = -1;
    state = State::Identifying;
    Send("*IDN?");
}

ScpiSession::Reply ScpiSession::TakeLine(const QByteArray& received, int64_t steadyMs)
{
    const QByteArray line = StripPrompt(received);
    if (line.isEmpty() || sent.contains(line))
        return Reply::None;  // a bare prompt, or the counter echoing us
    switch (state) {
    case State::Identifying:
        if (!NamesKnownModel(line)) {
            answer = line;
            return Reply::None;
        }
        state = State::Polling;
        for (const QByteArray& command : std::as_const(setup))
            Send(command);
        AskNext();
        return Reply::None;
    case State::Polling: {
        double unusedUs = 0.0;
        const TicReadingKind kind = ParseTicReading(line, 0, &unusedUs);
        if (askedOnAnswerMs >= 0 && steadyMs - askedOnAnswerMs < unaskedWaitMs) {
            // The answer said again, a reading after the overflow, a notice: the counter
            // has not yet come to the start edge of the "READ?" that waits.
            if (kind == TicReadingKind::NoNumber)
                SayNotice(line);
            else
                qDebug("%s counter: \"%s\" came %lld ms after the READ? that waits, too soon to answer it; "
                       "dropped, nothing asked.",
                       name.constData(), LogTexts::Printable(line.left(64)).constData(),
                       static_cast<long long>(steadyMs - askedOnAnswerMs));
            return Reply::None;
        }
        if (kind == TicReadingKind::NoNumber) {
            // The first line held since the "READ?" may be its answer; any more cannot be.
            if (held.isEmpty())
                held = line;
            else
                SayNotice(line);
            return Reply::None;
        }
        if (!held.isEmpty())
            SayNotice(std::exchange(held, {}));
        const Reply reply =
            TakeReply(line, kind == TicReadingKind::NotANumber ? Reply::NoMeasurement : Reply::Reading);
        // Straight away: the counter is ready to measure again, and it measures from the
        // first start edge after the "READ?".
        AskNext(steadyMs);
        return reply;
    }
    default:
        return Reply::None;
    }
}

void ScpiSession::SayNotice(const QByteArray& line) const
{
    qDebug("%s counter: notice \"%s\", no answer to READ?; nothing asked.", name.constData(),
           LogTexts::Printable(line.left(64)).constData());
}

ScpiSession::Reply ScpiSession::TakeReply(const QByteArray& line, Reply kind)
{
    misses = 0;
    emitReply(line);
    if (kind != Reply::NoReading) {
        noReadings = 0;
        lastNoReading.clear();
    } else {
        lastNoReading = line;
        if (++noReadings >= kMaxNoReadings) {
            noReadingAnswer = line;
            state = State::Idle;
        }
    }
    return kind;
}

void ScpiSession::AskNext(int64_t answeredAtMs)
{
    askedOnAnswerMs = answeredAtMs;
    Send("READ?");
}

ScpiSession::Action ScpiSession::IdentifyTimedOut()
{
    if (state != State::Identifying)
        return Action::None;
    state = State::Idle;
    return Action::Reconnect;
}

ScpiSession::Action ScpiSession::ReplyTimedOut()
{
    if (!ReadWaiting())
        return Action::None;
    if (!held.isEmpty()) {
        TakeReply(std::exchange(held, {}), Reply::NoReading);
        if (state == State::Idle)
            return Action::Reconnect;
        AskNext();
        return Action::None;
    }
    askedOnAnswerMs = -1;
    if (++misses >= kMaxMisses) {
        qWarning("%s counter: %d readings missed, reconnecting.", name.constData(), misses);
        noReadingAnswer = lastNoReading;
        state = State::Idle;
        return Action::Reconnect;
    }
    qDebug("%s counter: no reading within the wait (%d of %d missed), waiting on.", name.constData(), misses, kMaxMisses);
    return Action::None;
}

void ScpiSession::Send(const QByteArray& command)
{
    if (!sent.contains(command))
        sent.append(command);
    sendCommand(command);
}
