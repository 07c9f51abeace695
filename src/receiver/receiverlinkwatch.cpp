#include "receiverlinkwatch.h"

#include "pctime.h"

#include <QElapsedTimer>

#include <memory>

namespace {

QString SilenceText(const QDateTime& lastUtc, const QDateTime& nowUtc)
{
    const QDateTime last = lastUtc.toUTC();
    // A silence that began on an earlier day says which.
    const QString format = last.date() == nowUtc.toUTC().date() ? QStringLiteral("HH:mm:ss")
                                                                 : QStringLiteral("yyyy-MM-dd HH:mm:ss");
    return QStringLiteral("GPS receiver silent: no data since ") + last.toString(format) + QStringLiteral(" UTC");
}

}  // namespace

ReceiverLinkWatch::ReceiverLinkWatch()
{
    auto steady = std::make_shared<QElapsedTimer>();
    steady->start();
    clockMs = [steady] { return steady->elapsed(); };
}

void ReceiverLinkWatch::PortDown(const QString& text)
{
    downText = text;
    note.clear();
}

void ReceiverLinkWatch::PortBack(const QString& text)
{
    downText.clear();
    note = text;
    noteUntilMs = clockMs() + noteMs;
}

bool ReceiverLinkWatch::MessageHeard(const QDateTime& utc)
{
    lastHeardUtc = utc;
    if (countFromMs >= 0)
        countFromMs = clockMs();
    const bool bWasSilent = bSilent;
    bSilent = false;
    return bWasSilent;
}

bool ReceiverLinkWatch::Check(bool bPortOpen, bool bReceiverWork)
{
    if (!bPortOpen || bReceiverWork) {
        countFromMs = -1;
        bSilent = false;
        return false;
    }
    const qint64 now = clockMs();
    if (countFromMs < 0) {
        countFromMs = now;
        watchFromUtc = PcTime::CurrentUtc();
    }
    if (bSilent || now - countFromMs < silenceLimitMs)
        return false;
    bSilent = true;
    return true;
}

QString ReceiverLinkWatch::Text(const QDateTime& nowUtc) const
{
    if (!downText.isEmpty())
        return downText;
    if (bSilent)
        return SilenceText(lastHeardUtc.isValid() ? lastHeardUtc : watchFromUtc, nowUtc);
    if (!note.isEmpty() && clockMs() < noteUntilMs)
        return note;
    return QString();
}
