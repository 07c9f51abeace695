#include "testsupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <memory>
#include <utility>
#include <vector>

namespace TestSupport {

namespace {

std::vector<std::pair<QString, TestFactory>>& Registry()
{
    static std::vector<std::pair<QString, TestFactory>> tests;
    return tests;
}

std::unique_ptr<QTemporaryDir>& SettingsDir()
{
    static std::unique_ptr<QTemporaryDir> dir;
    return dir;
}

}  // namespace

int RegisterTest(const char* name, TestFactory factory)
{
    Registry().emplace_back(QString::fromLatin1(name), std::move(factory));
    return static_cast<int>(Registry().size());
}

const std::vector<std::pair<QString, TestFactory>>& RegisteredTests()
{
    return Registry();
}

void IsolateSettings()
{
    auto& dir = SettingsDir();
    if (dir)
        return;
    dir = std::make_unique<QTemporaryDir>();
    Q_ASSERT(dir->isValid());
    // QSettings fixes its paths at first use, so this must run before anything reads a key.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir->path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir->path());
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, dir->path() + "/system");
    QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope, dir->path() + "/system");
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName("KVX Systems");
    QCoreApplication::setApplicationName("Horalux");
}

void ClearSettings()
{
    QSettings settings;
    settings.clear();
    settings.sync();
}

QString SettingsFolder()
{
    IsolateSettings();
    return SettingsDir()->path();
}

bool WaitFor(const std::function<bool()>& pred, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!pred()) {
        if (deadline.hasExpired())
            return pred();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

QString TestDataPath(const QString& relative)
{
    return QDir(QStringLiteral(HORALUX_TESTDATA_DIR)).filePath(relative);
}

}  // namespace TestSupport
