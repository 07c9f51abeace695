#pragma once

// The handlers of the UBX decoder, one per class and id, shared by the decoder's files.
// Offsets in every handler count from the first payload byte (frame byte 6); the
// decoder has checked that the frame holds the whole payload its length field promises
// and the length that the handler's layout needs.

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>

class MainWindow;

// The texts one frame yields; they live for one call of the decoder.
struct UbxTexts
{
    QString display;                        // class label, id label and detail
    QString detail = QStringLiteral("...");  // the line for a PVT-type GPS log
};

namespace UbxDecoder {

using Handler = void (*)(MainWindow& w, const QByteArray& msg, UbxTexts& texts);

// Little-endian payload fields; 0 outside the frame.
uint8_t U8(const QByteArray& msg, int offset);
int8_t S8(const QByteArray& msg, int offset);
uint16_t U16(const QByteArray& msg, int offset);
int16_t S16(const QByteArray& msg, int offset);
uint32_t U32(const QByteArray& msg, int offset);
int32_t S32(const QByteArray& msg, int offset);
// The payload length from the frame's header.
int PayloadLength(const QByteArray& msg);
// A NAV message's time of week (ms) as UTC, by the last NAV-TIMEUTC's UTC second and
// time of week: the nearest, within half a week. Invalid before any NAV-TIMEUTC.
QDateTime NavUtc(const QDateTime& utcAtTow, uint32_t towAtUtc, uint32_t tow);

// Detail lines are formatted only while someone reads them: the raw-data window has
// been opened or the current second is logged.
bool DetailWanted(const MainWindow& w);
// The line becomes the detail text and follows the labels in the display text.
void SetDetail(UbxTexts& texts, const QString& line);

// Navigation (class 0x01).
void DecodeNavPosEcef(MainWindow& w, const QByteArray& msg, UbxTexts& texts);
void DecodeNavPosLlh(MainWindow& w, const QByteArray& msg, UbxTexts& texts);
void DecodeNavStatus(MainWindow& w, const QByteArray& msg, UbxTexts& texts);
void DecodeNavDop(MainWindow& w, const QByteArray& msg, UbxTexts& texts);
void DecodeNavVelNed(MainWindow& w, const QByteArray& msg, UbxTexts& texts);
void DecodeNavTimeGps(MainWindow& w, const QByteArray& msg, UbxTexts& texts);
void DecodeNavTimeUtc(MainWindow& w, const QByteArray& msg, UbxTexts& texts);
void DecodeNavSvInfo(MainWindow& w, const QByteArray& msg, UbxTexts& texts);

// Timing (class 0x0D) and the leap second (class 0x0B).
void DecodeTimTp(MainWindow& w, const QByteArray& msg, UbxTexts& texts);
void DecodeTimSvin(MainWindow& w, const QByteArray& msg, UbxTexts& texts);
void DecodeTimDosc(MainWindow& w, const QByteArray& msg, UbxTexts& texts);
void DecodeAidHui(MainWindow& w, const QByteArray& msg, UbxTexts& texts);

// Configuration echoes (class 0x06) and monitor reports (class 0x0A).
void DecodeCfgPrt(MainWindow& w, const QByteArray& msg, UbxTexts& texts);
void DecodeCfgTp(MainWindow& w, const QByteArray& msg, UbxTexts& texts);
void DecodeCfgTmode(MainWindow& w, const QByteArray& msg, UbxTexts& texts);
void DecodeCfgNav5(MainWindow& w, const QByteArray& msg, UbxTexts& texts);
void DecodeCfgTp5(MainWindow& w, const QByteArray& msg, UbxTexts& texts);
void DecodeCfgTmode2(MainWindow& w, const QByteArray& msg, UbxTexts& texts);
void DecodeMonVer(MainWindow& w, const QByteArray& msg, UbxTexts& texts);
void DecodeMonHw(MainWindow& w, const QByteArray& msg, UbxTexts& texts);

// The leap-second state from the receiver's UTC parameters, without the window: the
// event's year and month against the year and month now shown.
struct LeapSecondState
{
    int utcOffsetSecs = 0;
    int leapSecondPending = -1;   // -1 past or unknown, 1 a second added, 2 one removed
    int ntpLeapIndicator = 0;     // 0 none this month, 1 insert, 2 delete, 3 unchanged
};
LeapSecondState LeapSecondFromUtcParameters(unsigned utcLs, unsigned utcWnf, unsigned utcDn, unsigned utcLsf,
                                            unsigned validFlags, int year, int month, int pendingBefore);

}  // namespace UbxDecoder
