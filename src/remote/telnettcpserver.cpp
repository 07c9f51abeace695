#include "telnettcpserver.h"

#include <QHostAddress>

namespace {
// A remote line longer than this is not a command; drop it rather than grow without bound.
constexpr int kMaxLineLength = 1024;
}

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
    if (!server.listen(QHostAddress::Any, port))
        qWarning("Remote control server cannot listen on port %u: %s", port,
                 qPrintable(server.errorString()));
}

void TelnetTcpServer::SendLine(QByteArray line)
{
    if (!client || client->state() != QAbstractSocket::ConnectedState)
        return;
    client->write(line + "\r\n");
}

void TelnetTcpServer::OnNewConnection()
{
    while (QTcpSocket* socket = server.nextPendingConnection()) {
        if (client) {
            // One client at a time: a second one is turned away.
            socket->disconnectFromHost();
            socket->deleteLater();
            continue;
        }
        client = socket;
        inputBuffer.clear();
        connect(socket, &QTcpSocket::readyRead, this, &TelnetTcpServer::OnReadyRead);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        socket->write("Hello client, this is Horalux.\r\n");
    }
}

void TelnetTcpServer::OnReadyRead()
{
    if (!client)
        return;
    inputBuffer += client->readAll();
    int end;
    while ((end = inputBuffer.indexOf('\n')) >= 0 || (end = inputBuffer.indexOf('\r')) >= 0) {
        QByteArray line = inputBuffer.left(end).trimmed();
        inputBuffer.remove(0, end + 1);
        if (!line.isEmpty())
            emit sendTelnetCommand(line);
    }
    if (inputBuffer.size() > kMaxLineLength)
        inputBuffer.clear();
}

void TelnetTcpServer::CloseClient()
{
    if (client) {
        client->disconnect(this);
        client->abort();
        client->deleteLater();
        client = nullptr;
    }
    inputBuffer.clear();
}
