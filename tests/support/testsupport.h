#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>
#include <functional>

// Shared plumbing of every test executable: one main() runs each registered test
// class, after the settings store has been moved into a temporary folder.
namespace TestSupport {

using TestFactory = std::function<QObject*()>;

// Registers a test class; use HORALUX_TEST below rather than calling this.
int RegisterTest(const char* name, TestFactory factory);

// Points the per-user settings store at a private temporary folder. Idempotent;
// main() has already called it, and initTestCase may call it again safely.
void IsolateSettings();

// Removes every key of the program's settings store.
void ClearSettings();

// Runs the event loop until pred() holds or timeoutMs passes; returns pred().
bool WaitFor(const std::function<bool()>& pred, int timeoutMs = 5000);

// Path of a file below the shared receiver captures.
QString TestDataPath(const QString& relative);

// ---- Free ports ----
// A TCP port of the remote link's range that nothing listens on now. Started from the
// process id, so that test programs run side by side seldom try the same ones.
quint16 FreePort();

}  // namespace TestSupport

#define HORALUX_TEST(Class)                                                         \
    [[maybe_unused]] static const int horaluxTestRegistration_##Class =            \
        TestSupport::RegisterTest(#Class, [] { return static_cast<QObject*>(new Class); })
