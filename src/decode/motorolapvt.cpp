// The time-position-velocity lines of the Motorola position messages: what the raw-data
// window shows after the head and what a PVT-type GPS log stores.

#include "motorolahandlers.h"

#include "binaryfields.h"
#include "mainwindow.h"

namespace {

using MotorolaDecoder::S32;
using MotorolaDecoder::U8;

unsigned U16(const QByteArray& msg, int offset)
{
    return ReadBigEndianUInt16(msg, offset);
}

// Centimetres and other hundredths as a double.
double Hundredths(const QByteArray& msg, int offset)
{
    return S32(msg, offset) / 100.0;
}

// Date, time with the fraction of the second, latitude and longitude in mas.
QString DatePositionHead(const QByteArray& msg)
{
    return QString::asprintf("%.2u/%.2u/%.4d, %.2u:%.2u:%012.9f, %#10.8e, %#10.8e, ", U8(msg, 4),
                             U8(msg, 5), static_cast<int>(U16(msg, 6)), U8(msg, 8), U8(msg, 9),
                             MainWindow::GetMotorolaSecondsNanoseconds(msg, 10),
                             ReadBigEndianInt32AsDouble(msg, 15), ReadBigEndianInt32AsDouble(msg, 19));
}

QString IdTag(const QByteArray& msg, int offset)
{
    return QLatin1Char('"') + MotorolaDecoder::CharactersAt(msg, offset, 6) + QLatin1Char('"');
}

const char* DopWord(bool pdop)
{
    return pdop ? "PDOP" : "HDOP";
}

// The four-byte channel blocks and the status byte of "@@Ea" and "@@Ba".
QString ShortChannels(const QByteArray& msg, int count, int statusOffset)
{
    QString text;
    for (int k = 0; k < count; ++k) {
        const int b = 40 + 4 * k;
        text += QString::asprintf("%u, %u, %u, 0x%02x, ", U8(msg, b), U8(msg, b + 1), U8(msg, b + 2),
                                  U8(msg, b + 3));
    }
    return text + QString::asprintf("0x%02x", U8(msg, statusOffset));
}

// Heights, velocity, heading, DOP and counts of "@@Ea" and "@@Ba".
QString ShortMotion(const QByteArray& msg, double heightScale)
{
    return QString::asprintf("%4.2f, %4.2f, %4.2f, %3.1f, %s, %3.1f, %u, %u, ",
                             ReadBigEndianInt32AsDouble(msg, 23) / heightScale,
                             ReadBigEndianInt32AsDouble(msg, 27) / heightScale, U16(msg, 31) / 100.0,
                             U16(msg, 33) / 10.0, DopWord(U8(msg, 37) == 0), U16(msg, 35) / 10.0,
                             U8(msg, 38), U8(msg, 39));
}

}  // namespace

QString MotorolaDecoder::PvtLineHa(const QByteArray& msg)
{
    QString line = DatePositionHead(msg);
    line += QString::asprintf(
        "%04.2f, %04.2f, %#10.8e, %#10.8e, %04.2f, %04.2f, %4.2f, %4.2f, %3.1f, %s,%4.1f, %u, %u, 0x%04X, ",
        Hundredths(msg, 23), Hundredths(msg, 27), ReadBigEndianInt32AsDouble(msg, 31),
        ReadBigEndianInt32AsDouble(msg, 35), Hundredths(msg, 39), Hundredths(msg, 43),
        U16(msg, 47) / 100.0, U16(msg, 49) / 100.0, U16(msg, 51) / 10.0,
        DopWord((U8(msg, 129) >> 5) == 7), U16(msg, 53) / 10.0, U8(msg, 55), U8(msg, 56),
        U16(msg, 129));
    for (int k = 0; k < 12; ++k) {
        const int b = 57 + 6 * k;
        line += QString::asprintf("%u, %u, %u, %u, 0x%04x, ", U8(msg, b), U8(msg, b + 1),
                                  U8(msg, b + 2), U8(msg, b + 3), U16(msg, b + 4));
    }
    line += QString::asprintf("%u, %u, %i, %d, %3.1f, 0x%02x, 0x%02x, 0x%02x, 0x%02x, ", U8(msg, 131),
                              U8(msg, 132), static_cast<int>(U16(msg, 133)), S32(msg, 135),
                              U16(msg, 139) * 0.5, U8(msg, 141), U8(msg, 142), U8(msg, 143),
                              U8(msg, 144));
    return line + IdTag(msg, 145);
}

QString MotorolaDecoder::PvtLineHb(const QByteArray& msg)
{
    return DatePositionHead(msg) +
           QString::asprintf("%4.2f, %4.2f, %4.2f, %4.2f, %3.1f, %s, %3.1f, %u, %u,0x%04x, ",
                             Hundredths(msg, 23), Hundredths(msg, 27), U16(msg, 31) / 100.0,
                             U16(msg, 33) / 100.0, U16(msg, 35) / 10.0,
                             DopWord((U8(msg, 41) >> 5) == 7), U16(msg, 37) / 10.0, U8(msg, 39),
                             U8(msg, 40), U16(msg, 41)) +
           IdTag(msg, 45);
}

QString MotorolaDecoder::PvtLineHr(const QByteArray& msg)
{
    const bool hdop = (U8(msg, 37) & 0x01) != 0;
    return QString::asprintf("%.2d/%.2d/%.4d, %.2d:%.2d:%.2d, %d, %d, %#10.8e, %#10.8e, %4.2f, "
                             "%4.2f, %3.1f, %s, %3.1f, %u, 0x%04x, 0x%04x, ",
                             static_cast<int>(ReadInt8(msg, 4)), static_cast<int>(U8(msg, 5)),
                             static_cast<int>(U16(msg, 6)), static_cast<int>(U8(msg, 8)),
                             static_cast<int>(U8(msg, 9)), static_cast<int>(U8(msg, 10)),
                             static_cast<int>(U16(msg, 11)), S32(msg, 13),
                             ReadBigEndianInt32AsDouble(msg, 17), ReadBigEndianInt32AsDouble(msg, 21),
                             Hundredths(msg, 25), U16(msg, 29) / 100.0, U16(msg, 31) / 10.0,
                             DopWord(!hdop), U16(msg, 35) / 10.0, U8(msg, 38), U16(msg, 39),
                             U16(msg, 33)) +
           IdTag(msg, 161);
}

QString MotorolaDecoder::PvtLineEa(const QByteArray& msg)
{
    return DatePositionHead(msg) + ShortMotion(msg, 100.0) + ShortChannels(msg, 8, 72);
}

QString MotorolaDecoder::PvtLineBa(const QByteArray& msg)
{
    // This receiver's line has always shown its heights in centimetres.
    return DatePositionHead(msg) + ShortMotion(msg, 1.0) + ShortChannels(msg, 6, 64);
}
