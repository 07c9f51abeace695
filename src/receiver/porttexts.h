#pragma once

#include <QCoreApplication>
#include <QDateTime>
#include <QSerialPort>
#include <QString>

#include <cstdint>

// What the status bar and the debug log say about a serial port, for the receiver port
// and the counter ports alike: a counter's note reads as the receiver's, under its own
// head ("TIC3" for "GPS").
class PortTexts
{
    Q_DECLARE_TR_FUNCTIONS(PortTexts)

public:
    // The message shown for a port error, and the text of the error alone.
    static QString PortErrorMessage(const QString& name, int error);
    static QString PortErrorText(int error);
    // Why an operation on port failed: the system's words, or ours when it has none.
    static QString FailureReason(const QSerialPort& port);
    // Why a port that was open is gone: the port has no system words for a vanished
    // device ("Unknown error"), so ours.
    static QString LostReason(int error);
    // The status-bar line for a port closed by a device error, retried every intervalMs.
    static QString PortLostText(const QString& name, int error, int intervalMs,
                                const QString& head = QStringLiteral("GPS"));
    // The status-bar line for a port that would not open (reason: the system's words),
    // retried every intervalMs.
    static QString PortUnopenedText(const QString& name, const QString& reason, int intervalMs,
                                    const QString& head = QStringLiteral("GPS"));
    // The status-bar line while no port is chosen.
    static QString PortOffText();
    // The note that a port that was down is back.
    static QString PortBackText(const QString& name, const QString& head = QStringLiteral("GPS"));
    // The name of a 1PPS line (a PpsInterface): "DCD", "CTS", "DSR"; "?" for another.
    static QString PpsLineName(int line);
    // The status-bar line for a 1PPS line (a PpsInterface) that cannot be read on the
    // port; reason: the system's words.
    static QString PpsUnreadableText(int line, const QString& name, const QString& reason);
    // The status-bar line for a 1PPS pulse chosen on line but not coming since sinceUtc
    // (when it was last due, or when waiting for it began); the date is given when that
    // was on an earlier day than nowUtc.
    static QString PpsMissingText(int line, const QDateTime& sinceUtc, const QDateTime& nowUtc);
    // The status-bar line while a second series of edges comes every second on line,
    // afterMs after the pulse, which keeps its place.
    static QString PpsSecondSeriesText(int line, int64_t afterMs);
    // The status-bar line while two series of edges, apartMs apart, come on line from the
    // start, and either may be the pulse.
    static QString PpsInDoubtText(int line, int64_t apartMs);
    // "<head> silent: no <what> since <time> UTC" for a device whose port is open but
    // that has sent nothing since lastUtc; the date is given when the silence began on
    // an earlier day than nowUtc.
    static QString SilentText(const QString& head, const QString& what, const QDateTime& lastUtc,
                              const QDateTime& nowUtc);
};
