#pragma once

#include "passingnotes.h"
#include "remoteline.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <functional>

// The remote-control server: one client at a time, on every address of the station.
// It greets the client, collects its input into lines and checks their form: a good
// command line is handed on as sendTelnetCommand, a bad one is sent back with " ???",
// and "EXIT" is answered and closes the link. A client that leaves more than
// kMaxPendingOutput bytes unread is dropped, and so is one that has sent nothing for
// the idle limit while no stream of its own runs. A client that connects while the slot
// is taken waits up to kSlotWaitMs for it to come free, then is told it is busy.
// A port that cannot be listened on is tried again every kRetryMs; what stands in the
// way, and the return for kBackShownMs, are said through noteChanged.
class TelnetTcpServer : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 kMaxPendingOutput = 64 * 1024;
    static constexpr int kDefaultIdleLimitMs = 10 * 60 * 1000;
    // The goodbye of a client that left may still be queued behind its last input when
    // the next client knocks.
    static constexpr int kSlotWaitMs = 2000;
    // How long a closing link may take to hand over its last replies.
    static constexpr int kLingerMs = 5000;
    // A port held by another program may come free at any time; the station stays
    // reachable without anyone opening the dialog again.
    static constexpr int kRetryMs = 5000;
    static constexpr int kBackShownMs = 10000;

    explicit TelnetTcpServer(QObject* parent = nullptr);
    ~TelnetTcpServer() override;

    // Closes any listener and client, then listens on any address at the given port. A
    // port that cannot be had is said in the note and tried again every retry interval.
    void StartServer(quint16 port);

    // Sends one line with CR LF to the client; nothing happens while none is connected.
    void SendLine(QByteArray line);

    bool IsListening() const { return server.isListening(); }
    quint16 Port() const { return server.serverPort(); }
    bool HasClient() const { return !client.isNull(); }
    // Why the last StartServer could not listen; empty while listening.
    QString ListenError() const { return listenError; }
    // Whether the note is the short one that the link is back.
    bool NoteSaysReturn() const { return backNote.IsShown(0); }
    // The waits between tries and while the return is said; tests shorten them.
    void SetRetryTimes(int retryMs, int backShownMs);

    // How long a client may send nothing before it is dropped; applies to the client
    // there is now as well.
    void SetIdleLimit(int ms);
    // Asked when the idle limit is reached: true keeps the client, whose data stream runs.
    void SetStreamCheck(std::function<bool()> isStreaming);

signals:
    void sendTelnetCommand(QByteArray qbComand);
    // The client has left or was dropped: what it asked for ends with it.
    void clientLeft();
    // What the status bar says of the link changed: why it does not listen, or that it
    // is back; empty when there is nothing to say. The whole text has gone to the debug log.
    void noteChanged(const QString& note);

private:
    bool Listen();
    void Retry();
    void SetNote(const QString& text);
    void OnNewConnection();
    void Accept(QTcpSocket* socket);
    void OnClientStateChanged(QTcpSocket* socket);
    void OnIdle();
    void OnReadyRead();
    bool TakeLine(const QByteArray& line, bool bTooLong);
    void Write(const QByteArray& bytes);
    void SayGoodbye(const QByteArray& line);
    void CloseClient();
    void FreeSlot();
    void TakeWaiting();
    void RefuseWaiting();

    QTcpServer server;
    QPointer<QTcpSocket> client;
    // A client that knocked while the slot was taken.
    QPointer<QTcpSocket> waiting;
    QTimer slotWaitTimer;
    QTimer idleTimer;
    QTimer retryTimer;
    PassingNotes backNote{1, [this](int) { SetNote(QString()); }};
    quint16 wantedPort = 0;
    QString note;
    std::function<bool()> isStreaming;
    RemoteLineReader reader;
    QString listenError;
};
