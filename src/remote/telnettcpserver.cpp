#include "telnettcpserver.h"

#include "socketoptions.h"

#include <QHostAddress>

namespace {

// Bytes taken from the socket at a time: the reader keeps a line of at most 256 bytes,
// so a long line without an end costs no more than this.
constexpr qint64 kReadBlock = 16 * 1024;

const QByteArray kBusy = "Busy: one client at a time.\r\n";

// Hands the socket's last output to its peer and closes it; a peer that will not take
// it within the linger time is cut off. The socket deletes itself once closed.
void LetGo(QTcpSocket* socket)
{
    socket->disconnectFromHost();
    if (socket->state() != QAbstractSocket::UnconnectedState)
        QTimer::singleShot(TelnetTcpServer::kLingerMs, socket, &QTcpSocket::abort);
}

}  // namespace

TelnetTcpServer::TelnetTcpServer(QObject* parent) : QObject(parent)
{
    connect(&server, &QTcpServer::newConnection, this, &TelnetTcpServer::OnNewConnection);
    slotWaitTimer.setSingleShot(true);
    connect(&slotWaitTimer, &QTimer::timeout, this, &TelnetTcpServer::RefuseWaiting);
    idleTimer.setSingleShot(true);
    idleTimer.setInterval(kDefaultIdleLimitMs);
    connect(&idleTimer, &QTimer::timeout, this, &TelnetTcpServer::OnIdle);
    retryTimer.setInterval(kRetryMs);
    connect(&retryTimer, &QTimer::timeout, this, &TelnetTcpServer::Retry);
    backNote.shownMs = kBackShownMs;
}

TelnetTcpServer::~TelnetTcpServer()
{
    // The one who would hear of the client's leaving is taking the server down.
    blockSignals(true);
    CloseClient();
    RefuseWaiting();
    server.close();
}

void TelnetTcpServer::StartServer(quint16 port)
{
    CloseClient();
    RefuseWaiting();
    server.close();
    retryTimer.stop();
    backNote.Cancel(0);
    wantedPort = port;
    if (Listen())
        SetNote(QString());
    else
        retryTimer.start();
}

bool TelnetTcpServer::Listen()
{
    listenError.clear();
    if (server.listen(QHostAddress::Any, wantedPort))
        return true;
    listenError = server.errorString();
    SetNote(QStringLiteral("Remote link not listening: port %1 (%2), retrying every %3 s")
                .arg(wantedPort)
                .arg(listenError)
                .arg(kRetryMs / 1000));
    return false;
}

void TelnetTcpServer::Retry()
{
    if (!Listen())
        return;
    retryTimer.stop();
    // Begun first: whoever hears the note asks whether it is the return.
    backNote.Begin(0);
    SetNote(QStringLiteral("Remote link back: port %1").arg(wantedPort));
}

void TelnetTcpServer::SetRetryTimes(int retryMs, int backShownMs)
{
    retryTimer.setInterval(retryMs);
    backNote.shownMs = backShownMs;
}

// Said once per change: the tries every few seconds that fail for the same reason add
// nothing to the debug log.
void TelnetTcpServer::SetNote(const QString& text)
{
    if (text == note)
        return;
    note = text;
    if (!listenError.isEmpty())
        qWarning("%s", qPrintable(note));
    else if (!note.isEmpty())
        qInfo("%s", qPrintable(note));
    emit noteChanged(note);
}

void TelnetTcpServer::SetIdleLimit(int ms)
{
    idleTimer.setInterval(ms);
    if (client)
        idleTimer.start();
}

void TelnetTcpServer::SetStreamCheck(std::function<bool()> check)
{
    isStreaming = std::move(check);
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
        // A client that sends faster than its lines are taken waits in the system's
        // buffers, not in ours; so does one that types while it waits for the slot.
        socket->setReadBufferSize(kReadBlock);
        if (!client) {
            Accept(socket);
        } else if (!waiting) {
            // The client in the slot may be gone already, its leaving not yet read.
            waiting = socket;
            slotWaitTimer.start(kSlotWaitMs);
        } else {
            socket->write(kBusy);
            LetGo(socket);
        }
    }
}

void TelnetTcpServer::Accept(QTcpSocket* socket)
{
    // One that gave up while it waited for the slot.
    if (socket->state() != QAbstractSocket::ConnectedState) {
        socket->abort();
        return;
    }
    client = socket;
    reader.Reset();
    // Replies are short lines: sent at once rather than held back for more.
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    // A client that vanished without a word could hold the slot for up to a quarter of an hour.
    QString error;
    if (!SocketOptions::SetPeerWatch(socket->socketDescriptor(), PeerWatch(), &error))
        qWarning("Remote control client: a vanished client may hold the link for long (%s)", qPrintable(error));
    connect(socket, &QTcpSocket::readyRead, this, &TelnetTcpServer::OnReadyRead);
    connect(socket, &QTcpSocket::stateChanged, this, [this, socket] { OnClientStateChanged(socket); });
    socket->write("Hello client, this is Horalux.\r\n");
    idleTimer.start();
    // What it typed while it waited is not announced again.
    if (socket->bytesAvailable() > 0)
        OnReadyRead();
}

// The peer closed its side or the link broke: the slot is free at once, whatever is
// still owed to the peer goes out on the way.
void TelnetTcpServer::OnClientStateChanged(QTcpSocket* socket)
{
    if (client != socket || socket->state() == QAbstractSocket::ConnectedState)
        return;
    socket->disconnect(this);
    LetGo(socket);
    FreeSlot();
}

void TelnetTcpServer::OnIdle()
{
    if (!client)
        return;
    if (isStreaming && isStreaming()) {
        idleTimer.start();
        return;
    }
    const QByteArray minutes = QByteArray::number(idleTimer.interval() / 60000.0, 'g', 4);
    qWarning("Remote control client dropped: nothing received for %s minutes", minutes.constData());
    SayGoodbye("Goodbye: nothing received for " + minutes + " minutes.");
}

void TelnetTcpServer::OnReadyRead()
{
    char block[kReadBlock];
    while (client) {
        const qint64 n = client->read(block, kReadBlock);
        if (n <= 0)
            return;
        idleTimer.start();
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
        SayGoodbye("Goodbye.");
        return false;
    case RemoteLine::Command:
        emit sendTelnetCommand(line.trimmed());
        break;
    case RemoteLine::Bad:
        SendLine(RemoteLine::Echo(line));
        break;
    }
    return !client.isNull();
}

void TelnetTcpServer::SayGoodbye(const QByteArray& line)
{
    QTcpSocket* socket = client;
    socket->disconnect(this);
    socket->write(line + "\r\n");
    LetGo(socket);
    FreeSlot();
}

void TelnetTcpServer::CloseClient()
{
    if (client) {
        QTcpSocket* socket = client;
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
        FreeSlot();
    }
    reader.Reset();
}

void TelnetTcpServer::FreeSlot()
{
    client = nullptr;
    idleTimer.stop();
    reader.Reset();
    emit clientLeft();
    // Taken from the event loop, never inside the reading of the one that left.
    if (waiting)
        QMetaObject::invokeMethod(this, &TelnetTcpServer::TakeWaiting, Qt::QueuedConnection);
}

void TelnetTcpServer::TakeWaiting()
{
    if (client || !waiting)
        return;
    slotWaitTimer.stop();
    QTcpSocket* socket = waiting;
    waiting = nullptr;
    Accept(socket);
}

void TelnetTcpServer::RefuseWaiting()
{
    slotWaitTimer.stop();
    if (!waiting)
        return;
    QTcpSocket* socket = waiting;
    waiting = nullptr;
    socket->write(kBusy);
    LetGo(socket);
}
