#include "fakescpicounter.h"

#include <QHostAddress>
#include <QTimer>

#include <algorithm>
#include <utility>

FakeScpiCounter::FakeScpiCounter(QObject* parent) : QObject(parent)
{
    connect(&server, &QTcpServer::newConnection, this, &FakeScpiCounter::OnNewConnection);
    clock.start();
}

bool FakeScpiCounter::Listen(quint16 port) { return server.listen(QHostAddress::LocalHost, port); }

void FakeScpiCounter::DropClient()
{
    if (client)
        client->disconnectFromHost();
}

void FakeScpiCounter::SwitchOff()
{
    server.close();
    if (client)
        client->abort();
}

void FakeScpiCounter::OnNewConnection()
{
    while (QTcpSocket* socket = server.nextPendingConnection()) {
        ++connections;
        if (client)
            client->abort();
        client = socket;
        buffer.clear();
        readsWaiting = 0;  // a new connection clears what the counter was asked
        lastEdge = -1;
        connect(socket, &QTcpSocket::readyRead, this, &FakeScpiCounter::OnReadyRead);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        socket->write(greeting);
    }
}

void FakeScpiCounter::OnReadyRead()
{
    if (!client)
        return;
    buffer += client->readAll();
    qsizetype end;
    while ((end = buffer.indexOf('\n')) >= 0) {
        const QByteArray line = buffer.left(end).trimmed();
        buffer.remove(0, end + 1);
        if (line.isEmpty())
            continue;
        commands.append(line);
        if (bSilent)
            continue;
        if (bEcho)
            client->write(line + "\r\n");
        if (line == "*IDN?") {
            Answer(identity);
            SendNotice(noticesAfter.value(0));
        }
        else if (line == "READ?") {
            mostReadsWaiting = std::max(mostReadsWaiting, ++readsWaiting);
            if (intervalMs >= 0) {
                // Measured in turn: after the edge the one before it was measured from.
                const qint64 edge = std::max(clock.elapsed() / 1000 + 1, lastEdge + 1);
                if (lastEdge >= 0)
                    secondsLost += static_cast<int>(edge - lastEdge - 1);
                lastEdge = edge;
                QTimer::singleShot(static_cast<int>(edge * 1000 + intervalMs - clock.elapsed()), this, &FakeScpiCounter::AnswerOne);
                continue;
            }
            const int delayMs = bHolding ? 0
                                : holdMs > 0 ? std::exchange(holdMs, 0)
                                : replyDelaysMs.isEmpty() ? 0 : replyDelaysMs.takeFirst();
            if (delayMs > 0) {
                bHolding = true;
                QTimer::singleShot(delayMs, this, &FakeScpiCounter::EndHold);
            }
            AnswerReads();
        }
    }
}

void FakeScpiCounter::AnswerReads()
{
    while (!bHolding && readsWaiting > 0)
        if (!AnswerRead())
            return;
}

void FakeScpiCounter::AnswerOne() { AnswerRead(); }

bool FakeScpiCounter::AnswerRead()
{
    if (!client || readsWaiting == 0 || readings.isEmpty())
        return false;
    --readsWaiting;
    const QByteArray reading = readings.takeFirst();
    for (int i = 0; i < repeats; ++i)
        Answer(reading);
    const QByteArray notice = noticesAfter.value(++answers);
    if (noticeDelayMs > 0)
        QTimer::singleShot(noticeDelayMs, this, [this, notice] { SendNotice(notice); });
    else
        SendNotice(notice);
    return true;
}

void FakeScpiCounter::SendNotice(const QByteArray& text)
{
    if (client && !text.isEmpty())
        client->write(text + "\r\n");
}

void FakeScpiCounter::EndHold()
{
    bHolding = false;
    AnswerReads();
}

void FakeScpiCounter::Answer(const QByteArray& text) { client->write((bPrompt ? "53220A> " : "") + text + "\r\n"); }
