// The receiver models and the fixed messages of the receiver search and set-up.

#include "receivermodels.h"

#include "receiverinfo.h"

#include <QtEndian>

namespace {

struct Model
{
    int code;
    const char* name;
    int channels;
    double errorTerm;  // ns
};

constexpr Model kModels[] = {
    {1, "GT", 8, 500.0},    {2, "GT+", 8, 500.0},        {3, "M12", 12, 100.0},    {4, "M12+", 12, 100.0},
    {5, "M12M", 12, 100.0}, {6, "PVT6", 6, 100.0},       {7, "SL", 8, 500.0},      {8, "UT", 8, 100.0},
    {9, "UT+", 8, 100.0},   {10, "VP", 8, 100.0},        {11, "XT", 6, 100.0},     {17, "CNXT/NVMN", 8, 100.0},
    {18, "SIGNAV", 12, 100.0}, {20, "TX Oncore", 8, 100.0}, {21, "SSR-6Tf", 12, 100.0},
    {22, "SSR-6Tr", 12, 100.0}, {23, "SSR-M8F", 12, 100.0}, {24, "SSR-M8T", 12, 100.0},
};

const Model* Find(int code)
{
    for (const Model& m : kModels) {
        if (m.code == code)
            return &m;
    }
    return nullptr;
}

// The fields after the name that both identity lines share.
QString Options(const ReceiverInfo& info)
{
    QString text;
    if (info.bHasDgps)
        text += QStringLiteral(", has DGPS");
    if (info.bHasTraim)
        text += QStringLiteral(", TRAIM");
    return text;
}

QByteArray Ubx(const char* classAndId, const QByteArray& payload)
{
    QByteArray msg("\xB5\x62", 2);
    msg.append(classAndId, 2);
    msg.append(static_cast<char>(payload.size() & 0xFF));
    msg.append(static_cast<char>((payload.size() >> 8) & 0xFF));
    return msg + payload;
}

QByteArray MessageRate(unsigned char cls, unsigned char id, unsigned char rate)
{
    const char payload[] = {static_cast<char>(cls), static_cast<char>(id), static_cast<char>(rate)};
    return Ubx("\x06\x01", QByteArray(payload, 3));
}

QByteArray LittleEndian32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

}  // namespace

QString ReceiverModels::ModelName(int code, bool bPlusVariant)
{
    const Model* m = Find(code);
    if (!m)
        return QStringLiteral("UNKNOWN");
    QString name = QString::fromLatin1(m->name);
    if (bPlusVariant && IsSsrModel(code))
        name += QLatin1Char('+');
    return name;
}

int ReceiverModels::ModelChannels(int code)
{
    const Model* m = Find(code);
    return m ? m->channels : 0;
}

double ReceiverModels::ModelErrorTerm(int code)
{
    const Model* m = Find(code);
    return m ? m->errorTerm : 100.0;
}

bool ReceiverModels::IsTwelveChannelFamily(int code)
{
    return (code >= 3 && code <= 5) || code == 18 || (code >= 20 && code <= 24);
}

bool ReceiverModels::IsSsrModel(int code)
{
    return code >= 21 && code <= 24;
}

QString ReceiverModels::BinaryIdentityLine(const ReceiverInfo& info, bool bRxOnly, bool bEmulatePvt6,
                                           bool bRxOnLocalTime)
{
    QString name = ModelName(info.receiverModel, info.bPlusVariant);
    if (bRxOnly)
        name += QStringLiteral(", Rx Only");
    QString format = QStringLiteral("Motorola %1, Bin, %2 ch, V%3");
    if (name == QLatin1String("CNXT/NVMN") || name.left(6) == QLatin1String("SSR-6T") ||
        name.left(7) == QLatin1String("SSR-M8F") || name.left(7) == QLatin1String("SSR-M8T") ||
        name == QLatin1String("SIGNAV"))
        format = QStringLiteral("%1, Bin, %2 ch, V%3");
    else if (name == QLatin1String("M12M") || name == QLatin1String("TX Oncore"))
        format = QStringLiteral("i-Lotus %1, Bin, %2 ch, V%3");
    QString line = format.arg(name).arg(qMax(info.channelCountReported, 0)).arg(info.firmwareVersionText);
    line += Options(info);
    if (bEmulatePvt6)
        line += QStringLiteral(", PVT6 Mode");
    if (bRxOnLocalTime)
        line += QStringLiteral(", Local Time Mode");
    return line;
}

QString ReceiverModels::NmeaIdentityLine(const ReceiverInfo& info)
{
    const QString name = ModelName(info.receiverModel, info.bPlusVariant);
    QString line;
    if (name == QLatin1String("M12M") || name == QLatin1String("TX Oncore"))
        line = QStringLiteral("i-Lotus ") + name;
    else if (name == QLatin1String("CNXT/NVMN") || name.startsWith(QLatin1String("SSR-6T")) ||
             name.startsWith(QLatin1String("SSR-M8F")) || name.startsWith(QLatin1String("SSR-M8T")) ||
             name == QLatin1String("SIGNAV"))
        line = name;
    else
        line = QStringLiteral("Motorola ") + name;
    line += QStringLiteral(", NMEA Mode, %1 ch, V").arg(qMax(info.channelCountReported, 0));
    return line + info.firmwareVersionText + Options(info);
}

QByteArray ReceiverModels::DataRateCommand(int rate, int mode)
{
    static constexpr int kRates[] = {300, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 57600, 115000};
    const bool bKnown = std::find(std::begin(kRates), std::end(kRates), rate) != std::end(kRates);
    const bool bBinary = mode == GpsPortModeMotorolaBinary;
    unsigned char high = bBinary ? 0x00 : 0x01;
    unsigned char low = bBinary ? 0x00 : 0x34;
    if (bKnown) {
        // Four decimal digits of rate / 100, written two to a byte.
        const int digits = rate / 100;
        high = static_cast<unsigned char>(((digits / 1000) << 4) | ((digits / 100) % 10));
        low = static_cast<unsigned char>((((digits / 10) % 10) << 4) | (digits % 10));
        if (bBinary)
            high = static_cast<unsigned char>(high + 0x40);
    }
    QByteArray cmd("@@Wb");
    cmd.append(static_cast<char>(high));
    cmd.append(static_cast<char>(low));
    return cmd;
}

QByteArray ReceiverModels::UbxPortSetup(int rate)
{
    // Port 1; 8 data bits, no parity, 1 stop bit; UBX and NMEA in and out.
    QByteArray payload = QByteArray::fromHex("01000000" "c0080000");
    payload += LittleEndian32(static_cast<quint32>(qMax(rate, 0)));
    payload += QByteArray::fromHex("0300" "0300" "0000" "0000");
    return Ubx("\x06\x00", payload);
}

QList<QByteArray> ReceiverModels::UbxMessagesOff()
{
    static constexpr unsigned char kOff[][2] = {
        {0xF1, 0x00}, {0x0D, 0x01}, {0x0D, 0x04}, {0x01, 0x02}, {0x01, 0x30}, {0x0A, 0x09}, {0x01, 0x03},
        {0x01, 0x03}, {0x01, 0x21}, {0x01, 0x04}, {0x01, 0x04}, {0xF1, 0x03}, {0xF1, 0x04}, {0xF0, 0x0A},
        {0xF0, 0x09}, {0xF0, 0x00}, {0xF0, 0x01}, {0xF0, 0x40}, {0xF0, 0x06}, {0xF0, 0x02}, {0xF0, 0x07},
        {0xF0, 0x03}, {0xF0, 0x04}, {0xF0, 0x41}, {0xF0, 0x05}, {0xF0, 0x08},
    };
    QList<QByteArray> list;
    for (const auto& m : kOff)
        list.append(MessageRate(m[0], m[1], 0));
    return list;
}

QByteArray ReceiverModels::UbxAntennaSetup()
{
    return Ubx("\x06\x13", QByteArray::fromHex("17000000"));
}

QList<QByteArray> ReceiverModels::UbxMessagesOn(int mode)
{
    QList<QByteArray> list;
    if (mode == GpsPortModeUbloxNmea) {
        for (unsigned char id : {0x00, 0x02, 0x03, 0x04, 0x08})
            list.append(MessageRate(0xF0, id, 1));
        return list;
    }
    static constexpr unsigned char kOn[][3] = {
        {0x01, 0x21, 1}, {0x0D, 0x01, 1}, {0x0D, 0x04, 1}, {0x01, 0x02, 1}, {0x01, 0x30, 1},
        {0x0A, 0x09, 1}, {0x01, 0x03, 1}, {0x01, 0x04, 0x25}, {0x01, 0x20, 0x30},
    };
    for (const auto& m : kOn)
        list.append(MessageRate(m[0], m[1], m[2]));
    return list;
}

QByteArray ReceiverModels::UbxSaveConfiguration()
{
    return Ubx("\x06\x09", QByteArray::fromHex("00000000" "0b040000" "00000000"));
}

QByteArray ReceiverModels::UbxVersionPoll()
{
    return Ubx("\x0A\x04", QByteArray());
}

QList<QByteArray> ReceiverModels::UbxSelfSurvey()
{
    // Survey-in, with the three limits of the survey in the last words.
    QByteArray mode = QByteArray::fromHex("01000000") + QByteArray(12, '\0');
    mode += LittleEndian32(4000) + LittleEndian32(5008) + LittleEndian32(2000);
    return {MessageRate(0x0D, 0x04, 1), Ubx("\x06\x1D", mode), Ubx("\x06\x3D", mode)};
}
