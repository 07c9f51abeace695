// The receivers' self-test results, one PASS or FAIL line per tested part, and two
// messages that only bring text: the oscillator table acknowledgement and "@@Eq".

#include "motorolahandlers.h"

#include "binaryfields.h"
#include "gpsrxiddialog.h"
#include "mainwindow.h"

#include <utility>

namespace {

using namespace MotorolaDecoder;

// One line per listed bit: its label, then FAIL for a set bit and PASS for a clear one.
QString ResultLines(uint32_t word, std::initializer_list<std::pair<int, const char*>> lines)
{
    QString text;
    for (const auto& [bit, label] : lines)
        text += QString::fromLatin1(label) + QLatin1String(((word >> bit) & 1u) ? "FAIL" : "PASS");
    return text;
}

// The correlation test of each channel, the highest channel first; bit k is channel k+1.
QString ChannelLines(uint32_t word, int channels, const char* family)
{
    QString text;
    for (int channel = channels; channel >= 1; --channel)
        text += QString::asprintf("\n@@%s Channel %d Correlation Test: %s", family, channel,
                                  ((word >> (channel - 1)) & 1u) ? "FAIL" : "PASS");
    return text;
}

// Receivers whose result word has no antenna bits.
bool HasFirstFaLayout(int model)
{
    for (int code : {6, 10, 11, 21, 22, 23, 24}) {
        if (model == code)
            return true;
    }
    return false;
}

QString CaText(uint32_t word)
{
    return ResultLines(word, {{13, "@@Fa RTC Comm & Time: "},
                              {12, "\n@@Fa DCXO SPI Comm: "},
                              {11, "\n@@Fa EEPROM: "},
                              {10, "\n@@Fa RAM MSByte: "},
                              {9, "\n@@Fa RAM LSByte: "},
                              {8, "\n@@Fa ROM MSByte Checksum: "},
                              {7, "\n@@Fa ROM LSByte Checksum: "},
                              {6, "\n@@Fa 1KHz Presence: "}}) +
           ChannelLines(word, 6, "Fa");
}

void FaText(MainWindow& w, const QByteArray& msg, uint32_t word, QString& display)
{
    if (HasFirstFaLayout(receiverInfo.receiverModel)) {
        display = ResultLines(word, {{15, "@@Fa RTC Comm & Time: "},
                                     {14, "\n@@Fa DCXO SPI Comm: "},
                                     {13, "\n@@Fa EEPROM: "},
                                     {12, "\n@@Fa RAM MSByte: "},
                                     {11, "\n@@Fa RAM LSByte: "},
                                     {10, "\n@@Fa ROM MSByte Checksum: "},
                                     {9, "\n@@Fa ROM LSByte Checksum: "}});
    } else {
        w.antennaState = ReadUInt8(msg, 4) >> 6;
        w.ShowAntennaStatus(w.antennaState);
        display += ResultLines(word, {{15, "Antenna Undercurrent: "},
                                      {14, "\n@@Fa Antenna Overcurrent: "},
                                      {13, "\n@@Fa RTC Comm & Time: "},
                                      {12, "\n@@Fa Temperature Sensor: "},
                                      {10, "\n@@Fa RAM: "},
                                      {9, "\n@@Fa ROM: "}});
    }
    display += ResultLines(word, {{8, "\n@@Fa 1KHz Presence: "}}) + ChannelLines(word, 8, "Fa");
}

QString IaText(uint32_t word)
{
    static const char* const kAntennaSense[] = {"OK", "OC", "UC", "NV"};
    return QStringLiteral("Antenna Sense: ") + QLatin1String(kAntennaSense[(word >> 22) & 3u]) +
           ResultLines(word, {{21, "\n@@Ia RTC Comm & Time: "},
                              {20, "\n@@Ia Temperature Sensor: "},
                              {18, "\n@@Ia RAM: "},
                              {17, "\n@@Ia ROM: "},
                              {16, "\n@@Ia 1KHz Presence: "},
                              {14, "\n@@Ia Temperature Sensor Data Checksum: "},
                              {13, "\n@@Ia Oscillator Data Checksum: "},
                              {12, "\n@@Ia Manufacturing Data Checksum: "}}) +
           ChannelLines(word, 12, "Ia");
}

}  // namespace

void MotorolaDecoder::DecodeSelfTest(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts)
{
    switch (msg.at(2)) {
    case 'C':
        texts.display = CaText(ReadBigEndianUInt16(msg, 4));
        break;
    case 'F':
        FaText(w, msg, ReadBigEndianUInt16(msg, 4), texts.display);
        break;
    default:
        texts.display += IaText(MainWindow::GetMotorolaUInt24(msg, 4));
        break;
    }
    if (w.gpsRxIdDialog)
        w.gpsRxIdDialog->SetRxIdText(texts.display);
    texts.configuration = texts.display;
    // The receiver stays idle after its test until it is told to fix positions again.
    if (MaySendToReceiver())
        w.SendGpsMessage(QByteArrayLiteral("@@Cg\x01"));
}

void MotorolaDecoder::DecodeSmallText(MainWindow&, const QByteArray& msg, MotorolaTexts& texts)
{
    if (msg.at(2) == 'I')
        texts.display += QStringLiteral("Oscillator Learning Table Input Acknowledged.");
    else
        texts.display += CharactersAt(msg, 4, 89);
}
