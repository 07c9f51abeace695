#pragma once

#include "remoteline.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>

// The remote-control server: one client at a time, on every address of the station.
// It greets the client, collects its input into lines and checks their form: a good
// command line is handed on as sendTelnetCommand, a bad one is sent back with " ???",
// and "EXIT" is answered and closes the link. A second client is told it is busy and
// closed; a client that leaves more than kMaxPendingOutput bytes unread is dropped.
class TelnetTcpServer : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 kMaxPendingOutput = 64 * 1024;

    explicit TelnetTcpServer(QObject* parent = nullptr);
    ~TelnetTcpServer() override;

    // Closes any listener and client, then listens on any address at the given port. A
    // port that cannot be had goes to the debug log and leaves the server not listening.
    void StartServer(quint16 port);

    // Sends one line with CR LF to the client; nothing happens while none is connected.
    void SendLine(QByteArray line);

    bool IsListening() const { return server.isListening(); }
    quint16 Port() const { return server.serverPort(); }
    bool HasClient() const { return !client.isNull(); }
    // Why the last StartServer could not listen; empty while listening.
    QString ListenError() const { return listenError; }

signals:
    void sendTelnetCommand(QByteArray qbComand);

private:
    void OnNewConnection();
    void OnReadyRead();
    bool TakeLine(const QByteArray& line, bool bTooLong);
    void Write(const QByteArray& bytes);
    void CloseClient();

    QTcpServer server;
    QPointer<QTcpSocket> client;
    RemoteLineReader reader;
    QString listenError;
};
