// The Motorola binary decoder: one "@@" message at a time into the shared state, the
// raw-data window's text and the logs.

#include "mainwindow.h"

#include "gpslogtypedialog.h"
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

constexpr HandlerEntry kHandlers[] = {
    {"Ba", 65, false, DecodeBa},
    {"Bb", 89, false, DecodeBb},
    {"Bd", 20, false, DecodeBd},
    {"Bf", 77, false, DecodeBf},
    {"Bg", 119, false, DecodeBg},
    {"Bj", 5, false, DecodeBj},
    {"Bk", 66, false, DecodeBk},
    {"Bn", 56, false, DecodeBn},
    {"Bo", 5, false, DecodeBo},
    {"Ea", 73, false, DecodeEa},
    {"Eg", 155, false, DecodeEg},
    {"Ek", 68, true, DecodeEk},
    {"En", 66, false, DecodeEn},
    {"Gj", 18, false, DecodeGj},
    {"Ha", 151, false, DecodeHa},
    {"Hb", 51, false, DecodeHb},
    {"Hn", 75, false, DecodeHn},
    {"Hr", 167, false, DecodeHr},
};

Handler FindHandler(const QByteArray& msg)
{
    for (const HandlerEntry& entry : kHandlers) {
        if (msg.at(2) != entry.id[0] || msg.at(3) != entry.id[1])
            continue;
        const bool fits = entry.bExactLength ? msg.size() == entry.needed : msg.size() >= entry.needed;
        return fits ? entry.decode : nullptr;
    }
    return nullptr;
}

}  // namespace

bool MotorolaDecoder::FieldTextWanted(const MainWindow& w)
{
    return w.bGpsRawDataVisible || w.bLogThisSecond;
}

void MotorolaDecoder::SetFieldLine(const QByteArray& msg, const QString& line, MotorolaTexts& texts)
{
    texts.display = QString::fromLatin1(msg.left(4)) + QStringLiteral(", ") + line;
}

QString MainWindow::DecodeMotorolaBinary(const QByteArray& msg)
{
    if (msg.size() <= 3 || !msg.startsWith("@@"))
        return QString();

    LogGpsMessage(msg);

    MotorolaTexts texts;
    texts.display = QString::fromLatin1(msg.left(4)) + QLatin1Char(' ');
    if (const Handler decode = FindHandler(msg))
        decode(*this, msg, texts);

    // Only the head: nothing was decoded.
    if (texts.display.size() == 5)
        texts.display += QStringLiteral("...");
    texts.display += QLatin1Char('\n');
    if (gpsLogTypeDialog && gpsLogTypeDialog->gpsLogType == 2)
        WriteGpsLogText(texts.pvtLine);
    LogConfigurationText(texts.configuration);
    return texts.display;
}
