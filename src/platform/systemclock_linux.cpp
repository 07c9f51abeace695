#include "systemclock.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace SystemClock {

int RequestSetTimePrivilege()
{
    // Linux grants the right through CAP_SYS_TIME; we can only check that the
    // process holds it in its effective set.
    __user_cap_header_struct header{};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
    header.version = _LINUX_CAPABILITY_VERSION_3;
    header.pid = 0;
    if (syscall(SYS_capget, &header, data) != 0)
        return errno;
    const unsigned word = CAP_SYS_TIME / 32;
    const unsigned bit = 1u << (CAP_SYS_TIME % 32);
    return (data[word].effective & bit) ? 0 : EPERM;
}

int SetSystemUtcTime(const QDateTime& utc)
{
    if (!utc.isValid())
        return EINVAL;
    const qint64 ms = utc.toMSecsSinceEpoch();
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(ms / 1000);
    ts.tv_nsec = static_cast<long>((ms % 1000) * 1000000);
    if (clock_settime(CLOCK_REALTIME, &ts) != 0)
        return errno;
    return 0;
}

QString ErrorText(int errorCode)
{
    return QString::fromLocal8Bit(std::strerror(errorCode));
}

}  // namespace SystemClock
