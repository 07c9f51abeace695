#include "gpsserialportthread.h"

#include "gpsportdialog.h"
#include "porttexts.h"
#include "receiverinfo.h"
#include "storedvalues.h"
#include "utcdatetime.h"

#include <QList>
#include <QSettings>

namespace {

constexpr int kPollIntervalMs = 1;
// Polls between two reads of a 1PPS line that could not be read.
constexpr int kUnreadablePolls = 1000;

}  // namespace

GpsSerialPortThread::GpsSerialPortThread(QObject* parent)
    : QThread(parent),
      readPins([](QSerialPort& port) { return port.pinoutSignals(); })
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
    serialPort.close();
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
    // Another line, or none: what was said of the old one no longer holds. The next
    // poll reads the new one.
    pinReadPause = 0;
    SetPpsNote(QString());
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
        SetPpsNote(QString());
    serialPort.setPortName(portName);
    portMode = GpsPortDialog::ModeFromText(
        settings.value("GpsPortDialog/GPS Serial Port Mode", "Motorola Binary").toString());

    // Everything is set on a closed port, also when re-opening: a pseudo-terminal
    // refuses some of it while open, and the port would keep its old setting.
    if (serialPort.isOpen())
        serialPort.close();
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
        SetPpsNote(QString());
        qInfo("%s", qPrintable(PortTexts::PortOffText()));
        emit portDown(PortTexts::PortOffText());
        return;
    }
    // While the port is known to be down, its open errors are not news.
    bPortFailed = bSameFailedPort;
    serialPort.open(QIODevice::ReadWrite);
    if (serialPort.isOpen()) {
        bPortFailed = false;
        if (bSameFailedPort)
            ReportBack();
        else
            emit portOpened();
        return;
    }
    qWarning("WARNING: Failed to open GPS serial port.");
    SetPpsNote(QString());
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
    // A nested event loop under newGpsText may read the port again: the outer block
    // keeps its own arrival.
    const int64_t outerArrivalMs = blockArrivalMs;
    blockArrivalMs = UtcDateTime::SteadyMSecs();
    QByteArray block = serialPort.readAll();
    if (block.isEmpty()) {
        blockArrivalMs = outerArrivalMs;
        return;
    }
    emit bytesReceived();
    // The live interface mode, which the receiver search changes, picks the framer.
    switch (receiverInfo.gpsPortMode) {
    case GpsPortModeMotorolaBinary:
    case GpsPortModeMotorolaBinaryRxOnly:
        FrameMotorolaBinary(block);
        break;
    case GpsPortModeMotorolaNmea:
    case GpsPortModeGenericNmea:
    case GpsPortModeUbloxUbx:
    case GpsPortModeUbloxNmea:
        FrameUbxNmea(block);
        break;
    case GpsPortModeMotorolaLoran:
        FrameLines(block);
        break;
    default:
        break;
    }
    blockArrivalMs = outerArrivalMs;
}

template <typename Framer>
void GpsSerialPortThread::EmitFramed(Framer& framer, const QByteArray& data)
{
    // The messages are collected first and emitted after the framer has finished the
    // block: a receiver of newGpsText may run an event loop that reads the port again.
    QList<QByteArray> messages;
    framer.Frame(data, [&messages](const QByteArray& m) { messages.append(m); });
    const int64_t arrival = blockArrivalMs;
    for (const QByteArray& m : messages) {
        const int64_t outer = arrivalMs;
        arrivalMs = arrival;
        emit newGpsText(m);
        arrivalMs = outer;
    }
}

void GpsSerialPortThread::FrameMotorolaBinary(QByteArray& data)
{
    EmitFramed(motorolaFramer, data);
    data.clear();
}

void GpsSerialPortThread::FrameUbxNmea(QByteArray& data)
{
    EmitFramed(ubxNmeaFramer, data);
    data.clear();
}

void GpsSerialPortThread::FrameLines(QByteArray& data)
{
    EmitFramed(lineFramer, data);
    data.clear();
}

void GpsSerialPortThread::handleError(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::NoError)
        return;
    if (bReadingPins && error == QSerialPort::UnsupportedOperationError) {
        // A port without modem lines (a pseudo-terminal, some adapters) still carries
        // the data; only the 1PPS tick is missing. The poll says so in a lasting note.
        pinReadError = PortTexts::FailureReason(serialPort);
        serialPort.clearError();
        return;
    }
    if (error == QSerialPort::ResourceError || error == QSerialPort::ReadError) {
        // An unplugged device raises these in a tight loop while the port stays open.
        if (bPortFailed)
            return;
        bPortFailed = true;
        serialPort.clearError();
        if (serialPort.isOpen())
            serialPort.close();
        // An unplugged adapter usually comes back under the same name: keep trying, so
        // reception resumes without the operator.
        reopenTimer.start(reopenIntervalMs);
        // The lost port is what the operator must hear of; its 1PPS line is looked at
        // again once it is back.
        SetPpsNote(QString());
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
    ReportBack();
}

void GpsSerialPortThread::ReportBack()
{
    const QString note = PortTexts::PortBackText(portName);
    qInfo("%s", qPrintable(note));
    emit portBack(note);
}

void GpsSerialPortThread::handleTimedPolls()
{
    if (serialPort.isOpen() && (ppsLineMask == 0 || pinReadPause == 0 || --pinReadPause == 0)) {
        bool level = false;
        if (ppsLineMask != 0) {
            pinReadError.clear();
            bReadingPins = true;
            const QSerialPort::PinoutSignals pins = readPins(serialPort);
            bReadingPins = false;
            level = (static_cast<int>(pins) & ppsLineMask) != 0;
            // A line that cannot be read is tried again each second, not each poll: the
            // failing call costs more than the poll it stands in for.
            SetPpsNote(pinReadError.isEmpty() ? QString() : PortTexts::PpsUnreadableText(ppsInterface, portName, pinReadError));
            pinReadPause = pinReadError.isEmpty() ? 0 : kUnreadablePolls;
        }
        bLastOpenLevel = level;
    }
    // A closed port keeps the level last read, so re-opening with the line high gives
    // no edge.
    const bool level = bLastOpenLevel;
    const bool rising = level && !bPreviousLevel;
    bPreviousLevel = level;
    if (rising) {
        edgeMs = UtcDateTime::SteadyMSecs();
        emit PpsTick();
    }
}
