#include "mainwindow.h"

#include <QApplication>

#include <memory>

int main(int argc, char* argv[])
{
    qputenv("QT_AUTO_SCREEN_SCALE_FACTOR", "1");
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(resources);

    int result = 0;
    {
        auto window = std::make_unique<MainWindow>();
        window->ShowAndInitialize();
        // Exit chosen, or the window closed, during the start-up search: the event loop
        // was not running to hear it, so do not start one now.
        if (!window->bExitRequested)
            result = app.exec();
    }
    return result;
}
