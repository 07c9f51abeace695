// The u-blox UBX decoder: one frame at a time into the shared state, the raw-data
// window's text and the logs.

#include "mainwindow.h"

#include "binaryfields.h"
#include "gpslogtypedialog.h"
#include "ubxhandlers.h"

namespace {

using namespace UbxDecoder;

constexpr int kHeaderAndChecksum = 8;
constexpr int kPvtLogType = 2;
constexpr uint8_t kNavClass = 0x01;

struct HandlerEntry
{
    uint8_t cls;
    uint8_t id;
    int length;        // payload length of the layout
    bool bAtLeast;     // longer payloads carry more (channels, extensions)
    const char* label;
    Handler decode;
};

constexpr HandlerEntry kHandlers[] = {
    {0x01, 0x01, 20, false, "-POSECEF ", DecodeNavPosEcef},
    {0x01, 0x02, 28, false, "-POSLLH ", DecodeNavPosLlh},
    {0x01, 0x03, 16, false, "-STATUS ", DecodeNavStatus},
    {0x01, 0x04, 18, false, "-DOP ", DecodeNavDop},
    {0x01, 0x12, 36, false, "-VELNED ", DecodeNavVelNed},
    {0x01, 0x20, 16, false, "-TIMEGPS ", DecodeNavTimeGps},
    {0x01, 0x21, 20, false, "-TIMEUTC ", DecodeNavTimeUtc},
    {0x01, 0x30, 20, true, "-SVINFO ", DecodeNavSvInfo},
    {0x06, 0x00, 20, false, "-PRT ", DecodeCfgPrt},
    {0x06, 0x07, 20, false, "-TP ", DecodeCfgTp},
    {0x06, 0x1D, 28, false, "-TMODE ", DecodeCfgTmode},
    {0x06, 0x24, 36, false, "-NAV5 ", DecodeCfgNav5},
    {0x06, 0x31, 32, false, "-TP5 ", DecodeCfgTp5},
    {0x06, 0x3D, 28, false, "-TMODE2 ", DecodeCfgTmode2},
    {0x0A, 0x04, 40, true, "-VER ", DecodeMonVer},
    {0x0A, 0x09, 60, true, "-HW ", DecodeMonHw},
    // The receiver's UTC parameters are read up to their flags word at the end.
    {0x0B, 0x02, 72, true, "-HUI ", DecodeAidHui},
    {0x0D, 0x01, 16, false, "-TP ", DecodeTimTp},
    {0x0D, 0x04, 28, false, "-SVIN ", DecodeTimSvin},
    {0x0D, 0x11, 8, false, "-DOSC ", DecodeTimDosc},
};

const HandlerEntry* FindHandler(uint8_t cls, uint8_t id, int length)
{
    for (const HandlerEntry& entry : kHandlers) {
        if (entry.cls == cls && entry.id == id)
            return (entry.bAtLeast ? length >= entry.length : length == entry.length) ? &entry : nullptr;
    }
    return nullptr;
}

QString ClassLabel(uint8_t cls)
{
    switch (cls) {
    case 0x01:
        return QStringLiteral("UBX-NAV");
    case 0x02:
        return QStringLiteral("UBX-RXM");
    case 0x04:
        return QStringLiteral("UBX-INF");
    case 0x05:
        return QStringLiteral("UBX-ACK");
    case 0x06:
        return QStringLiteral("UBX-CFG");
    case 0x0A:
        return QStringLiteral("UBX-MON");
    case 0x0B:
        return QStringLiteral("UBX-AID");
    case 0x0D:
        return QStringLiteral("UBX-TIM");
    default:
        return QString::asprintf("UBX-%X ??" "?-Unknown Message Class-??" "?", unsigned(cls));
    }
}

// The receiver's own update protocol is only named; an id outside it gives no text.
QString UpdateLabel(uint8_t id)
{
    static const struct {
        uint8_t id;
        const char* label;
    } labels[] = {
        {0x01, "UBX-UPD-DOWNL"}, {0x02, "UBX-UPD-UPLOAD"}, {0x06, "UBX-UPD-IDEN"}, {0x07, "UBX-UPD-SAFE"},
        {0x08, "UBX-UPD-FLDET"}, {0x09, "UBX-UPD-QSIZE"}, {0x0B, "UBX-UPD-ERASE"}, {0x0C, "UBX-UPD-FLWRI"},
        {0x0D, "UBX-UPD-CRC"},   {0x0E, "UBX-UPD-RBOOT"}, {0x0F, "UBX-UPD-SETQ"},  {0x14, "UBX-UPD-SOS"},
    };
    for (const auto& entry : labels) {
        if (entry.id == id)
            return QString::fromLatin1(entry.label);
    }
    return QString();
}

QString AcknowledgeText(uint8_t id)
{
    switch (id) {
    case 0x00:
        return QStringLiteral(" NAK");
    case 0x01:
        return QStringLiteral(" ACK");
    default:
        return QStringLiteral(" Unknown ID ???");
    }
}

}  // namespace

uint8_t UbxDecoder::U8(const QByteArray& msg, int offset)
{
    return ReadUInt8(msg, 6 + offset);
}

int8_t UbxDecoder::S8(const QByteArray& msg, int offset)
{
    return ReadInt8(msg, 6 + offset);
}

uint16_t UbxDecoder::U16(const QByteArray& msg, int offset)
{
    if (!FieldInside(msg, 6 + offset, 2))
        return 0;
    return static_cast<uint16_t>(U8(msg, offset) | (U8(msg, offset + 1) << 8));
}

int16_t UbxDecoder::S16(const QByteArray& msg, int offset)
{
    return static_cast<int16_t>(U16(msg, offset));
}

uint32_t UbxDecoder::U32(const QByteArray& msg, int offset)
{
    return ReadLittleEndianUInt32(msg, 6 + offset);
}

int32_t UbxDecoder::S32(const QByteArray& msg, int offset)
{
    return static_cast<int32_t>(U32(msg, offset));
}

QDateTime UbxDecoder::NavUtc(const QDateTime& utcAtTow, uint32_t towAtUtc, uint32_t tow)
{
    if (!utcAtTow.isValid())
        return QDateTime();
    constexpr int64_t kWeekMs = 604800000;
    int64_t apartMs = (int64_t{tow} - int64_t{towAtUtc}) % kWeekMs;
    if (apartMs >= kWeekMs / 2)
        apartMs -= kWeekMs;
    else if (apartMs < -kWeekMs / 2)
        apartMs += kWeekMs;
    return utcAtTow.addMSecs(apartMs);
}

int UbxDecoder::PayloadLength(const QByteArray& msg)
{
    return ReadUInt8(msg, 4) | (ReadUInt8(msg, 5) << 8);
}

bool UbxDecoder::DetailWanted(const MainWindow& w)
{
    return w.bGpsRawDataVisible || w.bLogThisSecond;
}

void UbxDecoder::SetDetail(UbxTexts& texts, const QString& line)
{
    texts.detail = line;
    texts.display += line;
}

QString MainWindow::DecodeUbxMessage(const QByteArray& msg)
{
    if (msg.size() < kHeaderAndChecksum || static_cast<uint8_t>(msg.at(0)) != 0xB5)
        return QString();

    gpsRecordUtc = QDateTime();

    const uint8_t cls = ReadUInt8(msg, 2);
    const uint8_t id = ReadUInt8(msg, 3);
    const int length = PayloadLength(msg);
    // The length field is not trusted: a frame cut short is shown like an unknown id.
    const bool bWhole = msg.size() >= length + kHeaderAndChecksum;

    UbxTexts texts;
    if (cls == 0x09) {
        texts.display = UpdateLabel(id);
    } else {
        texts.display = ClassLabel(cls);
        const HandlerEntry* entry = bWhole ? FindHandler(cls, id, length) : nullptr;
        if (cls == 0x05) {
            texts.display += AcknowledgeText(id);
        } else if (entry) {
            texts.display += QLatin1String(entry->label);
            entry->decode(*this, msg, texts);
            // Every NAV message starts with the time of week of its navigation epoch.
            if (cls == kNavClass)
                gpsRecordUtc = NavUtc(ubxUtcAtTow, ubxTowAtUtc, U32(msg, 0));
        } else {
            texts.display += QStringLiteral("  ") + texts.detail;
        }
    }

    // Logged once decoded, as a Motorola message is: in the second and day of its time.
    LogGpsMessage(msg);
    if (!texts.display.isEmpty())
        texts.display += QLatin1Char('\n');
    if (gpsLogTypeDialog && gpsLogTypeDialog->gpsLogType == kPvtLogType)
        WriteGpsLogText(texts.detail);
    LogConfigurationText(QString());  // this decoder has nothing for the configuration log
    return texts.display;
}
