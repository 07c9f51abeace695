#pragma once

#include "gpsserialportthread.h"

#include <QByteArray>

// Well-formed receiver messages as they come off the wire, for feeding the framers.
namespace FrameBuilders {

// "@@" + id + a payload of the length the id calls for (filled from seed) + checksum
// + CR LF.
inline QByteArray Motorola(const char* id, unsigned char seed = 0x41)
{
    QByteArray msg = QByteArray("@@") + id;
    const int total = GpsSerialPortThread::MotorolaMessageLength(msg);
    for (int i = 4; i < total - 3; ++i)
        msg.append(static_cast<char>(seed + i));
    GpsSerialPortThread::AppendMotorolaChecksum(msg);
    return msg + "\r\n";
}

inline QByteArray Ubx(unsigned char cls, unsigned char id, const QByteArray& payload)
{
    QByteArray msg("\xB5\x62", 2);
    msg.append(static_cast<char>(cls));
    msg.append(static_cast<char>(id));
    msg.append(static_cast<char>(payload.size() & 0xFF));
    msg.append(static_cast<char>((payload.size() >> 8) & 0xFF));
    msg.append(payload);
    GpsSerialPortThread::AppendUbxChecksum(msg);
    return msg;
}

// The sentence with its checksum, without a line end.
inline QByteArray Nmea(const QByteArray& body)
{
    QByteArray s = body;
    GpsSerialPortThread::AppendNmeaChecksum(s);
    return s;
}

}  // namespace FrameBuilders
