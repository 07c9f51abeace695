#include "shutdownsignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// A signal handler may do next to nothing: it writes the signal's number into a pipe,
// and the event loop, which watches the other end, does the rest.
int handOverPipe[2] = {-1, -1};

void OnSignal(int number)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    // A full pipe already holds a signal that is still to be handled.
    [[maybe_unused]] const ssize_t written = write(handOverPipe[1], &byte, 1);
    errno = savedErrno;
}

}  // namespace

namespace ShutdownSignals {

bool Catch(QObject* context, std::function<void(int)> onSignal)
{
    if (handOverPipe[0] < 0 && pipe2(handOverPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    auto* notifier = new QSocketNotifier(handOverPipe[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [onSignal = std::move(onSignal)] {
        unsigned char numbers[16];
        ssize_t count = 0;
        while ((count = read(handOverPipe[0], numbers, sizeof numbers)) > 0)
            for (ssize_t i = 0; i < count; ++i)
                onSignal(numbers[i]);
    });
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : {SIGTERM, SIGINT, SIGHUP})
        if (sigaction(number, &action, nullptr) != 0)
            return false;
    return true;
}

}  // namespace ShutdownSignals
