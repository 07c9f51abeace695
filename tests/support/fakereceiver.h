#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QDateTime>
#include <QSerialPort>
#include <QString>
#include <QTimer>
#include <functional>

// A scripted receiver on the far end of a pseudo-terminal pair. It hears a command
// only when the program's end is set to its own data rate (a pseudo-terminal carries
// no rate, so the test tells it the program's), answers the probes and commands of
// the receiver search and set-up as its kind would, follows rate and protocol
// changes, and records every command it heard. Its answers are built from the
// message layouts.
class FakeReceiver : public QObject
{
public:
    enum class Kind { Motorola12, Motorola8, Ssr, Ublox, GenericNmea };
    // What it speaks now; a Motorola receiver moves between the first three.
    enum class Protocol { MotorolaBinary, MotorolaNmea, Loran, Ubx, Nmea };

    FakeReceiver(Kind kind, int rate, Protocol protocol, QObject* parent = nullptr);

    bool Open(const QString& portName);
    void Close() { port.close(); }

    // The rate the program's end of the pair is set to now.
    std::function<int()> programRate;

    Kind kind;
    int rate;
    Protocol protocol;
    QList<QByteArray> heard;  // whole commands, checksums and line ends cut off

    // The heads of the commands heard ("@@Cj", "$PMOTG,ZDA", "UBX 0A04", "T0", ...).
    QStringList Heads() const;

    // The answers, as a receiver of this kind sends them.
    static QByteArray Identification(Kind kind);
    static QByteArray MotorolaMessage(const char* id, const QByteArray& payload = QByteArray());
    static QByteArray NmeaSentence(const QByteArray& body);
    // A 12-channel position message for the instant: a fixed site and eight satellites
    // tracked and used.
    static QByteArray PositionMessage(const QDateTime& utc);
    // From now on a Motorola receiver sends one position message a second, as after
    // its set-up (for a look at the program running with it).
    void StartLiveData();

    // The rate that a "@@Wb" payload names; 0 for no rate.
    static int RateOfDataRateCommand(unsigned char high, unsigned char low);

private:
    void OnReadyRead();
    // One command off the front of the buffer; false when none is whole yet.
    bool TakeCommand(QByteArray& command);
    void Answer(const QByteArray& command);
    void AnswerMotorola(const QByteArray& command);
    void Send(const QByteArray& bytes);

    QSerialPort port;
    QByteArray buffer;
    QTimer liveTimer;
};
