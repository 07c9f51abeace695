#include "telnettcpserver.h"

#include <QHostAddress>

namespace {

// Bytes taken from the socket at a time: the reader keeps a line of at most 256 bytes,
// so a long line without an end costs no more than this.
constexpr qint64 kReadBlock = 16 * 1024;

}  // namespace

TelnetTcpServer::TelnetTcpServer(QObject* parent) : QObject(parent)
{
    connect(&server, &QTcpServer::newConnection, this, &TelnetTcpServer::OnNewConnection);
}

TelnetTcpServer::~TelnetTcpServer()
{
    CloseClient();
    server.close();
}

void TelnetTcpServer::StartServer(quint16 port)
{
    CloseClient();
    server.close();
    listenError.clear();
    if (!server.listen(QHostAddress::Any, port)) {
        listenError = server.errorString();
        qWarning("Remote control server cannot listen on port %u: %s", port, qPrintable(listenError));
    }
}

void TelnetTcpServer::SendLine(QByteArray line)
{
    if (!client || client->state() != QAbstractSocket::ConnectedState)
        return;
    Write(line + "\r\n");
}

void TelnetTcpServer::Write(const QByteArray& bytes)
{
    client->write(bytes);
    if (client->bytesToWrite() <= kMaxPendingOutput)
        return;
    // Written out only when the event loop runs; a burst of answers is handed to the
    // system first, and only a client that does not read is left over the limit.
    client->flush();
    if (client && client->bytesToWrite() > kMaxPendingOutput) {
        qWarning("Remote control client dropped: it does not read its answers");
        CloseClient();
    }
}

void TelnetTcpServer::OnNewConnection()
{
    while (QTcpSocket* socket = server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        if (client) {
            socket->write("Busy: one client at a time.\r\n");
            socket->disconnectFromHost();
            continue;
        }
        client = socket;
        reader.Reset();
        // Replies are short lines: sent at once rather than held back for more.
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        // A client that sends faster than its lines are taken waits in the system's
        // buffers, not in ours.
        socket->setReadBufferSize(kReadBlock);
        connect(socket, &QTcpSocket::readyRead, this, &TelnetTcpServer::OnReadyRead);
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            if (client == socket)
                CloseClient();
        });
        socket->write("Hello client, this is Horalux.\r\n");
    }
}

void TelnetTcpServer::OnReadyRead()
{
    char block[kReadBlock];
    while (client) {
        const qint64 n = client->read(block, kReadBlock);
        if (n <= 0)
            return;
        reader.Feed(block, n, [this](const QByteArray& line, bool bTooLong) { return TakeLine(line, bTooLong); });
    }
}

// False once the client is gone: the rest of its input is not read.
bool TelnetTcpServer::TakeLine(const QByteArray& line, bool bTooLong)
{
    switch (RemoteLine::Check(line, bTooLong)) {
    case RemoteLine::Empty:
        break;
    case RemoteLine::Exit:
        client->disconnect(this);
        client->write("Goodbye.\r\n");
        client->disconnectFromHost();
        client = nullptr;
        reader.Reset();
        return false;
    case RemoteLine::Command:
        emit sendTelnetCommand(line.trimmed());
        break;
    case RemoteLine::Bad:
        SendLine(line.trimmed() + " ???");
        break;
    }
    return !client.isNull();
}

void TelnetTcpServer::CloseClient()
{
    if (client) {
        QTcpSocket* socket = client;
        client = nullptr;
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
    reader.Reset();
}
