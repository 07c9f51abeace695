#include "testsupport.h"

#include "settingsformat.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QTcpServer>
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
    static std::unique_ptr<QTemporaryDir> dir;
    if (dir)
        return;
    dir = std::make_unique<QTemporaryDir>();
    Q_ASSERT(dir->isValid());
    // QSettings fixes its paths at first use, so this must run before anything reads a key.
    for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat}) {
        QSettings::setPath(format, QSettings::UserScope, dir->path());
        QSettings::setPath(format, QSettings::SystemScope, dir->path() + "/system");
    }
    // The program's own format, which finds its folder where the ini format's is.
    QSettings::setDefaultFormat(SettingsFormat::Register());
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName("KVX Systems");
    QCoreApplication::setApplicationName("Horalux");
}

void ClearSettings()
{
    QSettings().clear();
}

bool WaitFor(const std::function<bool()>& pred, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!pred() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return pred();
}

QString TestDataPath(const QString& relative)
{
    return QDir(QStringLiteral(HORALUX_TESTDATA_DIR)).filePath(relative);
}

// ---- Free ports ----
quint16 FreePort()
{
    quint16 port = 20000 + QCoreApplication::applicationPid() % 9000;
    for (QTcpServer probe; !probe.listen(QHostAddress::Any, port);)
        ++port;
    return port;
}

}  // namespace TestSupport
