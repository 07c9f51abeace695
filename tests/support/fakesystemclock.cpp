#include "fakesystemclock.h"

#include "systemclock.h"

namespace FakeSystemClock {

State& Get()
{
    static State state;
    return state;
}

void Reset() { Get() = State(); }

}  // namespace FakeSystemClock

namespace SystemClock {

int RequestSetTimePrivilege()
{
    ++FakeSystemClock::Get().privilegeRequests;
    return FakeSystemClock::Get().privilegeError;
}

int SetSystemUtcTime(const QDateTime& utc)
{
    FakeSystemClock::Get().setTimes.append(utc);
    return FakeSystemClock::Get().setError;
}

QString ErrorText(int errorCode)
{
    return QStringLiteral("Fake clock error %1").arg(errorCode);
}

}  // namespace SystemClock
