#pragma once

// The handlers of the Motorola binary decoder, one per message id, shared by the
// decoder's files. Offsets in every handler count from the first "@" of the message.

#include <QByteArray>
#include <QString>

class MainWindow;

// The texts one message yields; they live for one call of the decoder.
struct MotorolaTexts
{
    QString display;        // starts as the four-byte head and a blank
    QString status;         // receiver status words of the position messages
    QString dop;            // DOP text of the position messages
    QString pvtLine;        // the line of a PVT-type GPS log
    QString configuration;  // for the configuration log
};

namespace MotorolaDecoder {

using Handler = void (*)(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts);

// The long field lines are formatted only while someone reads them: the raw-data
// window has been opened or the current second is logged.
bool FieldTextWanted(const MainWindow& w);
// The display text becomes the head, a comma and a blank, then the line.
void SetFieldLine(const QByteArray& msg, const QString& line, MotorolaTexts& texts);

// Position, status and data.
void DecodeHa(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts);
void DecodeHb(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts);
void DecodeHr(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts);
void DecodeEa(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts);
void DecodeBa(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts);

// Their PVT log lines.
QString PvtLineHa(const QByteArray& msg);
QString PvtLineHb(const QByteArray& msg);
QString PvtLineHr(const QByteArray& msg);
QString PvtLineEa(const QByteArray& msg);
QString PvtLineBa(const QByteArray& msg);

// Satellites and channels.
void DecodeBb(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts);
void DecodeBd(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts);
void DecodeBf(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts);
void DecodeBg(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts);
void DecodeEg(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts);

// Timing, T-RAIM, leap seconds, UTC offset and DOPs.
void DecodeBn(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts);
void DecodeEn(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts);
void DecodeHn(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts);
void DecodeBj(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts);
void DecodeGj(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts);
void DecodeBo(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts);
void DecodeBk(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts);
void DecodeEk(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts);

}  // namespace MotorolaDecoder
