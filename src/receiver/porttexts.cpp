#include "porttexts.h"

namespace {

const char* const kPortErrorTexts[] = {
    "",
    "An error occurred while attempting to open an non-existing device.",
    "An error occurred while attempting to open an already opened device by another process "
    "or a user not having enough permission and credentials to open.",
    "An error occurred while attempting to open an already opened device in this object.",
    "An I/O error occurred while writing the data.",
    "An I/O error occurred while reading the data.",
    "An I/O error occurred when a resource becomes unavailable, e.g. when the device is "
    "unexpectedly removed from the system.",
    "The requested device operation is not supported or is prohibited by the running "
    "operating system.",
    "Unknown Error",
    "A timeout error occurred. This value was introduced in QtSerialPort 5.2.",
    "This error occurs when an operation is executed that can only be successfully performed "
    "if the device is open. This value was introduced in QtSerialPort 5.2.",
};

QLatin1String LineName(int line)
{
    static const char* const kLines[] = {"", "DCD", "CTS", "DSR"};
    return QLatin1String(line > 0 && line < 4 ? kLines[line] : "?");
}

// A time of day as the notes say it, with the date when it is not today's.
QString SinceText(const QDateTime& sinceUtc, const QDateTime& nowUtc)
{
    const QDateTime since = sinceUtc.toUTC();
    const QString format = since.date() == nowUtc.toUTC().date() ? QStringLiteral("HH:mm:ss")
                                                                  : QStringLiteral("yyyy-MM-dd HH:mm:ss");
    return since.toString(format);
}

}  // namespace

QString PortTexts::PortErrorText(int error)
{
    constexpr int count = static_cast<int>(sizeof(kPortErrorTexts) / sizeof(kPortErrorTexts[0]));
    if (error < 0 || error >= count)
        return QStringLiteral("Unknown Error");
    return QString::fromLatin1(kPortErrorTexts[error]);
}

QString PortTexts::PortErrorMessage(const QString& name, int error)
{
    return tr("Can't open GPS Port %1\r\n\r\n\"%2\"").arg(name, PortErrorText(error));
}

QString PortTexts::FailureReason(const QSerialPort& port)
{
    const QString reason = port.errorString();
    return reason.isEmpty() ? PortErrorText(port.error()) : reason;
}

QString PortTexts::LostReason(int error)
{
    return error == QSerialPort::ReadError ? tr("read error") : tr("device unavailable");
}

QString PortTexts::PortLostText(const QString& name, int error, int intervalMs, const QString& head)
{
    return tr("%1 port lost: %2 (%3), retrying every %4 s")
        .arg(head, name, LostReason(error), QString::number(intervalMs / 1000.0));
}

QString PortTexts::PortUnopenedText(const QString& name, const QString& reason, int intervalMs,
                                    const QString& head)
{
    return tr("%1 port cannot be opened: %2 (%3), retrying every %4 s")
        .arg(head, name, reason, QString::number(intervalMs / 1000.0));
}

QString PortTexts::PortOffText()
{
    return tr("GPS port OFF: choose one under Edit, Set GPS Receiver Interface ...");
}

QString PortTexts::PortBackText(const QString& name, const QString& head)
{
    return tr("%1 port back: %2").arg(head, name);
}

QString PortTexts::PpsLineName(int line) { return LineName(line); }

QString PortTexts::PpsUnreadableText(int line, const QString& name, const QString& reason)
{
    return tr("1PPS line %1 unreadable: %2 (%3)").arg(LineName(line), name, reason);
}

QString PortTexts::PpsMissingText(int line, const QDateTime& sinceUtc, const QDateTime& nowUtc)
{
    return tr("1PPS missing on %1 since %2 UTC").arg(LineName(line), SinceText(sinceUtc, nowUtc));
}

QString PortTexts::PpsSecondSeriesText(int line, int64_t afterMs)
{
    return tr("1PPS on %1: a second edge every second, %2 s after the pulse")
        .arg(LineName(line), QString::number(double(afterMs) / 1000.0, 'f', 2));
}

QString PortTexts::PpsInDoubtText(int line, int64_t apartMs)
{
    return tr("1PPS in doubt on %1: two edges every second, %2 s apart, either may be the pulse")
        .arg(LineName(line), QString::number(double(apartMs) / 1000.0, 'f', 2));
}

QString PortTexts::SilentText(const QString& head, const QString& what, const QDateTime& lastUtc,
                              const QDateTime& nowUtc)
{
    // A silence that began on an earlier day says which.
    return tr("%1 silent: no %2 since %3 UTC").arg(head, what, SinceText(lastUtc, nowUtc));
}
