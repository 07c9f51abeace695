// The main() of every test executable: runs each registered test class in turn.
// HORALUX_TEST_CLASS=<name> runs only that class.

#include "testsupport.h"

#include <QApplication>
#include <QTest>

#include <memory>
#include <utility>
#include <vector>

namespace TestSupport {
const std::vector<std::pair<QString, TestFactory>>& RegisteredTests();
}

int main(int argc, char** argv)
{
    TestSupport::IsolateSettings();
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(resources);

    const QString only = qEnvironmentVariable("HORALUX_TEST_CLASS");
    int failures = 0;
    for (const auto& [name, factory] : TestSupport::RegisteredTests()) {
        if (!only.isEmpty() && name != only)
            continue;
        std::unique_ptr<QObject> test(factory());
        failures += QTest::qExec(test.get(), argc, argv) != 0 ? 1 : 0;
    }
    return failures == 0 ? 0 : 1;
}
