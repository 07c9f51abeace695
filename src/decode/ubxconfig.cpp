// UBX configuration echoes and monitor reports: readable text for the raw-data window
// and the GPS log, the receiver's identity and its antenna.

#include "mainwindow.h"

#include "gpsrxiddialog.h"
#include "ubxhandlers.h"

using namespace UbxDecoder;

namespace {

constexpr int kVersionBlock = 30;
constexpr int kHardwareVersionAt = 30;
constexpr int kExtensionsAt = 40;
constexpr int kMaxExtensions = 29;

QString PortName(unsigned portId)
{
    static const char* const names[] = {"DDC", "UART #1", "UART #2", "USB", "SBI"};
    return QLatin1String(portId < std::size(names) ? names[portId] : "unknown");
}

// A version string of the receiver, up to its zero padding.
QString VersionText(const QByteArray& msg, int offset, int size)
{
    QByteArray bytes = msg.mid(6 + offset, size);
    const qsizetype end = bytes.indexOf('\0');
    if (end >= 0)
        bytes.truncate(end);
    return QString::fromUtf8(bytes);
}

// The upper 16 bits of a pulse field taken as a binary fraction of 2^32.
double PulseFraction(uint32_t field)
{
    return (field >> 16) / 65536.0;
}

}  // namespace

void UbxDecoder::DecodeCfgPrt(MainWindow& w, const QByteArray& msg, UbxTexts& texts)
{
    if (DetailWanted(w))
        SetDetail(texts, QStringLiteral("portID = ") + PortName(U8(msg, 0)) +
                             QString::asprintf(", res0 = %u, res1 = %u, mode = %8.8X, baudRate = %u, inProtoMask = %4.4X, "
                                               "outProtoMask = %4.4X, flags = %4.4X, pad = %u",
                                               unsigned(U8(msg, 1)), unsigned(U16(msg, 2)), U32(msg, 4), U32(msg, 8),
                                               unsigned(U16(msg, 12)), unsigned(U16(msg, 14)), unsigned(U16(msg, 16)),
                                               unsigned(U16(msg, 18))));
}

void UbxDecoder::DecodeCfgTp(MainWindow& w, const QByteArray& msg, UbxTexts& texts)
{
    if (DetailWanted(w))
        SetDetail(texts, QString::asprintf("interval = %u us, length = %u us, status = %i, timeRef = %u, flags = %u, "
                                           "res = %u, antennaCableDelay = %i ns, rfGroupDelay = %i ns, userDelay = %i ns",
                                           U32(msg, 0), U32(msg, 4), int(U8(msg, 8)), unsigned(U8(msg, 9)),
                                           unsigned(U8(msg, 10)), unsigned(U8(msg, 11)), int(U16(msg, 12)),
                                           int(U16(msg, 14)), S32(msg, 16)));
}

void UbxDecoder::DecodeCfgTmode(MainWindow& w, const QByteArray& msg, UbxTexts& texts)
{
    if (DetailWanted(w))
        SetDetail(texts, QString::asprintf("timeMode = %u, fixedPosX = %i, fixedPosY = %i, fixedPosZ = %i, "
                                           "fixedPosVar = %u, svinMinDur = %u, svinVarLimit = %u",
                                           U32(msg, 0), S32(msg, 4), S32(msg, 8), S32(msg, 12), U32(msg, 16),
                                           U32(msg, 20), U32(msg, 24)));
}

void UbxDecoder::DecodeCfgTmode2(MainWindow& w, const QByteArray& msg, UbxTexts& texts)
{
    if (DetailWanted(w))
        SetDetail(texts, QString::asprintf("timeMode = %u, flags = %u, ecefXOrLat = %i, ecefYOrLon = %i, "
                                           "ecefZOrAlt = %i, fixedPosAcc = %u, svinMinDur = %u, svinAccLimit = %u",
                                           unsigned(U8(msg, 0)), unsigned(U16(msg, 2)), S32(msg, 4), S32(msg, 8),
                                           S32(msg, 12), U32(msg, 16), U32(msg, 20), U32(msg, 24)));
}

void UbxDecoder::DecodeCfgNav5(MainWindow& w, const QByteArray& msg, UbxTexts& texts)
{
    if (DetailWanted(w))
        SetDetail(texts, QString::asprintf("mask = %2.2X, dynModel = %u, fixMode = %u, fixedAlt = %i, fixedAltVar = %i, "
                                           "minElev = %i, drLimit = %u, pDopMask = %u, tDopMask = %u, pAccMask = %u, "
                                           "tAccMask = %u, staticHoldThresh = %u, res1 = %u, res2 = %u, res3 = %u, "
                                           "res4 = %u",
                                           unsigned(U16(msg, 0)), unsigned(U8(msg, 2)), unsigned(U8(msg, 3)),
                                           S32(msg, 4), int(U32(msg, 8)), int(U8(msg, 12)), unsigned(U8(msg, 13)),
                                           unsigned(U16(msg, 14)), unsigned(U16(msg, 16)), unsigned(U16(msg, 18)),
                                           unsigned(U16(msg, 20)), unsigned(U8(msg, 22)), unsigned(U8(msg, 23)),
                                           U32(msg, 24), U32(msg, 28), U32(msg, 32)));
}

void UbxDecoder::DecodeCfgTp5(MainWindow& w, const QByteArray& msg, UbxTexts& texts)
{
    if (!DetailWanted(w))
        return;
    const unsigned flags = U8(msg, 28);
    const bool bFrequency = flags & 0x08;      // Hz, otherwise a period in us
    const bool bPulseLength = flags & 0x10;    // us, otherwise a ratio
    const QString head = QString::asprintf("TimePulse%u, res0 = %u, res1 = %i, antCableDelay = %i ns, "
                                           "rfGroupDelay = %i ns, ",
                                           unsigned(U8(msg, 0)), unsigned(U8(msg, 1)), int(U16(msg, 2)),
                                           int(U16(msg, 4)), int(U16(msg, 6)));
    const char* unit = bFrequency ? "Hz" : "us";
    const QString frequency = QString::asprintf("freqPeriod = %u %s, freqPeriodLock = %u %s, ", U32(msg, 8), unit,
                                                U32(msg, 12), unit);
    const QString pulse =
        bPulseLength ? QString::asprintf("pulseLenRatio = %u us, pulseLenRatioLock = %u us, ", U32(msg, 16), U32(msg, 20))
                     : QString::asprintf("pulseLenRatio = %f ratio, pulseLenRatioLock = %f ratio, ",
                                         PulseFraction(U32(msg, 16)), PulseFraction(U32(msg, 20)));
    SetDetail(texts, head + frequency + pulse +
                         QString::asprintf("userDelay = %i ns, ubx_flags = 0x%X", S32(msg, 24), flags));
}

void UbxDecoder::DecodeMonVer(MainWindow& w, const QByteArray& msg, UbxTexts& texts)
{
    const QString software = VersionText(msg, 0, kVersionBlock);
    const QString hardware = VersionText(msg, kHardwareVersionAt, 10);
    QString identity = QStringLiteral("u-blox Receiver/Software Version\nSoftware Version: ") + software +
                       QStringLiteral("\nHardware Version: ") + hardware + QStringLiteral("\nROM and extensions:\n");
    texts.display += QStringLiteral(" Software Version ") + software + QStringLiteral(", Hardware Version ") + hardware;
    const int length = PayloadLength(msg);
    for (int k = 0; k < kMaxExtensions && kExtensionsAt + (k + 1) * kVersionBlock <= length; ++k) {
        const QString extension = VersionText(msg, kExtensionsAt + k * kVersionBlock, kVersionBlock);
        texts.display += QStringLiteral(", ") + extension;
        identity += extension + QLatin1Char('\n');
    }
    if (w.gpsRxIdDialog)
        w.gpsRxIdDialog->AppendRxIdText(identity);
    w.bAnswerReceived[MainWindow::AnswerMonVer] = true;
}

void UbxDecoder::DecodeMonHw(MainWindow& w, const QByteArray& msg, UbxTexts& texts)
{
    switch (U8(msg, 20)) {
    case 2:
        w.ShowAntennaStatus(0);  // "Ant OK"
        break;
    case 3:
        w.ShowAntennaStatus(1);  // "Ant OC Short"
        break;
    case 4:
        w.ShowAntennaStatus(2);  // "Ant Open"
        break;
    default:
        w.ShowAntennaStatus(-1);
        break;
    }
    if (!DetailWanted(w))
        return;
    // Two receiver generations put the last fields at different places.
    const int tail = PayloadLength(msg) == 68 ? 53 : 45;
    SetDetail(texts, QString::asprintf("pinSel = %4.4X, pinBank = %4.4X, pinDir = %4.4X, pinVal = %4.4X, "
                                       "noisePerMS = %u, agcCnt = %u, aStatus = %u, aPower = %u, flags = %u, res1 = %u, "
                                       "usedMask = %u, jamInd = %u, pinIrq = %4.4X, pullH = %4.4X, pullL = %4.4X",
                                       U32(msg, 0), U32(msg, 4), U32(msg, 8), U32(msg, 12), unsigned(U16(msg, 16)),
                                       unsigned(U16(msg, 18)), unsigned(U8(msg, 20)), unsigned(U8(msg, 21)),
                                       unsigned(U8(msg, 22)), unsigned(U8(msg, 23)), U32(msg, 24),
                                       unsigned(U8(msg, tail)), U32(msg, tail + 3), U32(msg, tail + 7),
                                       U32(msg, tail + 11)));
}
