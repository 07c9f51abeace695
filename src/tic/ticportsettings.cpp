#include "ticportsettings.h"

#include "storedvalues.h"

#include <QSettings>

namespace {

// The socket port of the SCPI counters' command line.
constexpr quint16 kScpiSocketPort = 5024;

QString Key(int port, const char* name)
{
    return QStringLiteral("TicPortDialog/TIC%1 %2").arg(port).arg(QLatin1String(name));
}

}  // namespace

TicPortSettings TicPortSettings::Load(int port)
{
    QSettings s;
    TicPortSettings t;
    t.portName = StoredValues::Name(s, Key(port, "Serial Port"), t.portName);
    t.dataRate = StoredValues::Integer(s, Key(port, "Serial Port DataRate"), t.dataRate);
    t.parity = StoredValues::Integer(s, Key(port, "Serial Port Parity"), t.parity);
    t.stopBits = StoredValues::Integer(s, Key(port, "Serial Port StopBits"), t.stopBits);
    t.dataBits = StoredValues::Integer(s, Key(port, "Serial Port DataBits"), t.dataBits);
    t.handshake = StoredValues::Integer(s, Key(port, "Serial Port Handshake"), t.handshake);
    t.tcpIpAddress = s.value(Key(port, "Serial Port TcpIp Address"), t.tcpIpAddress).toString();
    t.units = StoredValues::Integer(s, Key(port, "Units"), t.units);
    t.setupCommands = s.value(Key(port, "Setup Commands"), t.setupCommands).toString();
    return t;
}

void TicPortSettings::Save(QSettings& s, int port) const
{
    s.setValue(Key(port, "Serial Port"), portName);
    s.setValue(Key(port, "Serial Port DataRate"), dataRate);
    s.setValue(Key(port, "Serial Port Parity"), parity);
    s.setValue(Key(port, "Serial Port StopBits"), stopBits);
    s.setValue(Key(port, "Serial Port DataBits"), dataBits);
    s.setValue(Key(port, "Serial Port Handshake"), handshake);
    s.setValue(Key(port, "Serial Port TcpIp Address"), tcpIpAddress);
    s.setValue(Key(port, "Units"), units);
    s.setValue(Key(port, "Setup Commands"), setupCommands);
}

QString TicPortSettings::Host() const
{
    return tcpIpAddress.section(QLatin1Char(':'), 0, 0).trimmed();
}

quint16 TicPortSettings::TcpPort() const
{
    if (!tcpIpAddress.contains(QLatin1Char(':')))
        return kScpiSocketPort;
    bool ok = false;
    const uint port = tcpIpAddress.section(QLatin1Char(':'), 1).trimmed().toUInt(&ok);
    return ok && port > 0 && port <= 65535 ? static_cast<quint16>(port) : kScpiSocketPort;
}

QList<QByteArray> TicPortSettings::SetupOverride() const
{
    QList<QByteArray> commands;
    for (const QString& part : setupCommands.split(QLatin1Char(';'))) {
        const QByteArray command = part.trimmed().toLatin1();
        if (!command.isEmpty())
            commands.append(command);
    }
    return commands;
}
