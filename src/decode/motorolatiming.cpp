// The Motorola timing messages: T-RAIM and 1PPS state, leap seconds, the GPS-UTC
// offset and the dilutions of precision.

#include "motorolahandlers.h"

#include "binaryfields.h"
#include "gpsnavdialog.h"
#include "gpsrxiddialog.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QLabel>

namespace {

using namespace MotorolaDecoder;

struct TraimLayout
{
    int channels;
    const char* title;
    const char* disabled;
    const char* limitFormat;
    const char* statusFormat;
    MainWindow::AnswerFlag answer;
};

constexpr TraimLayout kBn = {6, "@@Bn, TRAIM (6-ch) ", "DISBLED", ", limit = %03u nsec, ", "%u",
                             MainWindow::AnswerBn};
constexpr TraimLayout kEn = {8, "@@En, TRAIM (8-ch) ", "DISABLED", ", limit = %03d nsec, ", "%01u",
                             MainWindow::AnswerEn};

// The time values the receiver keeps for each satellite, from the first record on.
QString SatelliteTimes(const QByteArray& msg, int first, int count)
{
    QString text;
    for (int k = 0; k < count; ++k) {
        const int b = first + 5 * k;
        text += QString::asprintf(", %u, %11.9f", static_cast<unsigned>(ReadUInt8(msg, b)),
                                  ReadBigEndianInt32AsDouble(msg, b + 1) / 1e9);
    }
    return text;
}

// The 1PPS accuracy and sawtooth that the counter correction uses.
void TakeSawtooth(MainWindow& w, const QByteArray& msg, int accuracyOffset, int sawtoothOffset)
{
    w.timeAccuracyNs = ReadBigEndianUInt16(msg, accuracyOffset);
    w.sawtoothNs = ReadInt8(msg, sawtoothOffset);
    w.bSawtoothValid = true;
}

void DecodeTraim(MainWindow& w, const QByteArray& msg, const TraimLayout& layout, MotorolaTexts& texts)
{
    QString& t = texts.display;
    t = QString::fromLatin1(layout.title);
    t += StateText(ReadUInt8(msg, 5), {layout.disabled, "ENABLED"}, "ERROR");
    t += QString::asprintf(layout.limitFormat, ReadBigEndianUInt16(msg, 6) * 100u);
    t += QStringLiteral("1PPS ") +
         StateText(ReadUInt8(msg, 8),
                   {"is OFF always", "is ON always", "is ON if tracking 1+ satellites",
                    "is ON if TRAIM is OK", "is OFF always", "is ON always (Short)",
                    "is ON if tracking 1+ satellites (Short)", "is ON if TRAIM is OK (Short)"},
                   "state ERROR") +
         QStringLiteral(", ");
    for (int k = 9; k <= 18; ++k)
        t += QString::asprintf(layout.statusFormat, static_cast<unsigned>(ReadUInt8(msg, k)));
    t += QStringLiteral(", ");
    t += QStringLiteral("pulse status is ") + StateText(ReadUInt8(msg, 19), {"OFF", "ON"}, "ERROR") +
         QStringLiteral(", ");
    t += QStringLiteral("1PPS pulse sync is ") +
         StateText(ReadUInt8(msg, 20), {"referenced to UTC", "referenced to GPS"}, "ERROR") +
         QStringLiteral(", ");
    t += QStringLiteral("Time RAIM solution status is ") +
         StateText(ReadUInt8(msg, 21), {"OK", "ALARM", "UNKNOWN"}, "ERROR") + QStringLiteral(", ");
    t += QStringLiteral("Time RAIM status is ") +
         StateText(ReadUInt8(msg, 22),
                   {"detection and isolation possible", "detection only possible",
                    "neither detection or isolation possible"},
                   "ERROR") +
         QStringLiteral(", ");
    // The settings part goes to the configuration log; the measurements do not.
    texts.configuration = t;

    TakeSawtooth(w, msg, 23, 25);
    t += QString::asprintf("Sawtooth = %05.2f, One-Sigma Accuracy = %i", w.sawtoothNs, w.timeAccuracyNs);
    t += SatelliteTimes(msg, 26, layout.channels);

    if (w.bConfigReplyPending && w.gpsRxIdDialog) {
        w.bConfigReplyPending = false;
        w.gpsRxIdDialog->SetRxIdText(t);
    }
    w.bAnswerReceived[layout.answer] = true;
}

void DecodeDops(MainWindow& w, const QByteArray& msg, const char* head, MotorolaTexts& texts)
{
    const double gdop = ReadBigEndianUInt16(msg, 4) / 10.0;
    const double pdop = ReadBigEndianUInt16(msg, 6) / 10.0;
    const double hdop = ReadBigEndianUInt16(msg, 8) / 10.0;
    const double vdop = ReadBigEndianUInt16(msg, 10) / 10.0;
    const double tdop = ReadBigEndianUInt16(msg, 12) / 10.0;
    if (w.gpsNavDialog)
        w.gpsNavDialog->SetDops(gdop, pdop, hdop, vdop, tdop);
    texts.display = QString::fromLatin1(head) +
                    QString::asprintf(" GDOP = %.1f, PDOP =  %.1f, HDOP =  %.1f, VDOP =  %.1f TDOP = %.1f ... ",
                                      gdop, pdop, hdop, vdop, tdop);
    if (w.dgpsState != 1)
        return;
    const double age = ReadBigEndianUInt16(msg, 22) / 10.0;
    if (age <= 0.0)
        w.dgpsState = 0;
    w.ui->IDC_SATS_DGPS_MESSAGE->setText(QString::asprintf("Receiving DGPS, Age %3.1f sec", age));
}

}  // namespace

void MotorolaDecoder::DecodeBn(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts)
{
    DecodeTraim(w, msg, kBn, texts);
}

void MotorolaDecoder::DecodeEn(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts)
{
    DecodeTraim(w, msg, kEn, texts);
}

void MotorolaDecoder::DecodeHn(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts)
{
    QString& t = texts.display;
    t += QStringLiteral(", Pulse ") + (ReadUInt8(msg, 4) == 0 ? QStringLiteral("off") : QStringLiteral("on"));
    t += QStringLiteral(", 1PPS Ref to ") + (ReadUInt8(msg, 5) == 0 ? QStringLiteral("UTC") : QStringLiteral("GPS"));
    t += QStringLiteral(", T-RAIM Solution Status ") +
         StateText(ReadUInt8(msg, 6), {"OK", "ALARM"}, "UNKNOWN");
    t += QStringLiteral(", T-RAIM Status ") +
         StateText(ReadUInt8(msg, 7), {"Can Detect and Isolate", "Can Detect But Not Isolate"},
                   "Can't Detect or Isolate");
    t += QStringLiteral(", SVIDs Removed= ") + QString::asprintf("0x%08X", MainWindow::GetMotorolaUInt32(msg, 8));
    TakeSawtooth(w, msg, 12, 14);
    t += QString::asprintf(", Sawtooth %05.2f, One-Sigma Accuracy %i", w.sawtoothNs, w.timeAccuracyNs);
    t += SatelliteTimes(msg, 15, 12);
    if (w.bConfigReplyPending) {
        w.bConfigReplyPending = false;
        if (w.gpsRxIdDialog)
            w.gpsRxIdDialog->SetRxIdText(t);
    }
    w.bAnswerReceived[MainWindow::AnswerHn] = true;
}

void MotorolaDecoder::DecodeBj(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts)
{
    const int state = ReadInt8(msg, 4);
    w.leapSecondPending = state;
    if (state == 0)
        texts.display = QStringLiteral("@@Bj, No leap second pending");
    else if (state == 1)
        texts.display = QStringLiteral("@@Bj, Addition of one leap second is pending");
    else if (state == 2)
        texts.display = QStringLiteral("@@Bj, Subtraction of one leap second is pending");
}

void MotorolaDecoder::DecodeGj(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts)
{
    const unsigned current = ReadUInt8(msg, 4);
    const unsigned future = ReadUInt8(msg, 5);
    const int year = ReadBigEndianUInt16(msg, 6);
    const int month = ReadUInt8(msg, 8);
    const int day = ReadUInt8(msg, 9);
    const int nowYear = w.displayTime.Year();
    const int nowMonth = w.displayTime.Month();
    // An event on the current day is still to come.
    const bool comingUp = year > nowYear || (year == nowYear && month > nowMonth) ||
                          (year == nowYear && month == nowMonth && day >= w.displayTime.Day());
    w.leapSecondPending = 0;
    if (comingUp && current < future)
        w.leapSecondPending = 1;
    else if (comingUp && future < current)
        w.leapSecondPending = 2;
    texts.display = QString::asprintf("@@Gj,%i,%i,%d,%u,%u,%d.%.9d,%u,%u,%u", static_cast<int>(current),
                                      static_cast<int>(future), year, static_cast<unsigned>(month),
                                      static_cast<unsigned>(day), static_cast<int>(ReadUInt8(msg, 10)),
                                      static_cast<int32_t>(MainWindow::GetMotorolaUInt32(msg, 11)),
                                      static_cast<unsigned>(ReadUInt8(msg, 15)),
                                      static_cast<unsigned>(ReadUInt8(msg, 16)),
                                      static_cast<unsigned>(ReadUInt8(msg, 17)));
}

void MotorolaDecoder::DecodeBo(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts)
{
    w.utcOffsetSecs = ReadUInt8(msg, 4);
    texts.display = QString::asprintf("@@Bo - UTC offset = %i seconds", w.utcOffsetSecs);
}

void MotorolaDecoder::DecodeBk(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts)
{
    DecodeDops(w, msg, "@@Bk", texts);
}

void MotorolaDecoder::DecodeEk(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts)
{
    DecodeDops(w, msg, "@@Ek", texts);
}
