#pragma once

#include <QApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <memory>

// The windows the benchmarks drive read the settings store: give them an application
// on the offscreen platform and a store of their own, never the user's.
inline void PrepareBenchApplication()
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
