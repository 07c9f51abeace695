#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

// A counter on the loopback that speaks enough SCPI for the TIC port: it answers
// "*IDN?" with its identity and each "READ?" with the next scripted reading, and
// records every command line it was sent. Set-up commands get no answer, as on the
// real instruments. It can put a prompt before its answers, echo the commands, fall
// silent (its readings run out, or it answers nothing at all while it keeps the link),
// hold a reply a while or until told, say each answer twice, drop the link, and print
// notices unasked, or measure as a time-interval counter does: from the first start
// edge (a second apart) after the "READ?", answering the interval later. Like a real
// counter it answers each "READ?" in turn, however many wait; it counts the most that
// ever waited at once, its answers, and the start edges it let pass unmeasured.
class FakeScpiCounter : public QObject
{
public:
    explicit FakeScpiCounter(QObject* parent = nullptr);

    // Listens on 127.0.0.1 at a free port, or the given one; false when it cannot.
    bool Listen(quint16 port = 0);
    quint16 Port() const { return server.serverPort(); }
    QString Address() const { return QStringLiteral("127.0.0.1:%1").arg(Port()); }

    // Closes the current client's connection, as a counter that is switched off.
    void DropClient();
    // Refuses every connection until it listens again, as a counter that is unplugged.
    void SwitchOff();

    QByteArray identity = "Keysight Technologies,53220A,MY00000001,A.01.02-A.02.03-A.01.03";
    bool bPrompt = false;   // "53220A> " before every answer
    bool bEcho = false;     // every command line sent back first
    bool bSilent = false;   // nothing answered, not even "*IDN?": a counter busy or hung
    QByteArray greeting;    // sent as each connection is taken: a stale reading, a banner
    QList<QByteArray> readings;  // answers to "READ?" in order; none left: silence
    // The next "READ?" is answered only after this long, then every "READ?" waiting is
    // answered.
    int holdMs = 0;
    // Each "READ?" in turn, while none is held, is held this long; when they run out,
    // none is.
    QList<int> replyDelaysMs;
    // Holds every "READ?" from now on, until AnswerOne() answers the one that waits.
    void Hold() { bHolding = true; }
    void AnswerOne();
    // At or above 0: each "READ?" is answered this long after the first start edge after
    // it, as a counter measuring that interval; the delays and holds above are unused.
    int intervalMs = -1;
    // Start edges between two measured ones that nothing was measured at, on a connection.
    int secondsLost = 0;
    int repeats = 1;             // times each answer is sent
    int mostReadsWaiting = 0;    // the most "READ?"s that waited at once on one connection
    int answers = 0;             // "READ?"s answered, all connections
    // A line sent unasked right after the answer that brings the count of answers to its
    // key, or after the identity for key 0: a notice printed between readings.
    QMap<int, QByteArray> noticesAfter;
    int noticeDelayMs = 0;       // between an answer and its notice
    // A notice sent now, unasked: one printed in the middle of a measurement.
    void SendNotice(const QByteArray& text);
    int ReadsWaiting() const { return readsWaiting; }

    QList<QByteArray> commands;  // every line received, all connections
    int connections = 0;
    int Count(const QByteArray& command) const { return static_cast<int>(commands.count(command)); }

private:
    void OnNewConnection();
    void OnReadyRead();
    void Answer(const QByteArray& text);
    void AnswerReads();
    // Answers the "READ?" that waits longest; false when none can be.
    bool AnswerRead();
    void EndHold();

    QTcpServer server;
    QPointer<QTcpSocket> client;
    QByteArray buffer;
    QElapsedTimer clock;     // the start edges fall at its whole seconds
    qint64 lastEdge = -1;    // the start edge of the last measurement, in seconds
    int readsWaiting = 0;
    bool bHolding = false;
};
