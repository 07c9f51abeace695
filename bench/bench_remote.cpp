// One remote client sending VERSION commands over the loopback, through the server's
// line checking and the main window's command processor, and reading every reply.
#include "benchapplication.h"
#include "mainwindow.h"
#include "telnettcpserver.h"

#include <QEventLoop>
#include <QTcpSocket>
#include <QTimer>

#include <benchmark/benchmark.h>

namespace {

constexpr int kCommands = 100000;

void BM_RemoteVersionCommands(benchmark::State& state)
{
    PrepareBenchApplication();
    MainWindow window;
    window.telnetServer = new TelnetTcpServer(nullptr);
    QObject::connect(window.telnetServer, &TelnetTcpServer::sendTelnetCommand, &window,
                     &MainWindow::OnTelnetCommand);
    window.telnetServer->StartServer(0);
    const QByteArray commands = QByteArray("$VUDUZ,VERSION\r\n").repeated(kCommands);

    for (auto _ : state) {
        QTcpSocket client;
        QEventLoop loop;
        qint64 lines = -1;  // the greeting is not a reply
        QObject::connect(&client, &QTcpSocket::readyRead, [&] {
            lines += client.readAll().count('\n');
            if (lines >= kCommands)
                loop.quit();
        });
        client.connectToHost(QHostAddress::LocalHost, window.telnetServer->Port());
        if (!client.waitForConnected(5000)) {
            state.SkipWithError("no connection to the remote server");
            break;
        }
        client.write(commands);
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        loop.exec();
        if (lines != kCommands) {
            state.SkipWithError("replies missing");
            break;
        }
        // The server runs on this thread: wait for its goodbye in the event loop.
        QObject::connect(&client, &QTcpSocket::disconnected, &loop, &QEventLoop::quit);
        client.write("EXIT\r\n");
        loop.exec();
    }
    state.SetItemsProcessed(state.iterations() * kCommands);
}

}  // namespace

BENCHMARK(BM_RemoteVersionCommands)->Unit(benchmark::kMillisecond)->UseRealTime();
