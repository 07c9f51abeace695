#include "gpsserialportthread.h"

#include "gpsportdialog.h"
#include "pctime.h"
#include "porttexts.h"
#include "receiverinfo.h"
#include "storedvalues.h"
#include "utcdatetime.h"

#include <QList>
#include <QSettings>

namespace {

// How often the GUI thread takes what the line watch saw (ppsPollTimer).
constexpr int kPollIntervalMs = 1;

}  // namespace

GpsSerialPortThread::GpsSerialPortThread(QObject* parent)
    : QThread(parent)
{
    connect(&serialPort, &QSerialPort::readyRead, this, &GpsSerialPortThread::handleReadyRead,
            Qt::DirectConnection);
    connect(&serialPort, &QSerialPort::errorOccurred, this, &GpsSerialPortThread::handleError,
            Qt::DirectConnection);
    connect(&ppsPollTimer, &QTimer::timeout, this, &GpsSerialPortThread::handleTimedPolls,
            Qt::DirectConnection);
    reopenTimer.setSingleShot(false);
    connect(&reopenTimer, &QTimer::timeout, this, &GpsSerialPortThread::RetryOpen,
            Qt::DirectConnection);
}

GpsSerialPortThread::~GpsSerialPortThread()
{
    quit();
    wait();
    ppsPollTimer.stop();
    reopenTimer.stop();
    ClosePort();
}

void GpsSerialPortThread::ClosePort()
{
    // The watching threads are out before the fd can be closed and its number reused.
    lineWatch.Stop();
    pulseCheck.StopExpecting();
    if (serialPort.isOpen())
        serialPort.close();
}

void GpsSerialPortThread::StartLineWatch()
{
    lineWatch.Stop();
    if (!serialPort.isOpen())
        return;
    lineWatch.Start(serialPort.handle(), ModemLineWatch::LineBits(ppsInterface), lineAccess);
    // Waiting for the pulse begins now, each time the port or its line is new. What was
    // said of the line holds until the new watch's first look.
    if (ppsLineMask != 0 && !pulseCheck.Expecting())
        pulseCheck.Expect(UtcDateTime::SteadyMSecs());
}

void GpsSerialPortThread::SetLineAccess(ModemLineWatch::Access access)
{
    // Swapped only while no watching thread can call it.
    lineWatch.Stop();
    lineAccess = std::move(access);
    StartLineWatch();
}

bool GpsSerialPortThread::PulseInDoubt() const { return ppsLineMask != 0 && pulseCheck.InDoubt(); }

bool GpsSerialPortThread::PulseComing() const
{
    return ppsLineMask != 0 && pulseCheck.Expecting() && pulseCheck.LastPulseMs() >= 0 &&
           pulseCheck.MissingSince(UtcDateTime::SteadyMSecs()) < 0;
}

void GpsSerialPortThread::SetPpsInterface(int line)
{
    ppsInterface = line;
    switch (line) {
    case 1:
        ppsLineMask = QSerialPort::DataCarrierDetectSignal;
        break;
    case 2:
        ppsLineMask = QSerialPort::ClearToSendSignal;
        break;
    case 3:
        ppsLineMask = QSerialPort::DataSetReadySignal;
        break;
    default:
        ppsLineMask = 0;
        break;
    }
    // Another line, or none: what was said of the old one no longer holds, and waiting
    // for its pulse begins again, knowing nothing of it.
    unreadableText.clear();
    pulseCheck.Forget();
    StartLineWatch();
    ShowPpsNote();
}

void GpsSerialPortThread::SetPpsNote(const QString& text)
{
    if (text == ppsNote)
        return;
    ppsNote = text;
    if (!text.isEmpty())
        qWarning("%s", qPrintable(text));
    emit ppsLineNote(text);
}

void GpsSerialPortThread::startGpsSerialPort(bool bLoadFirmware)
{
    bLoadFirmwareMode = bLoadFirmware;
    if (!isRunning()) {
        start();
        ppsPollTimer.setSingleShot(false);
        ppsPollTimer.setTimerType(Qt::PreciseTimer);
        ppsPollTimer.start(kPollIntervalMs);
    }
    OpenGpsPort();
}

void GpsSerialPortThread::OpenGpsPort()
{
    // A port down under this name stays retried, and keeps its text, when it is asked
    // for again.
    const QString failedName = bPortFailed ? portName : QString();
    QSettings settings;
    const QString previousName = portName;
    portName = StoredValues::Name(settings, "GpsPortDialog/GPS Serial Port", "OFF");
    // The 1PPS note is of the port it was read on; the same port re-opened (as the
    // receiver search does at each rate) keeps it.
    if (portName != previousName)
        unreadableText.clear();
    serialPort.setPortName(portName);
    portMode = GpsPortDialog::ModeFromText(
        settings.value("GpsPortDialog/GPS Serial Port Mode", "Motorola Binary").toString());

    // Everything is set on a closed port, also when re-opening: a pseudo-terminal
    // refuses some of it while open, and the port would keep its old setting.
    ClosePort();
    serialPort.setBaudRate(GpsPortDialog::StoredDataRate(settings), QSerialPort::AllDirections);
    switch (StoredValues::Integer(settings, "GpsPortDialog/GPS Serial Port Handshake", 0)) {
    case 1:
        serialPort.setFlowControl(QSerialPort::SoftwareControl);
        break;
    case 2:
        serialPort.setFlowControl(QSerialPort::HardwareControl);
        break;
    default:
        serialPort.setFlowControl(QSerialPort::NoFlowControl);
        break;
    }
    serialPort.setStopBits(StoredValues::Integer(settings, "GpsPortDialog/GPS Serial Port StopBits", 1) == 2
                               ? QSerialPort::TwoStop
                               : QSerialPort::OneStop);
    switch (StoredValues::Integer(settings, "GpsPortDialog/GPS Serial Port Parity", 0)) {
    case 1:
        serialPort.setParity(QSerialPort::OddParity);
        break;
    case 2:
        serialPort.setParity(QSerialPort::EvenParity);
        break;
    case 3:
        serialPort.setParity(QSerialPort::MarkParity);
        break;
    case 4:
        serialPort.setParity(QSerialPort::SpaceParity);
        break;
    default:
        serialPort.setParity(QSerialPort::NoParity);
        break;
    }
    serialPort.setDataBits(StoredValues::Integer(settings, "GpsPortDialog/GPS Serial Port DataBits", 8) == 7
                               ? QSerialPort::Data7
                               : QSerialPort::Data8);

    reopenTimer.stop();
    const bool bSameFailedPort = !failedName.isEmpty() && failedName == portName;
    bPortFailed = false;
    if (portName == QLatin1String("OFF")) {
        unreadableText.clear();
        ShowPpsNote();
        qInfo("%s", qPrintable(PortTexts::PortOffText()));
        emit portDown(PortTexts::PortOffText());
        return;
    }
    // While the port is known to be down, its open errors are not news.
    bPortFailed = bSameFailedPort;
    serialPort.open(QIODevice::ReadWrite);
    if (serialPort.isOpen()) {
        bPortFailed = false;
        StartLineWatch();
        ShowPpsNote();
        if (bSameFailedPort)
            ReportBack();
        else
            emit portOpened();
        return;
    }
    qWarning("WARNING: Failed to open GPS serial port.");
    unreadableText.clear();
    ShowPpsNote();
    const QString reason = PortTexts::FailureReason(serialPort);
    serialPort.clearError();
    // An adapter unplugged at boot, or a by-id link not there yet: keep trying, so the
    // station starts listening when the device appears.
    bPortFailed = true;
    reopenTimer.start(reopenIntervalMs);
    if (!bSameFailedPort) {
        const QString text = PortTexts::PortUnopenedText(portName, reason, reopenIntervalMs);
        qWarning("%s", qPrintable(text));
        emit portDown(text);
    }
}

void GpsSerialPortThread::OnSendGpsMessage(QByteArray qbMsg)
{
    if (qbMsg.isEmpty())
        return;
    sendData = qbMsg;
    if (static_cast<unsigned char>(sendData.at(0)) != 0x10)
        sendData.append("\r\n");
    if (!serialPort.isOpen())
        return;  // lost, as on a cable that is not plugged in
    serialPort.write(sendData);
    // Out now rather than at the next event: the sender pauses after each command.
    serialPort.flush();
}

void GpsSerialPortThread::handleReadyRead()
{
    ReadPort();
    HandOn();
    // Bytes read by a nested event loop under newGpsText raise no readyRead of their own.
    while (serialPort.isOpen() && serialPort.bytesAvailable() > 0) {
        ReadPort();
        HandOn();
    }
}

void GpsSerialPortThread::ReadPort()
{
    QByteArray block = serialPort.readAll();
    if (block.isEmpty())
        return;
    // Edges seen so far came before these bytes were read: they keep their place.
    for (int64_t ms : lineWatch.TakeEdges())
        pendingEdges.push_back(ms);
    emit bytesReceived();
    // Each piece of the block is framed on its own, so that a message takes the time
    // its last byte came, not the time the GUI thread got to it.
    qsizetype offset = 0;
    for (const auto& [count, ms] : lineWatch.TakeArrivals(int(block.size()))) {
        FrameByMode(block.mid(offset, count), ms);
        offset += count;
    }
}

void GpsSerialPortThread::FrameByMode(QByteArray data, int64_t arrivalMs)
{
    // The live interface mode, which the receiver search changes, picks the framer.
    switch (receiverInfo.gpsPortMode) {
    case GpsPortModeMotorolaBinary:
    case GpsPortModeMotorolaBinaryRxOnly:
        FrameMotorolaBinary(data, arrivalMs);
        break;
    case GpsPortModeMotorolaNmea:
    case GpsPortModeGenericNmea:
    case GpsPortModeUbloxUbx:
    case GpsPortModeUbloxNmea:
        FrameUbxNmea(data, arrivalMs);
        break;
    case GpsPortModeMotorolaLoran:
        lineFramer.Frame(data, QueueAt(arrivalMs));
        break;
    default:
        break;
    }
}

FramedMessageSink GpsSerialPortThread::QueueAt(int64_t arrivalMs)
{
    // Queued, not emitted: the messages are handed on after the block is framed, since a
    // receiver of newGpsText may run an event loop that reads the port again.
    return [this, arrivalMs](const QByteArray& m) { pendingMessages.push_back(PendingMessage{m, arrivalMs}); };
}

void GpsSerialPortThread::FrameMotorolaBinary(QByteArray& data, int64_t arrivalMs)
{
    motorolaFramer.Frame(data, QueueAt(arrivalMs));
    data.clear();
}

void GpsSerialPortThread::FrameUbxNmea(QByteArray& data, int64_t arrivalMs)
{
    ubxNmeaFramer.Frame(data, QueueAt(arrivalMs));
    data.clear();
}

void GpsSerialPortThread::HandOn()
{
    // One item at a time from the queues: a receiver of newGpsText or PpsTick may run an
    // event loop that reads the port again and hands on what came after, in order.
    for (;;) {
        const bool bMessageFirst = !pendingMessages.empty() &&
                                   (pendingEdges.empty() || pendingMessages.front().arrivalMs < pendingEdges.front());
        if (bMessageFirst) {
            const PendingMessage m = pendingMessages.front();
            pendingMessages.pop_front();
            const int64_t outer = arrivalMs;
            arrivalMs = m.arrivalMs;
            emit newGpsText(m.bytes);
            arrivalMs = outer;
        } else if (!pendingEdges.empty()) {
            const int64_t ms = pendingEdges.front();
            pendingEdges.pop_front();
            HandleEdge(ms);
        } else {
            return;
        }
    }
}

void GpsSerialPortThread::HandleEdge(int64_t ms)
{
    ++edgesHandled;
    const int64_t lastMs = pulseCheck.LastPulseMs();
    switch (pulseCheck.Edge(ms)) {
    case PpsPulseCheck::Verdict::Pulse:
        edgeMs = ms;
        emit PpsTick();
        break;
    case PpsPulseCheck::Verdict::Glitch:
        // Noise on the line, or a second pulse inside the second: a tick would set the
        // clock and write a record for a second that is not new.
        qDebug("1PPS glitch on %s: an edge %.3f s after the last pulse is no pulse, no tick",
               qPrintable(PortTexts::PpsLineName(ppsInterface)), double(ms - lastMs) / 1000.0);
        break;
    case PpsPulseCheck::Verdict::Bounce:
    case PpsPulseCheck::Verdict::Other:
        break;  // another series is said in the line's note
    }
}

void GpsSerialPortThread::handleError(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::NoError)
        return;
    if (bForcedRead && error == QSerialPort::TimeoutError) {
        serialPort.clearError();
        return;
    }
    if (error == QSerialPort::ResourceError || error == QSerialPort::ReadError) {
        // An unplugged device raises these in a tight loop while the port stays open.
        if (bPortFailed)
            return;
        bPortFailed = true;
        serialPort.clearError();
        ClosePort();
        // An unplugged adapter usually comes back under the same name: keep trying, so
        // reception resumes without the operator.
        reopenTimer.start(reopenIntervalMs);
        // The lost port is what the operator must hear of; its 1PPS line is looked at
        // again once it is back.
        unreadableText.clear();
        ShowPpsNote();
        const QString text = PortTexts::PortLostText(portName, error, reopenIntervalMs);
        qWarning("%s", qPrintable(text));
        emit portDown(text);
    } else if (bPortFailed) {
        return;  // the retries' own open errors while the device is still away
    }
    emit showErrorMessageBox(PortTexts::PortErrorMessage(portName, error));
}

void GpsSerialPortThread::RetryOpen()
{
    if (serialPort.isOpen()) {
        reopenTimer.stop();
        return;
    }
    if (!serialPort.open(QIODevice::ReadWrite)) {
        serialPort.clearError();
        return;
    }
    reopenTimer.stop();
    bPortFailed = false;
    StartLineWatch();
    ReportBack();
}

void GpsSerialPortThread::ReportBack()
{
    const QString note = PortTexts::PortBackText(portName);
    qInfo("%s", qPrintable(note));
    emit portBack(note);
}

// Every 1 ms on the GUI thread (ppsPollTimer): what the watching threads saw meanwhile is
// handed on here, and the line's note follows the pulse. The work is a few looks under
// the watch's mutex; the threads themselves sleep until the line or the bytes wake them.
void GpsSerialPortThread::handleTimedPolls() { Pump(); }

void GpsSerialPortThread::Pump()
{
    if (const auto note = lineWatch.TakeLineNote()) {
        // A line that can be read again is waited for from now: its pulse was not due
        // while nobody could see it.
        if (note->bReadable && !unreadableText.isEmpty() && ppsLineMask != 0)
            pulseCheck.Expect(UtcDateTime::SteadyMSecs());
        unreadableText = note->bReadable ? QString() : PortTexts::PpsUnreadableText(ppsInterface, portName, note->reason);
    }
    HandOnSeenEdges();
    ShowPpsNote();
}

void GpsSerialPortThread::HandOnSeenEdges()
{
    for (int64_t ms : lineWatch.TakeEdges())
        pendingEdges.push_back(ms);
    // Bytes that came before a waiting edge are handed on before its tick, even when
    // the GUI thread was held up and the port has not yet said it can be read.
    if (!pendingEdges.empty() && serialPort.isOpen() && lineWatch.BytesNotedBefore(pendingEdges.front())) {
        bForcedRead = true;
        serialPort.waitForReadyRead(0);
        bForcedRead = false;
        ReadPort();
    }
    HandOn();
}

void GpsSerialPortThread::ShowPpsNote()
{
    // An unreadable line is said first; nothing is missing on a port that is not open or
    // has no line chosen.
    if (!unreadableText.isEmpty() || !serialPort.isOpen() || ppsLineMask == 0) {
        missingSinceMs = -1;
        missingText.clear();
        SetPpsNote(serialPort.isOpen() && ppsLineMask != 0 ? unreadableText : QString());
        return;
    }
    const int64_t nowMs = UtcDateTime::SteadyMSecs();
    pulseCheck.Look(nowMs);
    const int64_t sinceMs = pulseCheck.MissingSince(nowMs);
    if (sinceMs != missingSinceMs) {
        if (sinceMs < 0 && missingSinceMs >= 0)
            qInfo("1PPS back on %s", qPrintable(PortTexts::PpsLineName(ppsInterface)));
        missingSinceMs = sinceMs;
        const QDateTime nowUtc = PcTime::CurrentUtc();
        missingText = sinceMs < 0 ? QString()
                                  : PortTexts::PpsMissingText(ppsInterface, nowUtc.addMSecs(sinceMs - nowMs), nowUtc);
    }
    // A missing pulse is said before another series of edges beside it.
    const int64_t otherMs = pulseCheck.OtherSeriesOffsetMs();
    if (!missingText.isEmpty() || otherMs < 0)
        SetPpsNote(missingText);
    else if (pulseCheck.InDoubt())
        SetPpsNote(PortTexts::PpsInDoubtText(ppsInterface, std::min(otherMs, 1000 - otherMs)));
    else
        SetPpsNote(PortTexts::PpsSecondSeriesText(ppsInterface, otherMs));
}
