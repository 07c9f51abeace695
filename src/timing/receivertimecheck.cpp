// Checks that the receiver's times follow each other before one of them sets the PC clock.

#include "receivertimecheck.h"

#include "utcdatetime.h"

#include <QLocale>

#include <cstdlib>

namespace {

// Messages reach the program some ms into their second, never half a second apart from
// one second to the next; a time off by a whole second or more was not the receiver's.
constexpr int64_t kToleranceMs = 500;

}  // namespace

ReceiverTimeCheck::ReceiverTimeCheck() : clockMs(&UtcDateTime::SteadyMSecs) {}

bool ReceiverTimeCheck::Take(const QDateTime& given)
{
    const int64_t nowMs = clockMs();
    bFollows = last.isValid() && given.isValid() &&
               std::llabs(last.msecsTo(given) - (nowMs - lastMs)) <= kToleranceMs;
    before = bFollows ? QDateTime() : last;
    beforeMs = lastMs;
    last = given;
    lastMs = nowMs;
    return bFollows;
}

void ReceiverTimeCheck::Forget()
{
    last = before = QDateTime();
    bFollows = false;
}

QString ReceiverTimeCheck::JumpText() const
{
    if (!before.isValid() || !last.isValid())
        return QString();
    const auto text = [](const QDateTime& t) {
        return QLocale::c().toString(t.toUTC(), QStringLiteral("dd-MMM-yyyy hh:mm:ss"));
    };
    return QStringLiteral("its time messages give %1 UTC %2 s after %3 UTC")
        .arg(text(last), QString::number((lastMs - beforeMs) / 1000.0, 'f', 1), text(before));
}
