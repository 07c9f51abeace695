// The messages that the later GNSS receivers add to the binary protocol, families "S",
// "T" and "W": shown in the raw-data window only. The constellation echo also becomes
// the receiver-parameter choice, and one "W" message answers an awaited command.

#include "motorolahandlers.h"

#include "binaryfields.h"
#include "gpsrxdialog.h"
#include "mainwindow.h"

#include <QStringList>

namespace {

using namespace MotorolaDecoder;

// The names of the constellations set in a mask, lowest bit first.
QString ConstellationNames(unsigned mask, const char* separator)
{
    static constexpr const char* kNames[] = {"GPS",      "GLONASS",  "Galileo",  "Beidou",
                                             "QZSS",     "other #1", "Other #2", "SBAS"};
    if (mask == 0)
        return QStringLiteral("NONE (illegal)");
    QStringList names;
    for (int bit = 0; bit < 8; ++bit) {
        if (mask & (1u << bit))
            names << QLatin1String(kNames[bit]);
    }
    return names.join(QLatin1String(separator));
}

// The receiver's constellation choice replaces the dialog's and is kept at once.
void TakeConstellations(MainWindow& w, unsigned mask)
{
    GpsRxDialog* dialog = w.gpsRxDialog;
    if (!dialog)
        return;
    dialog->bSatGps = mask & 0x01;
    dialog->bSatGlonass = mask & 0x02;
    dialog->bSatGalileo = mask & 0x04;
    dialog->bSatBeidou = mask & 0x08;
    dialog->bSatQzss = mask & 0x10;
    dialog->bSatSbas = mask & 0x80;
    dialog->SaveConstellations();
}

QString SatelliteStatusTable(const QByteArray& msg)
{
    QString text = QString::asprintf("%.2u/%.2u/%.4d, %.2u:%.2u:%.2u, SV=%u, ST=%u, ", U8(msg, 4), U8(msg, 5),
                                     int(ReadBigEndianUInt16(msg, 6)), U8(msg, 8), U8(msg, 9), U8(msg, 10),
                                     U8(msg, 11), U8(msg, 12));
    for (int k = 0; k < 24; ++k) {
        const int r = 13 + 7 * k;
        text += QString::asprintf("[SVID %.1u, Type %.1u, C/No=%.1u, AZ=%.1d, EL=%.1u, Used=%.1u]", U8(msg, r),
                                  U8(msg, r + 1), U8(msg, r + 2), int(ReadBigEndianUInt16(msg, r + 3)),
                                  U8(msg, r + 5), U8(msg, r + 6));
    }
    return text;
}

QString ByteList(const QByteArray& msg, int first, int count)
{
    QString text;
    for (int k = 0; k < count; ++k)
        text += QString::asprintf(", %u", U8(msg, first + k));
    return text;
}

// One of the twelve records of "@@Tr"; the meaning of its fields is the receiver's.
QString TrRecord(const QByteArray& msg, int r)
{
    QString text = QString::asprintf("%.2u, %u, %.2u, %u, %.2u", U8(msg, r), U8(msg, r + 1), U8(msg, r + 2),
                                     U8(msg, r + 3), U8(msg, r + 4));
    text += QString::asprintf(", %11.9f", MainWindow::GetMotorolaUInt24(msg, r + 5) + ReadInt8(msg, r + 8) / 256.0);
    text += QString::asprintf(", %u, %u, %u", U8(msg, r + 9), U8(msg, r + 10), U8(msg, r + 11));
    text += QString::asprintf(", %11.9f", MainWindow::GetMotorolaUInt32(msg, r + 12) * 1023000.0 / 16777216.0);
    text += QString::asprintf(", %06.4f", ReadInt8(msg, r + 16) + ReadInt8(msg, r + 17) / 256.0);
    text += QString::asprintf(", %11.9f", S32(msg, r + 20) + ReadBigEndianUInt16(msg, r + 18) / 65536.0);
    text += QString::asprintf(", %11.9f", S32(msg, r + 26) + ReadBigEndianUInt16(msg, r + 24) / 65536.0);
    text += QString::asprintf(", %d", int(ReadBigEndianUInt16(msg, r + 30)));
    return text + ByteList(msg, r + 32, 8) + ByteList(msg, r + 40, 1) + ByteList(msg, r + 41, 8);
}

}  // namespace

void MotorolaDecoder::DecodeSExtension(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts)
{
    QString& t = texts.display;
    const unsigned b4 = U8(msg, 4);
    switch (msg.at(3)) {
    case 'a':
        t += SatelliteStatusTable(msg);
        break;
    case 'P':
        t += QString::asprintf("2nd PPS frequency is set to %2u Hz", MainWindow::GetMotorolaUInt32(msg, 4));
        break;
    case 'c':
        t += QStringLiteral("GNSS Constellation Mode is ") + ConstellationNames(b4, " & ");
        // Also an all-off echo: the receiver's choice is what stands.
        TakeConstellations(w, b4);
        break;
    case 'm':
        t += QStringLiteral("GNSS Receiver save all settings to non-volitile memory = ") +
             StateText(b4, {"no change", "settings saved"}, "UNKNOWN, no change (illegal value)");
        break;
    case 'o':
        t += QStringLiteral("GNSS Receiver @@Ha/Hn/Bb Message Configuration is ") +
             StateText(b4,
                       {"Output GNSS satellite information with highest SNR value",
                        "Output GNSS satellite information with highest elevation angle",
                        "Output only GPS constellation information", "Output only GLONASS constellation information",
                        "Output only GALILEO constellation information",
                        "Output only BEIDOU constellation information",
                        "Output only SBAS + QZSS constellation information"},
                       "UNKNOWN (illegal value)");
        break;
    case 'p':
        t += QString::asprintf("GNSS Receiver current number of leap seconds = %i", int(ReadInt8(msg, 4)));
        break;
    case 't':
        t += QStringLiteral("GNSS Receiver Date/Time/PPS Alignment is ") +
             StateText(b4,
                       {"UNKNOWN (illegal value)", "GPS = UTC (USNO) with no leap seconds",
                        "UTC = UTC (USNO) with leap seconds", "GLONASS = UTC (SU) with leap seconds",
                        "BEIDOU = UTC (China) with leap seconds", "Galileo = UTC (EU) with leap seconds"},
                       "UNKNOWN (illegal value)");
        break;
    case 'x':
        t += QStringLiteral("GNSS Receiver Type is ") + ConstellationNames(b4, " + ");
        break;
    case 'z':
        t += QStringLiteral("System Power-On FAILURE.");
        break;
    default:
        break;
    }
}

void MotorolaDecoder::DecodeTExtension(MainWindow&, const QByteArray& msg, MotorolaTexts& texts)
{
    QString& t = texts.display;
    switch (msg.at(3)) {
    case 'k':
        t += QString::fromUtf8(msg.mid(4, 55)) + QString::asprintf("<%2.2X>", U8(msg, 59)) +
             QString::asprintf("<%2.2X><%2.2X>", U8(msg, 60), U8(msg, 61));
        break;
    case 'r':
        for (int k = 0; k < 12; ++k)
            t += (k == 0 ? QString() : QStringLiteral(", ")) + TrRecord(msg, 4 + 49 * k);
        t += QString::asprintf(", %d", int(ReadBigEndianUInt16(msg, 592)));
        break;
    default:
        // "@@Tj" and "@@Tm" are known but not decoded.
        t += QStringLiteral("...");
        break;
    }
}

void MotorolaDecoder::DecodeWExtension(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts)
{
    QString& t = texts.display;
    switch (msg.at(3)) {
    case 'b':
        t += QString::asprintf("%2.2X%2.2X", U8(msg, 4), U8(msg, 5));
        w.bAnswerReceived[MainWindow::AnswerWb] = true;
        break;
    case 'o': {
        const int value = ReadBigEndianUInt16(msg, 4);
        t += QString::asprintf("D/A value = %d (0x%02X)", value, unsigned(value));
        break;
    }
    case 's':
        t += CharactersAt(msg, 4, 11);
        break;
    default:
        // "@@Wm", "@@Wp" and "@@Wq".
        t += CharactersAt(msg, 4, 15);
        break;
    }
}
