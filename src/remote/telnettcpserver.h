#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

// The remote-control server: one client at a time, line by line.
class TelnetTcpServer : public QObject
{
    Q_OBJECT

public:
    explicit TelnetTcpServer(QObject* parent = nullptr);
    ~TelnetTcpServer() override;

    // Closes any listener and client, then listens on any address at the given port.
    void StartServer(quint16 port);

    // Sends one line with CR LF to the client; nothing happens while none is connected.
    void SendLine(QByteArray line);

    bool IsListening() const { return server.isListening(); }

signals:
    void sendTelnetCommand(QByteArray qbComand);

private:
    void OnNewConnection();
    void OnReadyRead();
    void CloseClient();

    QTcpServer server;
    QPointer<QTcpSocket> client;
    QByteArray inputBuffer;
};
