#include "ticserialportthread.h"

#include "logtexts.h"
#include "pctime.h"
#include "porttexts.h"
#include "ticcorrection.h"

#include <algorithm>
#include <chrono>

namespace {

// A counter's answer as a note quotes it: printable, and short enough to leave room
// for the rest of the note.
QString QuotedAnswer(const QByteArray& answer)
{
    constexpr qsizetype kMaxQuoted = 64;
    const QByteArray shown = LogTexts::Printable(answer.left(kMaxQuoted));
    return QString::fromLatin1(answer.size() > kMaxQuoted ? shown + "..." : shown);
}

// When a line came, on a clock the PC clock's setting never moves. Not the tests' steady
// clock seam: a fake pulse that drives it must not decide which reading answers.
int64_t SteadyMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

TicSerialPortThread::TicSerialPortThread(QObject* parent)
    : QThread(parent),
      session([this](const QByteArray& command) { socket.write(command + "\r\n"); },
              [this](const QByteArray& reading) { received.append(reading); })
{
    connect(&serialPort, &QSerialPort::readyRead, this, [this] { ReadLines(serialPort.readAll()); },
            Qt::DirectConnection);
    connect(&serialPort, &QSerialPort::errorOccurred, this, &TicSerialPortThread::OnSerialError,
            Qt::DirectConnection);
    connect(&socket, &QTcpSocket::connected, this, &TicSerialPortThread::OnSocketConnected,
            Qt::DirectConnection);
    connect(&socket, &QTcpSocket::readyRead, this, &TicSerialPortThread::OnSocketReadyRead,
            Qt::DirectConnection);
    connect(&socket, &QTcpSocket::errorOccurred, this, [this] { LinkLost(socket.errorString()); },
            Qt::DirectConnection);
    connect(&socket, &QTcpSocket::disconnected, this, [this] { LinkLost(QStringLiteral("closed")); },
            Qt::DirectConnection);
    for (QTimer* timer : {&connectTimer, &identifyTimer, &replyTimer, &reconnectTimer, &silenceTimer})
        timer->setSingleShot(true);
    connect(&reopenTimer, &QTimer::timeout, this, &TicSerialPortThread::TryOpen);
    // Without a wait of our own an address where nothing answers holds the attempt
    // for the system's two minutes.
    connect(&connectTimer, &QTimer::timeout, this, [this] { LinkLost(tr("no answer")); });
    connect(&identifyTimer, &QTimer::timeout, this, &TicSerialPortThread::OnIdentifyTimeout);
    connect(&replyTimer, &QTimer::timeout, this, &TicSerialPortThread::OnReplyTimeout);
    connect(&reconnectTimer, &QTimer::timeout, this, &TicSerialPortThread::ConnectSocket);
    connect(&silenceTimer, &QTimer::timeout, this, [this] {
        SayDown(Note::Silent, PortTexts::SilentText(PortHead(), tr("reading"), lastLineUtc, PcTime::CurrentUtc()));
    });
}

TicSerialPortThread::~TicSerialPortThread()
{
    quit();
    wait();
    CloseLink();
}

void TicSerialPortThread::startTicSerialPort(int iTicPort)
{
    if (ticPort == 0) {
        ticPort = iTicPort;
        session.SetName(PortHead().toLatin1());
    }
    if (!isRunning())
        start();
    // A port whose settings did not change and whose link is alive keeps running.
    const TicPortSettings fresh = TicPortSettings::Load(ticPort);
    if (bStarted && fresh == settings && LinkAlive())
        return;
    bStarted = true;
    settings = fresh;
    OpenTicPort();
}

QString TicSerialPortThread::PortHead() const { return QStringLiteral("TIC%1").arg(ticPort); }

bool TicSerialPortThread::LinkAlive() const
{
    if (settings.IsOff())
        return true;
    if (settings.IsTcpIp())
        return socket.state() != QAbstractSocket::UnconnectedState || reconnectTimer.isActive();
    return serialPort.isOpen() || reopenTimer.isActive();
}

void TicSerialPortThread::OpenTicPort()
{
    CloseLink();
    // New settings, a new link: what was said of the old one is over, and the new
    // one's failures are said afresh.
    if (bNoteShown)
        emit linkStatusMessage(ticPort, true, QString());
    bNoteShown = false;
    said = Note::None;
    longReadingsDropped = 0;
    if (settings.IsOff())
        return;
    if (settings.IsTcpIp()) {
        reconnectDelayMs = reconnectFirstMs;
        ConnectSocket();
        return;
    }
    OpenSerialPort();
}

void TicSerialPortThread::CloseLink()
{
    connectTimer.stop();
    identifyTimer.stop();
    replyTimer.stop();
    reconnectTimer.stop();
    reopenTimer.stop();
    silenceTimer.stop();
    bPortFailed = false;
    session.End();
    bSocketConnected = false;
    bClosing = true;
    socket.abort();
    bClosing = false;
    if (serialPort.isOpen())
        serialPort.close();
    ResetFraming();
}

void TicSerialPortThread::ResetFraming()
{
    framer = LineFramer();
    received.clear();
    unendedBytes = 0;
    bOverlongWarned = false;
    noReadingLines = 0;
}

void TicSerialPortThread::OpenSerialPort()
{
    // Everything is set on a closed port: a pseudo-terminal refuses some of it while open.
    serialPort.setPortName(settings.portName);
    serialPort.setBaudRate(settings.dataRate, QSerialPort::AllDirections);
    serialPort.setFlowControl(settings.handshake == 1   ? QSerialPort::SoftwareControl
                              : settings.handshake == 2 ? QSerialPort::HardwareControl
                                                        : QSerialPort::NoFlowControl);
    serialPort.setStopBits(settings.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
    static const QSerialPort::Parity parities[] = {QSerialPort::NoParity, QSerialPort::OddParity,
                                                   QSerialPort::EvenParity, QSerialPort::MarkParity,
                                                   QSerialPort::SpaceParity};
    serialPort.setParity(settings.parity >= 0 && settings.parity <= 4 ? parities[settings.parity]
                                                                      : QSerialPort::NoParity);
    serialPort.setDataBits(settings.dataBits == 7 ? QSerialPort::Data7 : QSerialPort::Data8);
    bPortFailed = true;  // the errors of a failing open are reported once, below
    TryOpen();
}

void TicSerialPortThread::TryOpen()
{
    if (serialPort.isOpen() || serialPort.open(QIODevice::ReadWrite)) {
        reopenTimer.stop();
        bPortFailed = false;
        // Silence is counted from the opening: what came before may be another device's.
        RestartSilenceCount();
        SayBack(PortTexts::PortBackText(settings.portName, PortHead()));
        return;
    }
    const QString reason = PortTexts::FailureReason(serialPort);
    serialPort.clearError();
    // An adapter unplugged at boot, or a by-id link not there yet: keep trying, so the
    // counter is heard as soon as the device appears. Nobody may be there to press OK.
    if (!reopenTimer.isActive())
        reopenTimer.start(reopenIntervalMs);
    SayDown(Note::Down, PortTexts::PortUnopenedText(settings.portName, reason, reopenIntervalMs, PortHead()));
}

void TicSerialPortThread::OnSerialError(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::NoError || bPortFailed)
        return;
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError) {
        qWarning("TIC%d: serial port error %d.", ticPort, static_cast<int>(error));
        return;
    }
    // A removed device raises these in a tight loop while the port stays open.
    bPortFailed = true;
    serialPort.clearError();
    serialPort.close();
    silenceTimer.stop();
    // A line cut by the loss is no reading: the device starts afresh when it is back.
    ResetFraming();
    // An adapter pulled and put back usually returns under its name.
    reopenTimer.start(reopenIntervalMs);
    SayDown(Note::Down, PortTexts::PortLostText(settings.portName, error, reopenIntervalMs, PortHead()));
}

void TicSerialPortThread::ConnectSocket()
{
    if (settings.Host().isEmpty()) {
        qWarning("TIC%d: no TCP/IP address set.", ticPort);
        return;
    }
    socket.connectToHost(settings.Host(), settings.TcpPort());
    connectTimer.start(connectWaitMs);
}

void TicSerialPortThread::OnSocketConnected()
{
    connectTimer.stop();
    bSocketConnected = true;
    // The back-off goes on until a reading comes: a counter that takes the connection
    // and says nothing is no better than one that refuses it.
    session.SetUnaskedWaitMs(unaskedWaitMs);
    session.Begin(settings.SetupOverride());
    identifyTimer.start(identifyWaitMs);
}

void TicSerialPortThread::LinkLost(const QString& reason)
{
    // The link heals itself, so no box: the failure is said once, and the retries
    // after it are silent until a reading comes again.
    if (bClosing || reconnectTimer.isActive() || !settings.IsTcpIp())
        return;
    DropLink(Note::Down,
             (bSocketConnected ? tr("TIC%1 link lost: the link to the counter at %2 was lost (%3); connecting again")
                               : tr("TIC%1 unreachable: the counter at %2 cannot be reached (%3); trying again"))
                 .arg(ticPort)
                 .arg(settings.tcpIpAddress, reason));
}

void TicSerialPortThread::DropLink(Note kind, const QString& text)
{
    CloseLink();
    startReconnectWait(reconnectTimer, reconnectDelayMs);
    reconnectDelayMs = std::min(reconnectDelayMs * 2, reconnectMaxMs);
    SayDown(kind, text);
}

void TicSerialPortThread::SayDown(Note kind, const QString& text)
{
    if (said == kind)
        return;
    said = kind;
    bNoteShown = true;
    qWarning("%s", qPrintable(text));
    emit linkStatusMessage(ticPort, false, text);
}

void TicSerialPortThread::SayBack(const QString& text)
{
    if (said == Note::None)
        return;
    said = Note::None;
    qInfo("%s", qPrintable(text));
    emit linkStatusMessage(ticPort, true, text);
}

void TicSerialPortThread::OnSocketReadyRead()
{
    const QByteArray block = socket.readAll();
    // The session answers each line at once; the readings are handed on afterwards.
    QList<QByteArray> lines;
    framer.Frame(block, [&lines](const QByteArray& line) { lines.append(line); });
    CountUnended(block);
    // The last of the block's replies that says whether the counter measures.
    ScpiSession::Reply measured = ScpiSession::Reply::None;
    QByteArray noMeasurement;
    for (const QByteArray& line : std::as_const(lines)) {
        const ScpiSession::Reply reply = session.TakeLine(line, SteadyMs());
        if (session.GetState() == ScpiSession::State::Polling) {
            identifyTimer.stop();
            // Whatever the line was, a notice or an echo too, the counter is still
            // talking: it has not missed its answer.
            RestartPollWait();
        }
        // The back-off and the note of a counter that gives no reading end only with a reading.
        if (reply == ScpiSession::Reply::Reading) {
            measured = reply;
            reconnectDelayMs = reconnectFirstMs;
        } else if (reply == ScpiSession::Reply::NoMeasurement) {
            measured = reply;
            noMeasurement = session.StripPrompt(line);
        }
    }
    // A counter without a signal is said as such, never reconnected: its link is fine.
    if (measured == ScpiSession::Reply::NoMeasurement)
        SayNoSignal(noMeasurement, tr("answers"));
    else if (measured == ScpiSession::Reply::Reading && said == Note::NoSignal)
        EndNote(Note::NoSignal);
    else if (measured == ScpiSession::Reply::Reading)
        SayBack(tr("TIC%1 back: the counter at %2 answers again").arg(ticPort).arg(settings.tcpIpAddress));
    HandOnReplies();
}

void TicSerialPortThread::HandOnReplies()
{
    const QList<QByteArray> replies = std::exchange(received, {});
    const bool bNoReading = !session.NoReadingAnswer().isEmpty();
    for (const QByteArray& reply : replies)
        emit newTicText(QByteArray::number(ticPort) + ' ' + reply);
    // After the replies, so that the debug log says them before the note; unless the
    // port was set up anew meanwhile.
    if (bNoReading && bSocketConnected)
        DropPolling();
}

void TicSerialPortThread::OnIdentifyTimeout()
{
    if (session.IdentifyTimedOut() != ScpiSession::Action::Reconnect)
        return;
    if (session.Answer().isEmpty()) {
        // The link is up: only the counter is mute, busy or hung.
        DropLink(Note::NoAnswer, tr("TIC%1 no answer: the counter at %2 takes the connection but does not answer "
                                    "*IDN?; trying again")
                                     .arg(ticPort)
                                     .arg(settings.tcpIpAddress));
        return;
    }
    // Another instrument at the address, or one that only said something else: the
    // operator must learn what answered, and the counter may still come to itself.
    DropLink(Note::UnknownCounter, tr("TIC%1 unknown counter: the counter at %2 answered \"%3\"; trying again")
                                       .arg(ticPort)
                                       .arg(settings.tcpIpAddress, QuotedAnswer(session.Answer())));
}

void TicSerialPortThread::OnReplyTimeout()
{
    const ScpiSession::Action action = session.ReplyTimedOut();
    RestartPollWait();
    // Words held as a possible notice proved to be the answer: handed on, and the last
    // in a row that is no reading drops the polling.
    if (!received.isEmpty())
        HandOnReplies();
    else if (action == ScpiSession::Action::Reconnect)
        DropPolling();
}

void TicSerialPortThread::RestartPollWait()
{
    replyTimer.stop();
    if (session.ReadWaiting())
        replyTimer.start(replyWaitMs);
}

void TicSerialPortThread::DropPolling()
{
    if (const QByteArray& answer = session.NoReadingAnswer(); !answer.isEmpty()) {
        DropLink(Note::NoReading, tr("TIC%1 no reading: the counter answers READ? with \"%2\"; connecting again")
                                      .arg(ticPort)
                                      .arg(QuotedAnswer(answer)));
        return;
    }
    DropLink(Note::NoAnswer, tr("TIC%1 no answer: the counter at %2 no longer answers READ?; connecting again")
                                 .arg(ticPort)
                                 .arg(settings.tcpIpAddress));
}

void TicSerialPortThread::ReadLines(const QByteArray& block)
{
    QList<QByteArray> lines;
    framer.Frame(block, [&lines](const QByteArray& line) { lines.append(line); });
    CountUnended(block);
    if (!lines.isEmpty())
        RestartSilenceCount();
    for (const QByteArray& line : std::as_const(lines)) {
        emit newTicText(QByteArray::number(ticPort) + ' ' + line);
        // After the line, so that the debug log says it before the note.
        CountNoReading(line);
    }
}

void TicSerialPortThread::SayNoSignal(const QByteArray& answer, const QString& verb)
{
    // Said once, from the first answer: the time is when the signal went.
    if (said != Note::NoSignal) {
        SayDown(Note::NoSignal, tr("TIC%1 no signal: the counter %2 %3 (no measurement) since %4 UTC")
                                    .arg(ticPort)
                                    .arg(verb, QuotedAnswer(answer),
                                         PcTime::CurrentUtc().toUTC().toString(QStringLiteral("HH:mm:ss"))));
    }
}

void TicSerialPortThread::CountNoReading(const QByteArray& line)
{
    double unusedUs = 0.0;
    const TicReadingKind kind = ParseTicReading(line, settings.units, &unusedUs);
    if (kind == TicReadingKind::Number || kind == TicReadingKind::OneSecondPlus) {
        noReadingLines = 0;
        if (said == Note::NoReading || said == Note::NoSignal)
            EndNote(said);
        return;
    }
    if (kind == TicReadingKind::NotANumber) {
        noReadingLines = 0;
        SayNoSignal(line.trimmed(), tr("sends"));
        return;
    }
    // A counter set to another measurement, or a line that is not a counter's, never
    // gives a reading: said as the SCPI counter's replies are.
    if (++noReadingLines >= ScpiSession::kMaxNoReadings)
        SayDown(Note::NoReading, tr("TIC%1 no reading: the counter sends \"%2\"").arg(ticPort).arg(QuotedAnswer(line)));
}

void TicSerialPortThread::EndNote(Note kind)
{
    // Nothing was down, so nothing is back: the note just ends.
    if (said != kind)
        return;
    said = Note::None;
    emit linkStatusMessage(ticPort, true, QString());
}

void TicSerialPortThread::RestartSilenceCount()
{
    lastLineUtc = PcTime::CurrentUtc();
    silenceTimer.start(silenceLimitMs);
    // The note of a silence ends with it.
    EndNote(Note::Silent);
}

void TicSerialPortThread::CountUnended(const QByteArray& block)
{
    // The framer drops a line past its limit; say so once per such line.
    const qsizetype lastEnd = std::max(block.lastIndexOf('\r'), block.lastIndexOf('\n'));
    if (lastEnd >= 0) {
        unendedBytes = block.size() - lastEnd - 1;
        bOverlongWarned = false;
    } else {
        unendedBytes += block.size();
    }
    if (unendedBytes > LineFramer::kMaxLine && !bOverlongWarned) {
        bOverlongWarned = true;
        qWarning("TIC%d: a line longer than %d bytes was dropped.", ticPort,
                 static_cast<int>(LineFramer::kMaxLine));
    }
}
