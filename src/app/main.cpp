#include "mainwindow.h"
#include "settingsformat.h"
#include "shutdownsignals.h"

#include <QApplication>
#include <QSettings>

#include <csignal>
#include <memory>

int main(int argc, char* argv[])
{
    // Under a limit on file size (ulimit -f, a service manager's) the first write past it
    // would end the program, cutting a record and leaving the port locks behind. Ignored,
    // the write fails with "File too large", which the log cuts back and says, as on a
    // full disk.
    std::signal(SIGXFSZ, SIG_IGN);
    qputenv("QT_AUTO_SCREEN_SCALE_FACTOR", "1");
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(resources);
    // Before the first key is read: the store is written whole or not at all.
    QSettings::setDefaultFormat(SettingsFormat::Register());

    // A shutdown, Ctrl+C or a closed terminal stops the program as File, Exit does, without
    // asking: the logs get their closing lines, the ports give their locks back, and the
    // settings are saved. Caught before the window opens any port.
    MainWindow* running = nullptr;
    bool bStopAsked = false;
    ShutdownSignals::Catch(&app, [&](int) {
        bStopAsked = true;
        // A box waiting for an answer nobody will give would hold the stop up.
        if (QWidget* box = QApplication::activeModalWidget())
            box->close();
        if (running)
            running->RequestExit();
    });

    int result = 0;
    {
        auto window = std::make_unique<MainWindow>();
        running = window.get();
        if (bStopAsked)
            window->RequestExit();  // during construction: no search to start
        else
            window->ShowAndInitialize();
        // Exit chosen, or the window closed, during the start-up search: the event loop
        // was not running to hear it, so do not start one now.
        if (!window->bExitRequested)
            result = app.exec();
        running = nullptr;
    }
    return result;
}
