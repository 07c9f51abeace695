// The Motorola satellite and channel messages: visible satellites, almanac and
// ephemeris reports, and the per-channel measurements.

#include "motorolahandlers.h"

#include "binaryfields.h"
#include "mainwindow.h"

#include <algorithm>

namespace {

using namespace MotorolaDecoder;

// Records the message has room for.
constexpr int kVisibleRecords = 12;

void DecodeChannelData(MainWindow& w, const QByteArray& msg, int channels, MotorolaTexts& texts)
{
    if (!FieldTextWanted(w))
        return;
    const bool wide = channels == 6;  // the 6-channel line has blanks after its commas
    QString line = QString::asprintf(
        "%11.9f", MainWindow::GetMotorolaUInt24AsDouble(msg, 4) + ReadBigEndianInt32AsDouble(msg, 7) / 1e9);
    for (int c = 0; c < channels; ++c) {
        const int b = 11 + 18 * c;
        const double first =
            MainWindow::GetMotorolaUInt24AsDouble(msg, b + 2) + ReadBigEndianInt32AsDouble(msg, b + 5) / 1e9;
        const double second = ReadBigEndianUInt16(msg, b + 9) + ReadBigEndianUInt16(msg, b + 11) / 65536.0;
        const unsigned prn = ReadUInt8(msg, b);
        const unsigned status = ReadUInt8(msg, b + 1);
        const int third = static_cast<int>(MainWindow::GetMotorolaUInt24(msg, b + 13));
        const int fourth = ReadBigEndianUInt16(msg, b + 16);
        if (wide)
            line += QString::asprintf("%s%u, 0x%02X, %11.9f, %6.4f, %d,%i", c == 0 ? "," : ", ", prn,
                                      status, first, second, third, fourth);
        else
            line += QString::asprintf(",%u,0x%02X,%11.9f,%6.4f,%d,%i", prn, status, first, second,
                                      third, fourth);
    }
    SetFieldLine(msg, line, texts);
    // Shown only: these lines never go to the GPS data log.
    texts.pvtLine.clear();
}

}  // namespace

void MotorolaDecoder::DecodeBb(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts)
{
    const unsigned count = ReadUInt8(msg, 4);
    texts.display = QString::asprintf("@@Bb %u Prn, Doppler, El, Az, Hlth; ", count);
    const int n = std::min<int>(static_cast<int>(count), kVisibleRecords);
    for (int k = 0; k < n; ++k) {
        const int b = 5 + 7 * k;
        const unsigned prn = ReadUInt8(msg, b);
        const int doppler = ReadBigEndianUInt16(msg, b + 1);
        const int elevation = ReadUInt8(msg, b + 3);
        const int azimuth = ReadBigEndianUInt16(msg, b + 4);
        texts.display += QString::asprintf("%u %d %u %d %u; ", prn, doppler, static_cast<unsigned>(elevation),
                                           azimuth, static_cast<unsigned>(ReadUInt8(msg, b + 6)));
        SatelliteRecord& sat = w.satellites[prn];
        sat.prn = static_cast<int>(prn);
        sat.elevation = elevation;
        sat.azimuth = azimuth;
        // Only rising satellites are known here; the table works out the rest.
        sat.elevationTrend = doppler != 0 ? 1 : 0;
    }
    // While a position message owns the table it refreshes it itself.
    if (w.messageHoldoff[0] <= 0 && w.messageHoldoff[1] <= 0 && w.messageHoldoff[2] <= 0)
        w.UpdateSatelliteTable();
}

void MotorolaDecoder::DecodeBd(MainWindow&, const QByteArray& msg, MotorolaTexts& texts)
{
    switch (ReadUInt8(msg, 4)) {
    case 0:
        texts.display = QStringLiteral("@@Bd, No almanac in the receiver");
        break;
    case 1:
        texts.display = QStringLiteral("@@Bd, Valid almanac in the receiver") +
                        QString::asprintf(", week = %u, time = %u, Sats = %u, SV id mask = 0x%04X ",
                                          static_cast<unsigned>(ReadUInt8(msg, 5)),
                                          static_cast<unsigned>(ReadUInt8(msg, 6)),
                                          static_cast<unsigned>(ReadUInt8(msg, 7)),
                                          MainWindow::GetMotorolaUInt32(msg, 8));
        break;
    default:
        texts.display = QStringLiteral("@@Bd, Message field error");
        break;
    }
}

void MotorolaDecoder::DecodeBf(MainWindow&, const QByteArray& msg, MotorolaTexts& texts)
{
    texts.display = QStringLiteral("@@Bf") + QString::asprintf(" Sat %02u, Ephemeris Data Message",
                                                               static_cast<unsigned>(ReadUInt8(msg, 4)));
}

void MotorolaDecoder::DecodeBg(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts)
{
    DecodeChannelData(w, msg, 6, texts);
}

void MotorolaDecoder::DecodeEg(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts)
{
    DecodeChannelData(w, msg, 8, texts);
}
