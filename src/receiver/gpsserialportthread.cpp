#include "gpsserialportthread.h"

#include <QSettings>

GpsSerialPortThread::GpsSerialPortThread(QObject* parent) : QThread(parent) {}

GpsSerialPortThread::~GpsSerialPortThread()
{
    quit();
    wait();
}

void GpsSerialPortThread::SetPpsInterface(int pps)
{
    ppsInterface = pps;
}

void GpsSerialPortThread::startGpsSerialPort(bool bLoadFirmwareMode)
{
    Q_UNUSED(bLoadFirmwareMode);
    if (!isRunning())
        start();
    QSettings settings;
    const QString portName = settings.value("GpsPortDialog/GPS Serial Port", "OFF").toString();
    if (portName == QLatin1String("OFF"))
        return;
    qWarning("WARNING: Failed to open GPS serial port.");
}

void GpsSerialPortThread::OnSendGpsMessage(QByteArray message)
{
    Q_UNUSED(message);
}
