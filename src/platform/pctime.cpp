#include "pctime.h"

namespace {
QDateTime fixedUtc;
}

namespace PcTime {

QDateTime CurrentUtc()
{
    if (fixedUtc.isValid())
        return fixedUtc;
    return QDateTime::currentDateTimeUtc();
}

QDateTime CurrentLocal()
{
    return CurrentUtc().toLocalTime();
}

void SetFixedUtc(const QDateTime& utc)
{
    fixedUtc = utc.isValid() ? utc.toUTC() : QDateTime();
}

}  // namespace PcTime
