#pragma once

#include "testsupport.h"

#include <QApplication>

// The application a fuzz target's main window needs: the offscreen platform, a settings
// store of its own and the program's resources. Never destroyed: the window and the
// application live until the process ends.
inline void StartFuzzApplication()
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "qt.multimedia*=false");
    TestSupport::IsolateSettings();
    static int argc = 1;
    static char name[] = "horalux_fuzz";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
    // Outside any namespace: the macro declares the resource function where it is used.
    Q_INIT_RESOURCE(resources);
}
