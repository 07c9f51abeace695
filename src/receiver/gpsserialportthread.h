#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QSerialPort>
#include <QString>
#include <QThread>
#include <QTimer>

#include <deque>
#include <functional>

#include "messageframer.h"
#include "modemlinewatch.h"
#include "ppspulsecheck.h"

// The receiver port object. Its thread runs only an empty event loop: the port, its
// timers and every slot, signal and member here live on the GUI thread. The 1PPS line,
// and the arrival of the received bytes, are watched in threads of their own
// (ModemLineWatch); the GUI thread takes what they saw every 1 ms (ppsPollTimer), when
// the port is read, and when HandOnSeenEdges is called, and hands on ticks and messages
// in the order they happened. All times are steady ms (UtcDateTime::SteadyMSecs).
class GpsSerialPortThread : public QThread
{
    Q_OBJECT

public:
    explicit GpsSerialPortThread(QObject* parent = nullptr);
    ~GpsSerialPortThread() override;

    // Modem line that carries the 1PPS edge (a PpsInterface: 0 none, 1 DCD, 2 CTS, 3 DSR).
    void SetPpsInterface(int line);
    int GetPpsInterface() const { return ppsInterface; }
    int GetPpsLineMask() const { return ppsLineMask; }

    // Opens, or re-opens, the port from the "GpsPortDialog/" settings.
    void OpenGpsPort();

    // The steady ms (UtcDateTime::SteadyMSecs) at which the rising edge of the tick now
    // being handed on with PpsTick was seen; the last tick's afterwards, -1 before any.
    int64_t EdgeMs() const { return edgeMs; }
    // Whether the chosen 1PPS line's pulse keeps coming: one came, and the port waits for
    // the next without having found it missing.
    bool PulseComing() const;
    // The steady ms at which the message now being handed on with newGpsText arrived at
    // the port; -1 while none is (a message handed on by other means: now counts).
    int64_t ArrivalMs() const { return arrivalMs; }
    // Whether the pulse is in doubt: two series of edges a second apart came from the
    // start, and either may be the pulse. No tick of a pulse in doubt sets the PC clock.
    // The ticks go on meanwhile, one a second from the series seen first, for the logs.
    bool PulseInDoubt() const;
    // Hands on, in the order they came, every edge the line watch has seen so far and the
    // messages whose bytes came before them: what arrives by other paths (a counter's
    // reading) is then handled after the tick of the pulse it followed.
    void HandOnSeenEdges();

    int GetPortMode() const { return portMode; }
    QString GetPortName() const { return portName; }
    const QSerialPort& Port() const { return serialPort; }

    // How the port's fd is asked for its modem lines and waiting bytes. A pseudo-terminal
    // has no modem lines, so tests put fakes here. Setting it restarts the watch.
    void SetLineAccess(ModemLineWatch::Access access);
    const ModemLineWatch& LineWatch() const { return lineWatch; }
    // Edges handed on so far, as ticks or as glitches.
    int64_t EdgesHandled() const { return edgesHandled; }

    // Complete an outgoing message in place with the checksum of its protocol; false,
    // and the message unchanged, when it does not have that protocol's form. The port
    // adds the line end when it writes.
    static bool AppendMotorolaChecksum(QByteArray& msg);
    static bool AppendUbxChecksum(QByteArray& msg);
    static bool AppendNmeaChecksum(QByteArray& msg);
    // Completes a command with the checksum of the protocol its first bytes name; a
    // command the appender refuses, or of no protocol, stays as it is.
    static void AppendProtocolChecksum(QByteArray& cmd);

    // Checks of received messages. A Motorola frame and a UBX frame are given whole;
    // CheckNmeaChecksum also cuts a trailing "*" and its two digits from its argument,
    // NmeaSentenceValid is the same check without the cut.
    static bool CheckMotorolaChecksum(QByteArrayView frame);
    static bool CheckUbxChecksum(QByteArrayView frame);
    static bool CheckNmeaChecksum(QByteArray& sentence);
    static bool NmeaSentenceValid(QByteArrayView sentence);

    // Total length of a received Motorola message from its first four bytes: -1 when
    // fewer than four or the id is unknown, 0 for the "W" letters that have no message.
    static int MotorolaMessageLength(QByteArrayView head);

    // While a vanished or missing device keeps the port closed, the open is tried again
    // this often.
    int reopenIntervalMs = 5000;

signals:
    void newGpsText(QByteArray s);
    void showErrorMessageBox(QString errmsg);
    void PpsTick();
    void newGpsSerialPort();
    // The port is not open: closed by a device error or refused at its open (both
    // retried), or no port is chosen. A line for the status bar that holds until
    // portBack or portOpened.
    void portDown(QString text);
    // A port that was down came back under its name: the note is said once.
    void portBack(QString note);
    // The port was opened from the settings; whatever was down before is over.
    void portOpened();
    // The chosen 1PPS line cannot be read (a line for the status bar), or, with an empty
    // text, it can be again, there is none, or the port is not open.
    void ppsLineNote(QString text);
    // Bytes came in, before they are framed: whether they make messages of the mode or
    // not, the receiver is talking.
    void bytesReceived();

public slots:
    void startGpsSerialPort(bool bLoadFirmwareMode);
    void OnSendGpsMessage(QByteArray qbMsg);

private slots:
    void handleReadyRead();
    void handleError(QSerialPort::SerialPortError error);
    void handleTimedPolls();
    void RetryOpen();

private:
    // The two receive framings: each frames one block of received bytes, queues every
    // message it accepts with arrivalMs, the steady ms by which the block's last byte
    // had come, to be handed on with newGpsText in the order of arrival, and empties data.
    void FrameMotorolaBinary(QByteArray& data, int64_t arrivalMs);
    void FrameUbxNmea(QByteArray& data, int64_t arrivalMs);
    // Frames a block by the live interface mode.
    void FrameByMode(QByteArray data, int64_t arrivalMs);
    FramedMessageSink QueueAt(int64_t arrivalMs);
    void ReportBack();
    void SetPpsNote(const QString& text);
    void ClosePort();
    void StartLineWatch();
    // Takes what the watch saw and hands on ticks and messages in the order they came;
    // says what is wrong with the pulse.
    void Pump();
    void ReadPort();
    void HandOn();
    void HandleEdge(int64_t ms);
    void ShowPpsNote();

    QByteArray sendData;
    bool bLoadFirmwareMode = false;
    int ppsInterface = 0;
    int ppsLineMask = 0;
    int portMode = 2;
    QString portName;
    QSerialPort serialPort;
    QTimer ppsPollTimer;
    QTimer reopenTimer;

    ModemLineWatch lineWatch;
    ModemLineWatch::Access lineAccess = ModemLineWatch::SystemAccess();
    PpsPulseCheck pulseCheck;
    int64_t edgeMs = -1;
    int64_t arrivalMs = -1;
    int64_t edgesHandled = 0;
    // Seen but not yet handed on: edges, and framed messages with the time their last
    // bytes came, which orders them among the edges.
    std::deque<int64_t> pendingEdges;
    struct PendingMessage
    {
        QByteArray bytes;
        int64_t arrivalMs;
    };
    std::deque<PendingMessage> pendingMessages;
    // A read forced to keep the order of bytes and edges: its time-out is no error.
    bool bForcedRead = false;

    // What is said of the 1PPS line: the unreadable line's note (empty: it can be read),
    // and the note shown.
    QString unreadableText;
    QString ppsNote;
    // The missing pulse's "since" and its text, made once for it: the PC's time of it
    // would wander from one look to the next. Both are cleared together.
    int64_t missingSinceMs = -1;
    QString missingText;
    // The port is closed after a failure and retried; the errors that follow are not
    // reported again.
    bool bPortFailed = false;

    MotorolaFramer motorolaFramer;
    UbxNmeaFramer ubxNmeaFramer;
    LineFramer lineFramer;
};
