#pragma once

#include <QDateTime>
#include <QString>

#include <functional>

// What the status bar says about the link to the receiver, decided without a window:
// a port that is not open (said until it opens), a receiver that has
// sent nothing for a while although its port is open, or a short note that the port is
// back. Silence is counted on a steady clock, so setting the PC clock never fakes one;
// the time shown is the PC's UTC at the last message.
class ReceiverLinkWatch
{
public:
    ReceiverLinkWatch();

    // The port is not open; the text stays until PortBack or PortOpened.
    void PortDown(const QString& text);
    // The port that was down is back; the note is shown for noteMs.
    void PortBack(const QString& note);
    // The port was opened anew: the down text goes, a note being shown stays.
    void PortOpened() { downText.clear(); }

    // A message came from the receiver at the given PC time (UTC). True when it ends a
    // silence.
    bool MessageHeard(const QDateTime& utc);

    // The periodic look. True once, when a silence begins: no message for
    // silenceLimitMs while the port was open and no search or set-up ran. A closed port
    // or receiver work ends a silence and starts the count afresh.
    bool Check(bool bPortOpen, bool bReceiverWork);

    // The status text now (nowUtc picks whether the date is needed); empty when there
    // is nothing to say.
    QString Text(const QDateTime& nowUtc) const;

    // How often the window looks (Check), ms.
    static constexpr int kCheckIntervalMs = 250;

    int silenceLimitMs = 5000;
    int noteMs = 10000;
    // The steady clock in ms; tests put their own here.
    std::function<qint64()> clockMs;

private:
    QString downText;
    QString note;
    qint64 noteUntilMs = 0;
    QDateTime lastHeardUtc;   // the last message; invalid before the first
    QDateTime watchFromUtc;   // when listening began, for a receiver never heard
    qint64 countFromMs = -1;  // silence is counted from here; -1 while not watching
    bool bSilent = false;
};
