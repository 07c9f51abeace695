// One remote client sending VERSION commands over the loopback, through the server's
// line checking and the main window's command processor, and reading every reply.
#include "mainwindow.h"
#include "telnettcpserver.h"

#include <QApplication>
#include <QEventLoop>
#include <QSettings>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int kCommands = 100000;

// The window reads the settings store: give it an application on the offscreen
// platform and a store of its own, never the user's.
void PrepareApplication()
{
    static std::unique_ptr<QTemporaryDir> store;
    if (QApplication::instance())
        return;
    store = std::make_unique<QTemporaryDir>();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, store->path());
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName("KVX Systems");
    QCoreApplication::setApplicationName("Horalux");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "horalux_bench";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
}

void BM_RemoteVersionCommands(benchmark::State& state)
{
    PrepareApplication();
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
