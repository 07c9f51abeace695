#pragma once

// The handlers of the Motorola binary decoder, one per message id, shared by the
// decoder's files. Offsets in every handler count from the first "@" of the message.

#include <QByteArray>
#include <QString>

#include <initializer_list>

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
// The text of a state byte, or the fallback for a value beyond the list.
QString StateText(unsigned value, std::initializer_list<const char*> texts, const char* other);
// The bytes from offset on, each as one character of its own code, control bytes as
// blanks (a receiver pads its text fields with NULs); bytes beyond the message's end
// are left out.
QString CharactersAt(const QByteArray& msg, int offset, int count);
// An unsigned byte, and big-endian 32 bits as a signed number; 0 outside the message.
unsigned U8(const QByteArray& msg, int offset);
int S32(const QByteArray& msg, int offset);
// The receiver answers commands that it is never sent in the receive-only mode.
bool MaySendToReceiver();

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

// Identification: "@@Cj" of any length; it reads only what lies inside the message.
void IdentifyReceiverModel(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts);

// What an identification text tells of the receiver.
struct ReceiverIdentity
{
    bool bModelKnown = false;    // false: the model code stays as it was
    int receiverModel = 0;
    bool bPlusVariant = false;
    bool bVersionKnown = false;  // false: the version fields stay as they were
    QString firmwareVersionText;
    double firmwareVersion = 0.0;
};
ReceiverIdentity IdentifyFromText(const QByteArray& msg);

// Self tests and small texts: "@@Ca", "@@Fa", "@@Ia", "@@Ir", "@@Eq".
void DecodeSelfTest(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts);
void DecodeSmallText(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts);

// Configuration echoes: every "A" id, and those of the "C" and "G" families.
void DecodeAEcho(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts);
void DecodeCEcho(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts);
void DecodeGEcho(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts);

// Extension messages of the later receivers: the "S", "T" and "W" families.
void DecodeSExtension(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts);
void DecodeTExtension(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts);
void DecodeWExtension(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts);

}  // namespace MotorolaDecoder
