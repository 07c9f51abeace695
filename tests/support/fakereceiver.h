#pragma once

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QStringList>
#include <QTimer>
#include <functional>

// A scripted receiver on the far end of a pseudo-terminal pair. It hears a command
// only when the program's end is set to its own data rate (a pseudo-terminal carries
// no rate, so the test tells it the program's), answers the probes and commands of
// the receiver search and set-up as its kind would, follows rate and protocol
// changes, and records every command it heard, checksums and line ends cut off.
class FakeReceiver : public QObject
{
public:
    enum class Kind { Motorola12, Motorola8, Ssr, Ublox, GenericNmea };
    // What it speaks now; a Motorola receiver moves between the first three.
    enum class Protocol { MotorolaBinary, MotorolaNmea, Loran, Ubx, Nmea };

    FakeReceiver(Kind kind, int rate, Protocol protocol, QObject* parent = nullptr);

    bool Open(const QString& portName);
    void Close() { port.close(); }
    // The heads of the commands heard ("@@Cj", "$PMOTG,ZDA", "UBX 0A04", "T0", ...).
    QStringList Heads() const;
    // From now on a Motorola receiver sends one position message a second (a fixed site,
    // eight satellites tracked and used), as after its set-up; a u-blox or generic
    // receiver sends the same site as one fix sentence a second.
    void StartLiveData();
    // A receiver that stops talking while its cable stays in, and starts again.
    void PauseLiveData(bool bPaused) { bPaused ? liveTimer.stop() : liveTimer.start(1000); }

    // Sends a message that the program frames in the given interface mode and that the
    // receiver sends at no other time; returns its first bytes. Once the program hands
    // it on, everything the receiver said before it has reached the program.
    QByteArray SendLast(int mode);

    std::function<int()> programRate;  // the rate the program's end is set to now
    Kind kind;
    int rate;
    Protocol protocol;
    QList<QByteArray> heard;

private:
    void OnReadyRead();
    void Answer(const QByteArray& command);
    void Send(const QByteArray& bytes) { port.write(bytes); port.flush(); }

    QSerialPort port;
    QByteArray buffer;
    QTimer liveTimer;
};
