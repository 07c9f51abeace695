#pragma once

#include <QByteArray>
#include <QString>
#include <QThread>

// The receiver port object. Its thread runs only an empty event loop: the port, its
// timers and every slot live on the GUI thread.
class GpsSerialPortThread : public QThread
{
    Q_OBJECT

public:
    explicit GpsSerialPortThread(QObject* parent = nullptr);
    ~GpsSerialPortThread() override;

    // Modem line that carries the 1PPS edge (a PpsInterface: 0 none, 1 DCD, 2 CTS, 3 DSR).
    void SetPpsInterface(int pps);
    int GetPpsInterface() const { return ppsInterface; }

    // Complete an outgoing message in place with the checksum of its protocol; false,
    // and the message unchanged, when it does not have that protocol's form. The port
    // adds the line end when it writes.
    static bool AppendMotorolaChecksum(QByteArray& msg);
    static bool AppendUbxChecksum(QByteArray& msg);
    static bool AppendNmeaChecksum(QByteArray& msg);

signals:
    void newGpsText(QByteArray s);
    void PpsTick();
    void showErrorMessageBox(QString errmsg);

public slots:
    void startGpsSerialPort(bool bLoadFirmwareMode);
    void OnSendGpsMessage(QByteArray message);

private:
    int ppsInterface = 0;
};
