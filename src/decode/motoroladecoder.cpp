// The Motorola binary decoder: one "@@" message at a time into the shared state, the
// raw-data window's text and the logs.

#include "mainwindow.h"

#include "binaryfields.h"
#include "gpslogtypedialog.h"
#include "logtexts.h"
#include "motorolahandlers.h"

#include <iterator>

namespace {

using namespace MotorolaDecoder;

struct HandlerEntry
{
    char id[3];
    // The length of the id's layout (without checksum and line end); a shorter message
    // is shown as an id without a handler.
    int needed;
    // The 8-channel DOP message shares its id with others of another length.
    bool bExactLength;
    Handler decode;
};

// The lengths are those of the framer's table, less checksum and line end. A family
// handler serves every id of its family that is listed here.
constexpr HandlerEntry kHandlers[] = {
    {"AA", 5, false, DecodeAEcho},  {"AB", 5, false, DecodeAEcho},  {"AC", 6, false, DecodeAEcho},
    {"AD", 6, false, DecodeAEcho},  {"AE", 5, false, DecodeAEcho},  {"AJ", 5, false, DecodeAEcho},
    {"AM", 8, false, DecodeAEcho},  {"AN", 5, false, DecodeAEcho},  {"AO", 5, false, DecodeAEcho},
    {"AP", 5, false, DecodeAEcho},  {"AQ", 5, false, DecodeAEcho},  {"AS", 5, false, DecodeAEcho},
    {"Aa", 7, false, DecodeAEcho},  {"Ab", 7, false, DecodeAEcho},  {"Ac", 8, false, DecodeAEcho},
    {"Ad", 8, false, DecodeAEcho},  {"Ae", 8, false, DecodeAEcho},  {"Af", 12, false, DecodeAEcho},
    {"Ag", 5, false, DecodeAEcho},  {"Ah", 5, false, DecodeAEcho},  {"Ai", 6, false, DecodeAEcho},
    {"Aj", 5, false, DecodeAEcho},  {"Ak", 6, false, DecodeAEcho},  {"Al", 6, false, DecodeAEcho},
    {"Am", 9, false, DecodeAEcho},  {"An", 5, false, DecodeAEcho},  {"Ap", 22, false, DecodeAEcho},
    {"Aq", 5, false, DecodeAEcho},  {"Ar", 5, false, DecodeAEcho},  {"As", 17, false, DecodeAEcho},
    {"At", 5, false, DecodeAEcho},  {"Au", 9, false, DecodeAEcho},  {"Av", 5, false, DecodeAEcho},
    {"Aw", 5, false, DecodeAEcho},  {"Ax", 6, false, DecodeAEcho},  {"Ay", 8, false, DecodeAEcho},
    {"Az", 8, false, DecodeAEcho},
    {"Ba", 65, false, DecodeBa},
    {"Bb", 89, false, DecodeBb},
    {"Bd", 20, false, DecodeBd},
    {"Bf", 77, false, DecodeBf},
    {"Bg", 119, false, DecodeBg},
    {"Bj", 5, false, DecodeBj},
    {"Bk", 66, false, DecodeBk},
    {"Bn", 56, false, DecodeBn},
    {"Bo", 5, false, DecodeBo},
    {"Ca", 6, false, DecodeSelfTest},
    {"Cb", 30, false, DecodeCEcho},  {"Cc", 77, false, DecodeCEcho},  {"Ce", 49, false, DecodeCEcho},
    {"Cf", 4, false, DecodeCEcho},   {"Cg", 5, false, DecodeCEcho},   {"Ck", 4, false, DecodeCEcho},
    // Every identification answer counts, however short; the handler reads within it.
    {"Cj", 4, false, IdentifyReceiverModel},
    {"Ea", 73, false, DecodeEa},
    {"Eg", 155, false, DecodeEg},
    {"Ek", 68, true, DecodeEk},
    {"En", 66, false, DecodeEn},
    {"Eq", 93, false, DecodeSmallText},
    {"Fa", 6, false, DecodeSelfTest},
    {"Ga", 17, false, DecodeGEcho},  {"Gb", 14, false, DecodeGEcho},  {"Gc", 5, false, DecodeGEcho},
    {"Gd", 5, false, DecodeGEcho},   {"Ge", 5, false, DecodeGEcho},   {"Gf", 6, false, DecodeGEcho},
    {"Gk", 10, false, DecodeGEcho},
    {"Gj", 18, false, DecodeGj},
    {"Ha", 151, false, DecodeHa},
    {"Hb", 51, false, DecodeHb},
    {"Hn", 75, false, DecodeHn},
    {"Hr", 167, false, DecodeHr},
    {"Ia", 7, false, DecodeSelfTest},
    {"Ir", 4, false, DecodeSmallText},
    {"SP", 8, false, DecodeSExtension},   {"Sa", 181, false, DecodeSExtension},
    {"Sc", 5, false, DecodeSExtension},   {"Sm", 5, false, DecodeSExtension},
    {"So", 5, false, DecodeSExtension},   {"Sp", 5, false, DecodeSExtension},
    {"St", 5, false, DecodeSExtension},   {"Sx", 5, false, DecodeSExtension},
    {"Sz", 5, false, DecodeSExtension},
    {"Tj", 24, false, DecodeTExtension},  {"Tk", 62, false, DecodeTExtension},
    {"Tm", 16, false, DecodeTExtension},  {"Tr", 594, false, DecodeTExtension},
    {"Wb", 6, false, DecodeWExtension},   {"Wm", 19, false, DecodeWExtension},
    {"Wo", 6, false, DecodeWExtension},   {"Wp", 19, false, DecodeWExtension},
    {"Wq", 19, false, DecodeWExtension},  {"Ws", 15, false, DecodeWExtension},
};

Handler FindHandler(const QByteArray& msg)
{
    for (const HandlerEntry& entry : kHandlers) {
        if (msg.at(2) != entry.id[0] || msg.at(3) != entry.id[1])
            continue;
        const bool fits = entry.bExactLength ? msg.size() == entry.needed : msg.size() >= entry.needed;
        return fits ? entry.decode : nullptr;
    }
    // Every other "A" id is an echo without a text of its own; it reads nothing.
    return msg.at(2) == 'A' ? DecodeAEcho : nullptr;
}

}  // namespace

bool MotorolaDecoder::FieldTextWanted(const MainWindow& w)
{
    return w.bGpsRawDataVisible || w.bLogThisSecond;
}

QString MotorolaDecoder::StateText(unsigned value, std::initializer_list<const char*> texts, const char* other)
{
    if (value < texts.size())
        return QString::fromLatin1(texts.begin()[value]);
    return QString::fromLatin1(other);
}

QString MotorolaDecoder::CharactersAt(const QByteArray& msg, int offset, int count)
{
    return LogTexts::BlankControls(QString::fromLatin1(msg.mid(offset, count)));
}

unsigned MotorolaDecoder::U8(const QByteArray& msg, int offset)
{
    return ReadUInt8(msg, offset);
}

int MotorolaDecoder::S32(const QByteArray& msg, int offset)
{
    return static_cast<int32_t>(MainWindow::GetMotorolaUInt32(msg, offset));
}

bool MotorolaDecoder::MaySendToReceiver()
{
    return receiverInfo.gpsPortMode != GpsPortModeMotorolaBinaryRxOnly;
}

void MotorolaDecoder::SetFieldLine(const QByteArray& msg, const QString& line, MotorolaTexts& texts)
{
    texts.display = QString::fromLatin1(msg.left(4)) + QStringLiteral(", ") + line;
}

QString MainWindow::DecodeMotorolaBinary(const QByteArray& msg)
{
    if (msg.size() <= 3 || !msg.startsWith("@@"))
        return QString();

    gpsRecordUtc = QDateTime();
    MotorolaTexts texts;
    texts.display = QString::fromLatin1(msg.left(4)) + QLatin1Char(' ');
    if (const Handler decode = FindHandler(msg))
        decode(*this, msg, texts);
    // Logged once decoded: a time message has then taken its second (the log's day and
    // whether the second is logged), and the message goes to the day of its own time.
    LogGpsMessage(msg);

    // Only the head: nothing was decoded.
    if (texts.display.size() == 5)
        texts.display += QStringLiteral("...");
    texts.display += QLatin1Char('\n');
    if (gpsLogTypeDialog && gpsLogTypeDialog->gpsLogType == 2)
        WriteGpsLogText(texts.pvtLine);
    LogConfigurationText(texts.configuration);
    return texts.display;
}
