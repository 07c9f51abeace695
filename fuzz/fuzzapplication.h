#pragma once

#include "testsupport.h"

#include <QApplication>
#include <QEvent>

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

// A fuzz run never enters an event loop, so whatever the window posts (queued signals,
// deferred deletes) would wait for ever and pile up until the run is out of memory.
// Delivering them every few hundred inputs keeps a run of hours flat, at little cost.
inline void DeliverPostedEvents()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

inline void DeliverPostedEventsNowAndThen()
{
    constexpr unsigned kInputsBetweenDeliveries = 256;
    static unsigned inputs = 0;
    if (++inputs % kInputsBetweenDeliveries == 0)
        DeliverPostedEvents();
}
