#include "socketoptions.h"

#ifdef Q_OS_LINUX
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#endif

namespace {

#ifdef Q_OS_LINUX

struct Option
{
    int level;
    int name;
    const char* label;
};

constexpr Option kKeepAlive = {SOL_SOCKET, SO_KEEPALIVE, "SO_KEEPALIVE"};
constexpr Option kUserTimeout = {IPPROTO_TCP, TCP_USER_TIMEOUT, "TCP_USER_TIMEOUT"};
constexpr Option kKeepIdle = {IPPROTO_TCP, TCP_KEEPIDLE, "TCP_KEEPIDLE"};
constexpr Option kKeepInterval = {IPPROTO_TCP, TCP_KEEPINTVL, "TCP_KEEPINTVL"};
constexpr Option kKeepCount = {IPPROTO_TCP, TCP_KEEPCNT, "TCP_KEEPCNT"};

bool Set(qintptr descriptor, const Option& option, int value, QString* error)
{
    if (setsockopt(static_cast<int>(descriptor), option.level, option.name, &value, sizeof value) == 0)
        return true;
    const int code = errno;
    if (error)
        *error = QStringLiteral("%1: %2").arg(QLatin1String(option.label), QString::fromLocal8Bit(strerror(code)));
    return false;
}

#endif

}  // namespace

namespace SocketOptions {

bool SetPeerWatch(qintptr descriptor, const PeerWatch& watch, QString* error)
{
#ifdef Q_OS_LINUX
    // Each is tried, so that one refused leaves the others in force.
    bool ok = Set(descriptor, kKeepAlive, 1, error);
    ok = Set(descriptor, kUserTimeout, watch.unacknowledgedMs, error) && ok;
    ok = Set(descriptor, kKeepIdle, watch.keepAliveIdleS, error) && ok;
    ok = Set(descriptor, kKeepInterval, watch.keepAliveIntervalS, error) && ok;
    ok = Set(descriptor, kKeepCount, watch.keepAliveCount, error) && ok;
    return ok;
#else
    Q_UNUSED(descriptor);
    Q_UNUSED(watch);
    if (error)
        *error = QStringLiteral("not available on this system");
    return false;
#endif
}

}  // namespace SocketOptions
