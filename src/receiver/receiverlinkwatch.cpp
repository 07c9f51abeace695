#include "receiverlinkwatch.h"

#include "pctime.h"
#include "porttexts.h"
#include "utcdatetime.h"

#include <algorithm>

namespace {

QString SilenceText(const QDateTime& lastUtc, const QDateTime& nowUtc)
{
    return PortTexts::SilentText(QStringLiteral("GPS receiver"), QStringLiteral("data"), lastUtc, nowUtc);
}

}  // namespace

ReceiverLinkWatch::ReceiverLinkWatch() : clockMs(&UtcDateTime::SteadyMSecs)
{
    // One clock for the silences and the note, whichever a test puts in.
    returnNote.clockMs = [this] { return clockMs(); };
}

void ReceiverLinkWatch::PortDown(const QString& text)
{
    downText = text;
    // The return is no longer true: it is not said again once the port opens.
    returnNote.Cancel(0);
}

void ReceiverLinkWatch::PortBack(const QString& text)
{
    downText.clear();
    note = text;
    returnNote.Begin(0);
}

void ReceiverLinkWatch::PortOpened()
{
    downText.clear();
    // The last data of the port before, shown as this one's, would send the operator
    // to a cable that is not the one in use.
    openedUtc = PcTime::CurrentUtc();
    lastDataUtc = QDateTime();
    lastBytesMs = -1;
    countFromMs = -1;
    quiet = Quiet::None;
}

void ReceiverLinkWatch::BytesHeard(const QDateTime& utc)
{
    lastDataUtc = utc;
    lastBytesMs = clockMs();
}

bool ReceiverLinkWatch::MessageHeard(const QDateTime& utc)
{
    BytesHeard(utc);
    if (countFromMs >= 0)
        countFromMs = lastBytesMs;
    const bool bWasQuiet = quiet != Quiet::None;
    quiet = Quiet::None;
    return bWasQuiet;
}

void ReceiverLinkWatch::SetNamesForNote(const QString& port, const QString& mode)
{
    portName = port;
    modeName = mode;
}

bool ReceiverLinkWatch::Check(bool bPortOpen, bool bReceiverWork)
{
    // The note's own timer runs on the real steady clock; the look follows clockMs.
    returnNote.EndDue();
    if (!bPortOpen || bReceiverWork) {
        countFromMs = -1;
        quiet = Quiet::None;
        return false;
    }
    const qint64 now = clockMs();
    if (countFromMs < 0) {
        countFromMs = now;
        watchFromUtc = PcTime::CurrentUtc();
    }
    // Bytes that the mode's framer cannot make into a message are no silence: the cable
    // is fine, the mode or the rate is not.
    Quiet next = Quiet::None;
    if (now - std::max(countFromMs, lastBytesMs) >= silenceLimitMs)
        next = Quiet::Silent;
    else if (now - countFromMs >= notUnderstoodMs)
        next = Quiet::NotUnderstood;
    if (next == quiet)
        return false;
    quiet = next;
    return next != Quiet::None;
}

QString ReceiverLinkWatch::NotUnderstoodText(const QString& port, const QString& mode)
{
    return QStringLiteral("GPS data not understood: bytes arrive on %1, but no %2 message; another interface "
                          "mode or baud rate?")
        .arg(port, mode);
}

QString ReceiverLinkWatch::Text(const QDateTime& nowUtc) const
{
    if (!downText.isEmpty())
        return downText;
    if (quiet == Quiet::Silent) {
        const QDateTime since = lastDataUtc.isValid() ? lastDataUtc : openedUtc.isValid() ? openedUtc : watchFromUtc;
        return SilenceText(since, nowUtc);
    }
    if (quiet == Quiet::NotUnderstood)
        return NotUnderstoodText(portName, modeName);
    return SaysReturn() ? note : QString();
}

bool ReceiverLinkWatch::SaysReturn() const
{
    return quiet == Quiet::None && !note.isEmpty() && returnNote.IsShown(0);
}
