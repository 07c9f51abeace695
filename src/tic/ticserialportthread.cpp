#include "ticserialportthread.h"

TicSerialPortThread::TicSerialPortThread(QObject* parent) : QThread(parent) {}

TicSerialPortThread::~TicSerialPortThread()
{
    quit();
    wait();
}

void TicSerialPortThread::startTicSerialPort(int iTicPort)
{
    if (ticPort == 0)
        ticPort = iTicPort;
    if (!isRunning())
        start();
}
