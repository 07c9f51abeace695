#include "ticserialportthread.h"

#include "gpsserialportthread.h"

#include <algorithm>

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
    for (QTimer* timer : {&connectTimer, &identifyTimer, &replyTimer, &reconnectTimer})
        timer->setSingleShot(true);
    // Without a wait of our own an address where nothing answers holds the attempt
    // for the system's two minutes.
    connect(&connectTimer, &QTimer::timeout, this, [this] { LinkLost(tr("no answer")); });
    connect(&identifyTimer, &QTimer::timeout, this, &TicSerialPortThread::OnIdentifyTimeout);
    connect(&replyTimer, &QTimer::timeout, this, &TicSerialPortThread::OnReplyTimeout);
    connect(&reconnectTimer, &QTimer::timeout, this, &TicSerialPortThread::ConnectSocket);
}

TicSerialPortThread::~TicSerialPortThread()
{
    quit();
    wait();
    CloseLink();
}

void TicSerialPortThread::startTicSerialPort(int iTicPort)
{
    if (ticPort == 0)
        ticPort = iTicPort;
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

bool TicSerialPortThread::LinkAlive() const
{
    if (settings.IsOff())
        return true;
    if (settings.IsTcpIp())
        return socket.state() != QAbstractSocket::UnconnectedState || reconnectTimer.isActive();
    return serialPort.isOpen();
}

void TicSerialPortThread::OpenTicPort()
{
    CloseLink();
    bLinkDownSaid = false;  // new settings, a new link: its failures are said afresh
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
    session.End();
    bSocketConnected = false;
    bClosing = true;
    socket.abort();
    bClosing = false;
    if (serialPort.isOpen())
        serialPort.close();
    framer = LineFramer();
    received.clear();
    unendedBytes = 0;
    bOverlongWarned = false;
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
    if (!serialPort.open(QIODevice::ReadWrite)) {
        const int error = serialPort.error();
        serialPort.clearError();
        qWarning("TIC%d: cannot open serial port %s.", ticPort, qPrintable(settings.portName));
        emit showErrorMessageBox(tr("Can't open TIC%1 Port %2\r\n\r\n\"%3\"")
                                     .arg(ticPort)
                                     .arg(settings.portName, GpsSerialPortThread::PortErrorText(error)));
        return;
    }
    bPortFailed = false;
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
    qWarning("TIC%d: serial port %s failed and was closed.", ticPort, qPrintable(settings.portName));
    emit showErrorMessageBox(tr("TIC%1 Port %2 failed\r\n\r\n\"%3\"")
                                 .arg(ticPort)
                                 .arg(settings.portName, GpsSerialPortThread::PortErrorText(error)));
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
    session.Begin(settings.SetupOverride());
    identifyTimer.start(identifyWaitMs);
}

void TicSerialPortThread::LinkLost(const QString& reason)
{
    // The link heals itself, so no box: the failure is said once, and the retries
    // after it are silent until a reading comes again.
    if (bClosing || reconnectTimer.isActive() || !settings.IsTcpIp())
        return;
    const bool bWasConnected = bSocketConnected;
    CloseLink();
    reconnectTimer.start(reconnectDelayMs);
    reconnectDelayMs = std::min(reconnectDelayMs * 2, reconnectMaxMs);
    if (bLinkDownSaid)
        return;
    bLinkDownSaid = true;
    const QString text = (bWasConnected ? tr("TIC%1: the link to the counter at %2 was lost (%3); connecting again.")
                                        : tr("TIC%1: the counter at %2 cannot be reached (%3); trying again."))
                             .arg(ticPort)
                             .arg(settings.tcpIpAddress, reason);
    qWarning("%s", qPrintable(text));
    emit linkStatusMessage(ticPort, false, text);
}

void TicSerialPortThread::OnSocketReadyRead()
{
    const QByteArray block = socket.readAll();
    // The session answers each line at once; the readings are handed on afterwards.
    QList<QByteArray> lines;
    framer.Frame(block, [&lines](const QByteArray& line) { lines.append(line); });
    CountUnended(block);
    for (const QByteArray& line : std::as_const(lines)) {
        const bool wasIdentifying = session.GetState() == ScpiSession::State::Identifying;
        const bool bReply = session.TakeLine(line);
        if (wasIdentifying && session.GetState() == ScpiSession::State::Polling) {
            identifyTimer.stop();
            replyTimer.start(replyWaitMs);
        }
        if (bReply) {
            reconnectDelayMs = reconnectFirstMs;
            replyTimer.start(replyWaitMs);
        }
    }
    if (bLinkDownSaid && !received.isEmpty()) {
        bLinkDownSaid = false;
        const QString text = tr("TIC%1: the counter at %2 is back.").arg(ticPort).arg(settings.tcpIpAddress);
        qInfo("%s", qPrintable(text));
        emit linkStatusMessage(ticPort, true, text);
    }
    const QList<QByteArray> readings = std::exchange(received, {});
    for (const QByteArray& reading : readings)
        emit newTicText(QByteArray::number(ticPort) + ' ' + reading);
}

void TicSerialPortThread::OnIdentifyTimeout()
{
    if (session.IdentifyTimedOut() == ScpiSession::Action::Reconnect)
        LinkLost(QStringLiteral("no answer to *IDN?"));
}

void TicSerialPortThread::OnReplyTimeout()
{
    if (session.ReplyTimedOut() == ScpiSession::Action::Reconnect) {
        LinkLost(QStringLiteral("no reply"));
        return;
    }
    if (session.GetState() == ScpiSession::State::Polling)
        replyTimer.start(replyWaitMs);
}

void TicSerialPortThread::ReadLines(const QByteArray& block)
{
    QList<QByteArray> lines;
    framer.Frame(block, [&lines](const QByteArray& line) { lines.append(line); });
    CountUnended(block);
    for (const QByteArray& line : std::as_const(lines))
        emit newTicText(QByteArray::number(ticPort) + ' ' + line);
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
