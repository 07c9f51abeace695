#pragma once

#include "passingnotes.h"

#include <QDateTime>
#include <QString>

#include <functional>

// What the status bar says about the link to the receiver, decided without a window:
// a port that is not open (said until it opens), a receiver that has sent nothing for a
// while although its port is open, bytes that arrive but frame into no message of the
// interface mode, or a short note that the port is back. Quiet spells are counted on a
// steady clock, so setting the PC clock never fakes one; the time shown is the PC's UTC
// at the last bytes.
class ReceiverLinkWatch
{
public:
    ReceiverLinkWatch();

    // The port is not open; the text stays until PortBack or PortOpened.
    void PortDown(const QString& text);
    // The port that was down is back; the note is shown for returnNote.shownMs.
    void PortBack(const QString& note);
    // The port was opened anew: the down text goes, a note being shown stays. What was
    // heard before is of an earlier opening, perhaps of another port or receiver.
    void PortOpened();

    // Bytes came from the port at the given PC time (UTC), framed or not.
    void BytesHeard(const QDateTime& utc);
    // A message came from the receiver at the given PC time (UTC). True when it ends a
    // silence or data not understood.
    bool MessageHeard(const QDateTime& utc);

    // The port's name and the interface mode's name, as the note on data the mode cannot
    // read gives them.
    void SetNamesForNote(const QString& port, const QString& mode);

    // The periodic look. True once, when a note begins: no bytes for silenceLimitMs, or
    // bytes but no message for notUnderstoodMs, while the port was open and no search or
    // set-up ran. A closed port or receiver work ends the note and starts the count
    // afresh.
    bool Check(bool bPortOpen, bool bReceiverWork);

    // The status text now (nowUtc picks whether the date is needed); empty when there
    // is nothing to say.
    QString Text(const QDateTime& nowUtc) const;
    // Whether Text is the short note that the port is back.
    bool SaysReturn() const;

    static QString NotUnderstoodText(const QString& port, const QString& mode);

    // How often the window looks (Check), ms.
    static constexpr int kCheckIntervalMs = 250;

    int silenceLimitMs = 5000;
    int notUnderstoodMs = 10000;
    // The steady clock in ms; tests put their own here.
    std::function<qint64()> clockMs;
    // The note that the port is back, on show for its shownMs on clockMs.
    PassingNotes returnNote{1, {}};

private:
    enum class Quiet { None, Silent, NotUnderstood };

    QString downText;
    QString note;
    QString portName;
    QString modeName;
    QDateTime lastDataUtc;    // the last bytes since the port was opened; invalid before
    QDateTime openedUtc;      // when the port was opened; invalid before
    QDateTime watchFromUtc;   // when listening began, for a port never seen to open
    qint64 countFromMs = -1;  // messages are missed from here; -1 while not watching
    qint64 lastBytesMs = -1;  // the last bytes on the steady clock; -1 none since the open
    Quiet quiet = Quiet::None;
};
