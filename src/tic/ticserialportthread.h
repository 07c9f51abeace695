#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QSerialPort>
#include <QString>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <functional>

#include "messageframer.h"
#include "scpisession.h"
#include "ticportsettings.h"

// One time-interval counter port (1 to 8): a serial line that delivers a reading per
// line, or an SCPI counter on the LAN that the port sets up and polls itself. Every
// line is handed on as "<port> <line>". Like the receiver port, its thread runs only
// an empty event loop and all its work happens on the GUI thread.
class TicSerialPortThread : public QThread
{
    Q_OBJECT

public:
    explicit TicSerialPortThread(QObject* parent = nullptr);
    ~TicSerialPortThread() override;

    int TicPort() const { return ticPort; }
    const TicPortSettings& Settings() const { return settings; }
    const ScpiSession& Session() const { return session; }
    bool IsSerialOpen() const { return serialPort.isOpen(); }
    QAbstractSocket::SocketState SocketState() const { return socket.state(); }

    // Waits of the SCPI link; tests shorten them.
    int connectWaitMs = 5000;      // for the counter to take the connection
    int identifyWaitMs = ScpiSession::kIdentifyWaitMs;
    int replyWaitMs = ScpiSession::kReplyWaitMs;
    // After a "READ?" sent straight after an answer, for the counter's next start edge:
    // a fake counter that answers at once needs it short.
    int unaskedWaitMs = ScpiSession::kUnaskedWaitMs;
    // The wait before connecting again doubles with each failure, from the first up to
    // the longest, and starts afresh with a reading. The longest is short: a counter
    // back after a pause should not wait long for its first poll.
    int reconnectFirstMs = 2000;
    int reconnectMaxMs = 10000;
    // Starts the wait before connecting again; tests see the waits chosen and shorten them.
    std::function<void(QTimer& timer, int ms)> startReconnectWait = [](QTimer& timer, int ms) { timer.start(ms); };
    // While a serial device is missing or gone, its open is tried again this often.
    int reopenIntervalMs = 5000;
    // An open serial port that delivers no line for this long is said to be silent, as
    // the receiver is.
    int silenceLimitMs = 5000;

    // Readings of 1 s or more that the processing dropped since the port was opened.
    int longReadingsDropped = 0;

signals:
    void newTicText(QByteArray s);
    // Kept with its name and its connection to the window's box, but no longer
    // emitted: every failure of a port heals itself by retrying and is said as a status
    // note, and a box would wait on a station left alone for someone to press OK.
    void showErrorMessageBox(QString errmsg);
    // A counter that cannot be reached, whose link was lost, that takes the connection
    // but answers nothing, that answers "READ?" with no reading, that names no known
    // model, whose serial port is gone or cannot be opened, whose open serial port
    // delivers nothing, or only lines that are no reading (bLinkUp false), and its
    // return (true): one note for the status bar, said once per failure however often
    // the retries fail. An empty text with bLinkUp true ends the port's note: its
    // settings changed, and what was said of the old ones is over; or a silent serial
    // counter delivers a line again, or one that gave no reading gives one.
    void linkStatusMessage(int iTicPort, bool bLinkUp, QString text);

public slots:
    void startTicSerialPort(int iTicPort);

private:
    void OpenTicPort();
    void OpenSerialPort();
    // Opens the set-up serial port, or keeps trying; says its failure and return once.
    void TryOpen();
    void ResetFraming();
    void CloseLink();
    void ConnectSocket();
    void LinkLost(const QString& reason);
    // What is said of the link; a failure of the same kind as the one said is not news.
    enum class Note { None, Down, NoAnswer, NoReading, UnknownCounter, Silent, NoSignal };
    void DropLink(Note kind, const QString& text);
    void SayDown(Note kind, const QString& text);
    void SayBack(const QString& text);
    void ReadLines(const QByteArray& block);
    // A serial line came, or the port opened: the silence count starts again.
    void RestartSilenceCount();
    // Counts a serial line that is no reading; the third in a row is said, until a reading.
    // The counter's overflow is said at once, as no signal.
    void CountNoReading(const QByteArray& line);
    // The counter measures nothing: said from the first such answer until a reading.
    void SayNoSignal(const QByteArray& answer, const QString& verb);
    // Ends a note of the kind said, with no return to say.
    void EndNote(Note kind);
    void CountUnended(const QByteArray& block);
    void OnSerialError(QSerialPort::SerialPortError error);
    void OnSocketConnected();
    void OnSocketReadyRead();
    void OnIdentifyTimeout();
    void OnReplyTimeout();
    // The reply wait starts afresh while polling.
    void RestartPollWait();
    // Hands on the replies the session took; drops the polling after the last in a row
    // that is no reading.
    void HandOnReplies();
    // Polling stopped: the counter said nothing, or no reading, to "READ?".
    void DropPolling();
    bool LinkAlive() const;
    // "TIC<n>", as the port's notes begin.
    QString PortHead() const;

    int ticPort = 0;  // 0 until the first start binds the object to its port
    bool bStarted = false;
    TicPortSettings settings;

    QSerialPort serialPort;
    bool bPortFailed = false;  // closed after a failure; the errors that follow are not reported
    QTimer reopenTimer;
    QTimer silenceTimer;
    QDateTime lastLineUtc;  // the PC's UTC at the last line, or at the opening

    QTcpSocket socket;
    bool bClosing = false;     // our own abort: not a lost link
    ScpiSession session;
    QTimer connectTimer;
    QTimer identifyTimer;
    QTimer replyTimer;
    QTimer reconnectTimer;
    int reconnectDelayMs = 0;
    bool bSocketConnected = false;  // since the last connection was made
    Note said = Note::None;         // the failure said, until the counter or port is back
    bool bNoteShown = false;        // a note of the present settings is, or may be, on show

    LineFramer framer;
    QList<QByteArray> received;   // lines of one block, handed on after it is framed
    qsizetype unendedBytes = 0;   // bytes since the last line end
    bool bOverlongWarned = false;
    int noReadingLines = 0;       // serial lines in a row that are no reading
};
