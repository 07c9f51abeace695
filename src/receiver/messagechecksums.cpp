// Checksums of the three receiver protocols on the sending side.

#include "gpsserialportthread.h"

bool GpsSerialPortThread::AppendMotorolaChecksum(QByteArray& msg)
{
    if (msg.size() < 4 || msg.at(0) != '@')
        return false;
    // Every byte counts, also when a payload byte happens to be '*': the "@@" cancel out.
    char sum = 0;
    for (char c : msg)
        sum ^= c;
    msg.append(sum);
    return true;
}

bool GpsSerialPortThread::AppendUbxChecksum(QByteArray& msg)
{
    if (msg.size() < 4 || static_cast<unsigned char>(msg.at(0)) != 0xB5 || msg.at(1) != 'b')
        return false;
    unsigned char ckA = 0;
    unsigned char ckB = 0;
    for (qsizetype i = 2; i < msg.size(); ++i) {
        ckA = static_cast<unsigned char>(ckA + static_cast<unsigned char>(msg.at(i)));
        ckB = static_cast<unsigned char>(ckB + ckA);
    }
    msg.append(static_cast<char>(ckA));
    msg.append(static_cast<char>(ckB));
    return true;
}

bool GpsSerialPortThread::AppendNmeaChecksum(QByteArray& msg)
{
    if (msg.size() < 7 || msg.at(0) != '$')
        return false;
    if (msg.at(msg.size() - 3) == '*')
        msg.chop(3);
    char sum = 0;
    for (qsizetype i = 1; i < msg.size(); ++i)
        sum ^= msg.at(i);
    msg.append('*');
    msg.append(QByteArray::number(static_cast<unsigned char>(sum), 16).toUpper().rightJustified(2, '0'));
    return true;
}
