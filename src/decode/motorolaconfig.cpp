// The receiver's echoes of its settings, families "A", "C" and "G": each becomes one
// readable line; most also go to the receiver ID window and the configuration log.
// The 1PPS offsets, the DGPS state and the DGPS answer are taken into the program.

#include "motorolahandlers.h"

#include "binaryfields.h"
#include "calendarnames.h"
#include "gpsrxiddialog.h"
#include "mainwindow.h"

#include <iterator>

namespace {

using namespace MotorolaDecoder;

// Milliarcseconds to degrees.
constexpr double kMasPerDegree = 3600000.0;

QString OnOff(unsigned value)
{
    return StateText(value, {"DISABLED", "ENABLED"}, "ERROR");
}

// The echo as the operator's record of the receiver's settings: the receiver ID window
// and the configuration log get the line as it stands.
void Record(MainWindow& w, MotorolaTexts& texts)
{
    if (w.gpsRxIdDialog)
        w.gpsRxIdDialog->SetRxIdText(texts.display);
    texts.configuration = texts.display;
}

// The text of the "A" echoes; empty for the ids that bring none.
QString AEchoText(MainWindow& w, const QByteArray& msg, QString& display)
{
    const unsigned b4 = U8(msg, 4);
    switch (msg.at(3)) {
    case 'A':
        return QStringLiteral("Current Ephemeris Hold mode  ") + StateText(b4, {"DISABLED", "ENABLED"}, "");
    case 'B':
        return QStringLiteral("Application Type set to  ") +
               StateText(b4, {"AIR", "HANDHELD", "LAND", "MARINE"}, "STATIC");
    case 'C':
        return QStringLiteral("Current 2-D to 0-D DOP Threshold is ") +
               QString::asprintf("%f", ReadBigEndianUInt16(msg, 4) / 10.0);
    case 'D':
        return QString::asprintf("Correction Timer Thresholds (seconds): Position Fix = %i, DGPS Output = %i",
                                 int(b4), int(U8(msg, 5)));
    case 'E':
        return QStringLiteral("Output Align-to-Minute Mode ") + OnOff(b4);
    case 'J':
        return QString::asprintf("Current Differential Time-out (seconds) = %i", int(b4));
    case 'M':
        return QString::asprintf("%4.2f,%d", ReadInt8(msg, 4) + ReadInt8(msg, 5) / 100.0,
                                 int(ReadBigEndianUInt16(msg, 6)));
    case 'N':
        return QString::asprintf("Current Velocity Filter = %i", int(b4));
    case 'O':
        return QStringLiteral("RTCM Port set to ") + StateText(b4, {"9600", "4800", "2400"}, "ERROR") +
               QStringLiteral(" baud");
    case 'P':
        return QStringLiteral("Pulse Mode set to ") + StateText(b4, {"1PPS", "100PPS"}, "ERROR") +
               QStringLiteral(" output");
    case 'Q':
        return QStringLiteral("Position Filter Select ") + OnOff(b4) + QLatin1Char('.');
    case 'S':
        return QStringLiteral("Position Lock Select ") + OnOff(b4);
    case 'a':
        return QString::asprintf("Time set to %02i:%02i:%02i UTC", int(b4), int(U8(msg, 5)), int(U8(msg, 6)));
    case 'b':
        return QString::asprintf("GMT Correction set to %s%02i:%02i", b4 == 0 ? "+" : "-", int(U8(msg, 5)),
                                 int(U8(msg, 6)));
    case 'c':
        display = QStringLiteral("Date set to ") + ShortMonthName(int(b4)) +
                  QString::asprintf(" %02i, %02i UTC", int(U8(msg, 5)), int(ReadBigEndianUInt16(msg, 6)));
        return QString();
    case 'd':
        return QString::asprintf("Current Latitude set to %010.8f degrees", S32(msg, 4) / kMasPerDegree);
    case 'e':
        return QString::asprintf("Current Longitude set to %010.8f degrees", S32(msg, 4) / kMasPerDegree);
    case 'f':
        return QString::asprintf("Current Height set to %04.2f meters (WGS84)", S32(msg, 4) / 100.0);
    case 'g':
        return QString::asprintf("Elevation limit set to %i degrees", int(b4));
    case 'h':
        return QStringLiteral("Satellite Selection Mode ") +
               StateText(b4, {"AUTOMATIC (Best Geometry)", "MANUAL", "AUTOMATIC HIGHEST-IN-SKY"}, "ERROR");
    case 'i':
        return QStringLiteral("Current Satellite Assignment on Channel ") +
               QString::asprintf("%i is Prn %i ", int(b4), int(U8(msg, 5)));
    case 'j':
        return QStringLiteral("Satellite Selection xDOP: ") +
               StateText(b4, {"GDOP", "PDOP", "HDOP", "VDOP", "TDOP"}, "ERROR");
    case 'k':
        return QStringLiteral("Current xDop Hysteresis is ") +
               QString::asprintf("%f", ReadBigEndianUInt16(msg, 4) / 10.0);
    case 'l':
        return QStringLiteral("Current 3-D to 2-D DOP Threshold is ") +
               QString::asprintf("%f", ReadBigEndianUInt16(msg, 4) / 10.0);
    case 'm':
        return QStringLiteral("Satellite Ignore List ") +
               (b4 == 0 ? QString::asprintf("Mask = 0x%08X", MainWindow::GetMotorolaUInt32(msg, 5))
                        : QStringLiteral("ERROR"));
    case 'n':
        return QStringLiteral("Current Almanac Update Mode is ") + StateText(b4, {"NO-UPDATE", "UPDATE"}, "ERROR");
    case 'p':
        return QStringLiteral("Datum Parameters: ") +
               QString::asprintf("ID %i: semi-major axis %5.3f, inverse flattening %11.9f, delta X %3.1f, "
                                 "delta Y %3.1f, delta Z %3.1f",
                                 int(ReadInt8(msg, 4)),
                                 MainWindow::GetMotorolaUInt24(msg, 5) + ReadBigEndianUInt16(msg, 8) / 1000.0,
                                 ReadBigEndianUInt16(msg, 10) + S32(msg, 12) / 100000000.0,
                                 ReadBigEndianUInt16(msg, 16) / 10.0, ReadBigEndianUInt16(msg, 18) / 10.0,
                                 ReadBigEndianUInt16(msg, 20) / 10.0);
    case 'q':
        return QStringLiteral("Corrections: ") +
               StateText(b4,
                         {"Ionospheric  and Tropospheric DISABLED", "Ionospheric ENABLED, Tropospheric DISABLED",
                          "Ionospheric DISABLED, Tropospheric ENABLED", "Ionospheric and Tropospheric ENABLED"},
                         "Ionospheric/Tropospheric MODE ERROR");
    case 'r':
        return QStringLiteral("Position Fix Mode ") + StateText(b4, {"BEST-4", "ALL-IN-VIEW"}, "ERROR");
    case 's':
        return QString::asprintf("Position-Hold set to  %010.8f, %010.8f, %04.2f", S32(msg, 4) / kMasPerDegree,
                                 S32(msg, 8) / kMasPerDegree, S32(msg, 12) / 100.0);
    case 't':
        return QStringLiteral("Position Hold Mode ") +
               StateText(b4, {"DISABLED", "ENABLED", "Automatic Site Survey in Progress"}, "ERROR");
    case 'u':
        return QString::asprintf("Altitude-Hold Height set to %04.2f meters (WGS84)", S32(msg, 4) / 100.0);
    case 'v':
        return QStringLiteral("Altitude Hold Mode ") + OnOff(b4);
    case 'w': {
        // Modes 3 and 4 are not the receiver's.
        static constexpr const char* kModes[] = {"GPS",
                                                 "UTC",
                                                 "Serial port = GPS, 1PPS sync = UTC",
                                                 nullptr,
                                                 nullptr,
                                                 "Serial port = UTC, 1PPS sync = GPS",
                                                 "Serial port = GPS, 1PPS sync = EPOCH",
                                                 "Serial port = UTC, 1PPS sync = EPOCH"};
        const char* mode = b4 < std::size(kModes) ? kModes[b4] : nullptr;
        return QStringLiteral("Time Correction Mode ") + QLatin1String(mode ? mode : "ERROR");
    }
    case 'x':
        w.displayTime.SetEpochOffsetMs(ReadBigEndianUInt16(msg, 4));
        return QString::asprintf("Epoch offset set to %01i msec", w.displayTime.EpochOffsetMs());
    case 'y':
        w.displayTime.SetPpsOffsetNs(MainWindow::GetMotorolaUInt32(msg, 4));
        return QString::asprintf("1pps offset set to %05.3f microseconds", w.displayTime.PpsOffsetNs() / 1000.0);
    case 'z':
        w.displayTime.SetCableDelayNs(MainWindow::GetMotorolaUInt32(msg, 4));
        return QString::asprintf("1pps cable delay set to %01u nanoseconds", w.displayTime.CableDelayNs());
    default:
        return QString();
    }
}

}  // namespace

void MotorolaDecoder::DecodeAEcho(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts)
{
    // "@@Ac" replaces the display text and adds nothing.
    const QString echo = AEchoText(w, msg, texts.display);
    texts.display += echo;
    Record(w, texts);
}

void MotorolaDecoder::DecodeCEcho(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts)
{
    const QString head = QString::fromLatin1(msg.left(4));
    switch (msg.at(3)) {
    case 'b':
        texts.display = QString::asprintf("@@Cb SF %d PG %02d DATA:", int(U8(msg, 4)), int(U8(msg, 5)));
        for (int b = 6; b < 30; b += 3)
            texts.display += QString::asprintf(" %02X%02X%02X", U8(msg, b), U8(msg, b + 1), U8(msg, b + 2));
        break;
    case 'c':
        texts.display = head + QString::asprintf(" Sat %02u, Ephemeris Data Message ECHO", U8(msg, 4));
        break;
    case 'e': {
        QString echo = QString::asprintf("Pseudorange Correction: %3.1f",
                                         MainWindow::GetMotorolaUInt24(msg, 4) / 10.0);
        for (int k = 0; k < 6; ++k) {
            const int r = 7 + 7 * k;
            echo += QString::asprintf("%s[%i, %4.2f, %5.3f, %i]", k == 0 ? " " : ", ", int(U8(msg, r)),
                                      MainWindow::GetMotorolaUInt24(msg, r + 1) / 100.0,
                                      MainWindow::GetMotorolaUInt24(msg, r + 4) / 1000.0, int(U8(msg, r + 6)));
        }
        texts.display += echo;
        texts.configuration = head + echo;
        // A receiver with DGPS answers the DGPS probe with this echo.
        w.bAnswerReceived[MainWindow::AnswerBh] = true;
        break;
    }
    case 'f':
        texts.display += QStringLiteral("Receiver Set to Default Values");
        texts.configuration = texts.display;
        break;
    case 'g':
        texts.display += QStringLiteral("Receiver Mode ") +
                         StateText(U8(msg, 4), {"IDLE", "POSITION FIX (i.e., not IDLE)"}, "ERROR");
        Record(w, texts);
        break;
    case 'k':
        texts.display = head + QStringLiteral(": incoming DGPS");
        w.dgpsState = 1;
        break;
    default:
        break;
    }
}

void MotorolaDecoder::DecodeGEcho(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts)
{
    const unsigned b4 = U8(msg, 4);
    switch (msg.at(3)) {
    case 'a':
        texts.display += QString::asprintf(
            "Position Estimate set to %010.8f degrees lat, %010.8f degrees lng, %4.2f meters %s altitude.",
            S32(msg, 4) / kMasPerDegree, S32(msg, 8) / kMasPerDegree, S32(msg, 12) / 100.0,
            U8(msg, 16) == 0 ? "GPS" : "MSL");
        break;
    case 'b':
        texts.display += QString::asprintf("Time Estimate set to %u, %u, %d, %u, %u, %u, %i, %i, %u.", b4,
                                           U8(msg, 5), int(ReadBigEndianUInt16(msg, 6)), U8(msg, 8), U8(msg, 9),
                                           U8(msg, 10), int(U8(msg, 11)), int(U8(msg, 12)), U8(msg, 13));
        break;
    case 'c':
        texts.display += QStringLiteral("1PPS signal output set to ") +
                         StateText(b4,
                                   {"OFF", "ALWAYS ON", "ON IF AT LEAST ONE SATELLITE TRACKED", "ON IF TRAIM PASSES"},
                                   "ERROR");
        break;
    case 'd':
        texts.display += QStringLiteral("Position Control set to ") +
                         StateText(b4, {"NORMAL", "POSITION HOLD (0-D NAV)", "ALTITUDE HOLD (2-D NAV)", "AUTO-SURVEY"},
                                   "ERROR");
        break;
    case 'e':
        texts.display += QStringLiteral("TRAIM set to ") + StateText(b4, {"DISABLED", "ENABLED"}, "ERROR");
        break;
    case 'f':
        texts.display = QString::asprintf("@@Gf TRAIM Alarm Limit set to %01d", ReadBigEndianUInt16(msg, 4) * 100);
        break;
    default:
        texts.display += QStringLiteral("Tag = ") + CharactersAt(msg, 4, 6);
        break;
    }
    Record(w, texts);
}
