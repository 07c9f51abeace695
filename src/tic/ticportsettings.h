#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class QSettings;

// The settings of one counter port (1 to 8), kept under "TicPortDialog/TIC<n> ...".
// The dialog edits them and the port object opens from them.
struct TicPortSettings
{
    QString portName = QStringLiteral("OFF");  // "OFF", "TCP/IP" or a serial device
    int dataRate = 9600;
    int parity = 0;      // 0 none, 1 odd, 2 even, 3 mark, 4 space
    int stopBits = 1;    // 1 or 2
    int dataBits = 8;    // 7 or 8
    int handshake = 0;   // 0 none, 1 XON/XOFF, 2 RTS/CTS
    QString tcpIpAddress;  // "a.b.c.d" or "a.b.c.d:port"
    int units = 0;         // of the readings: 0 s, 1 ms, 2 µs, 3 ns
    QString setupCommands; // ';'-separated, replaces the built-in SCPI set-up when not empty

    static TicPortSettings Load(int port);
    // Through the caller's settings: one object for all ports writes the store once.
    void Save(QSettings& s, int port) const;

    bool IsTcpIp() const { return portName == QLatin1String("TCP/IP"); }
    bool IsOff() const { return portName.isEmpty() || portName == QLatin1String("OFF"); }

    // Host and port of the address; a missing or bad ":port" gives the SCPI socket port.
    QString Host() const;
    quint16 TcpPort() const;

    // The set-up override as commands; empty entries dropped.
    QList<QByteArray> SetupOverride() const;

    bool operator==(const TicPortSettings&) const = default;
};
