#pragma once

#include <QByteArray>
#include <QString>
#include <QThread>

// One time-interval counter port (1 to 8). Like the receiver port, its thread runs only
// an empty event loop and all its work happens on the GUI thread.
class TicSerialPortThread : public QThread
{
    Q_OBJECT

public:
    explicit TicSerialPortThread(QObject* parent = nullptr);
    ~TicSerialPortThread() override;

    int TicPort() const { return ticPort; }

signals:
    void newTicText(QByteArray s);
    void showErrorMessageBox(QString errmsg);

public slots:
    void startTicSerialPort(int iTicPort);

private:
    int ticPort = 0;   // 0 until the first start binds the object to its port
};
