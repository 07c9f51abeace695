// UBX navigation messages: position, fix, DOPs, velocity, receiver time and satellites.

#include "mainwindow.h"

#include "gpsnavdialog.h"
#include "gpsrxdialog.h"
#include "nmeafields.h"
#include "ubxhandlers.h"
#include "ui_mainwindow.h"

#include <QDebug>
#include <QLabel>

#include <algorithm>

using namespace UbxDecoder;

namespace {

constexpr int kSvInfoHeader = 8;
constexpr int kSvInfoChannel = 12;
// Time only fix: the receiver holds its position and stops surveying.
constexpr int kTimeOnlyFix = 5;
constexpr int kSurveying = 2;

}  // namespace

void UbxDecoder::DecodeNavPosEcef(MainWindow& w, const QByteArray& msg, UbxTexts& texts)
{
    if (DetailWanted(w))
        SetDetail(texts, QString::asprintf("iTOW = %u, ecefX = %i, ecefY = %i, ecefZ = %i, pAcc = %u", U32(msg, 0),
                                           S32(msg, 4), S32(msg, 8), S32(msg, 12), U32(msg, 16)));
}

void UbxDecoder::DecodeNavPosLlh(MainWindow& w, const QByteArray& msg, UbxTexts& texts)
{
    const double lon = S32(msg, 4) / 1e7;   // degrees, east positive
    const double lat = S32(msg, 8) / 1e7;   // degrees, north positive
    const double height = S32(msg, 12) / 1000.0;  // m above the ellipsoid
    const double msl = S32(msg, 16) / 1000.0;     // m above mean sea level
    w.AddPositionSample(lat, lon, height, msl);
    if (DetailWanted(w))
        SetDetail(texts, QString::asprintf("iTOW = %u, lon = %1.8f, lat = %1.8f, height = %1.3f, MSL = %1.3f, "
                                           "hAcc = %u, vAcc = %u",
                                           U32(msg, 0), lon, lat, height, msl, U32(msg, 20), U32(msg, 24)));
}

void UbxDecoder::DecodeNavStatus(MainWindow& w, const QByteArray& msg, UbxTexts& texts)
{
    static const struct {
        const char* text;
        int navMode;
        int navigationStatus;
    } fixes[] = {
        {"No Fix", 0, 0},
        {"Dead reckoning only", 2, 0},
        {"2D-fix", 2, 0},
        {"3-D Fix", 3, 0},
        {"GPS + dead reckoning combined", 3, 0},
        {"Time only fix (0-D Nav)", 1, 1},
    };
    const unsigned gpsFix = U8(msg, 4);
    QString fixText;
    int navigationStatus = -1;
    if (gpsFix < std::size(fixes)) {
        fixText = QLatin1String(fixes[gpsFix].text);
        navigationStatus = fixes[gpsFix].navigationStatus;
        if (w.gpsNavDialog)
            w.gpsNavDialog->SetNavMode(fixes[gpsFix].navMode);
    }
    if (gpsFix == kTimeOnlyFix) {
        // The survey is over: the receiver need no longer report it.
        w.SendGpsMessage(QByteArray("\xB5\x62\x06\x01\x03\x00\x0D\x04\x00", 9));
        w.ShowNavigationStatus(1);
    }
    // A survey in progress keeps its badge until the receiver holds its position.
    if (!w.gpsRxDialog || w.gpsRxDialog->navigationStatus != kSurveying)
        w.ShowNavigationStatus(navigationStatus);
    w.ui->IDC_SATS_STATUS_MESSAGE->setText(fixText);
    if (DetailWanted(w))
        SetDetail(texts, QString::asprintf("iTOW = %u, gpsFix = %u, flags = 0x%2.2X, diffStat = 0x%2.2X, res = %u, "
                                           "ttff = %u, msss = %u",
                                           U32(msg, 0), gpsFix, unsigned(U8(msg, 5)), unsigned(U8(msg, 6)),
                                           unsigned(U8(msg, 7)), U32(msg, 8), U32(msg, 12)));
}

void UbxDecoder::DecodeNavDop(MainWindow& w, const QByteArray& msg, UbxTexts& texts)
{
    const auto dop = [&msg](int offset) { return U16(msg, offset) / 100.0; };
    const double g = dop(4), p = dop(6), t = dop(8), v = dop(10), h = dop(12);
    QString dops = QString::asprintf("DOPs: T = %3.1f, P = %3.1f, H = %3.1f, V = %3.1f", t, p, h, v);
    if (w.gpsNavDialog) {
        w.gpsNavDialog->SetDops(g, p, h, v, t);
        // A time-only fix has no position, so only the time DOP means anything.
        if (w.gpsNavDialog->GetNavMode() == 1)
            dops = QString::asprintf("DOPs: T = %3.1f", t);
    }
    w.ui->IDC_SATS_DOPS_MESSAGE->setText(dops);
    if (DetailWanted(w))
        SetDetail(texts, QString::asprintf("iTOW = %u, gDOP = %4.2f, pDOP = %4.2f, tDOP = %4.2f, vDOP = %4.2f, "
                                           "hDOP = %4.2f, nDOP = %4.2f, eDOP = %4.2f",
                                           U32(msg, 0), g, p, t, v, h, dop(14), dop(16)));
}

void UbxDecoder::DecodeNavVelNed(MainWindow& w, const QByteArray& msg, UbxTexts& texts)
{
    if (DetailWanted(w))
        SetDetail(texts, QString::asprintf("iTOW = %u, Ground Speed = %u cm/sec, Heading = %4.1f degrees",
                                           U32(msg, 0), U32(msg, 20), S32(msg, 24) / 1e5));
}

void UbxDecoder::DecodeNavTimeGps(MainWindow& w, const QByteArray& msg, UbxTexts& texts)
{
    if (DetailWanted(w))
        SetDetail(texts, QString::asprintf("iTOW = %u ... week = %u, leap seconds = %i, valid = %2.2x", U32(msg, 0),
                                           unsigned(U16(msg, 8)), int(U8(msg, 10)), unsigned(U8(msg, 11))));
}

void UbxDecoder::DecodeNavTimeUtc(MainWindow& w, const QByteArray& msg, UbxTexts& texts)
{
    const int year = U16(msg, 12), month = U8(msg, 14), day = U8(msg, 15);
    const unsigned valid = U8(msg, 19);
    // Time of week, week number and UTC all known.
    if ((valid & 0x07) == 0x07) {
        Nmea::Time time;
        time.hours = U8(msg, 16);
        time.minutes = U8(msg, 17);
        // The nanoseconds place a time of a receiver sending several times a second
        // within its second; they may be short of it, as a second less a few ns. Where
        // they would take the time out of its minute, the whole second names it.
        const int second = U8(msg, 18);
        const double seconds = second + S32(msg, 8) * 1e-9;
        time.seconds = seconds >= 0.0 && seconds < 60.0 && second < 60 ? seconds : second;
        time.conversions = 3;
        time = w.receiverRate.Take(time, w.gpsPortThread.ArrivalMs());
        QDateTime utc;
        const Nmea::ReceivedDate received =
            Nmea::ReceiverUtc(year, month, day, time, w.gpsRxDialog && w.gpsRxDialog->bRxOnLocalTime, &utc);
        if (received != Nmea::ReceivedDate::Instant) {
            qDebug("WARNING: Illegal date or time decoding NAV-TIMEUTC.");
        } else {
            w.ubxUtcAtTow = utc;
            w.ubxTowAtUtc = U32(msg, 0);
        }
        w.TakeReceiverTime(received, utc, time, MainWindow::AwaitingAnyTime, true, Nmea::DateText(year, month, day));
    }
    if (DetailWanted(w))
        SetDetail(texts, QString::asprintf("iTOW = %u, tAcc = %u, nano = %i, date (YMD) %d, %d, %d, "
                                           "Time = %2.2d:%2.2d:%2.2d, valid = %2.2x",
                                           U32(msg, 0), U32(msg, 4), S32(msg, 8), year, month, day, int(U8(msg, 16)),
                                           int(U8(msg, 17)), int(U8(msg, 18)), valid));
}

void UbxDecoder::DecodeNavSvInfo(MainWindow& w, const QByteArray& msg, UbxTexts& texts)
{
    // The channel count is not trusted beyond the blocks that the payload holds.
    const int channels = std::min<int>(U8(msg, 4), (PayloadLength(msg) - kSvInfoHeader) / kSvInfoChannel);
    std::fill(std::begin(w.satellites), std::end(w.satellites), w.emptySatelliteRecord);
    std::fill(std::begin(w.satelliteDisplayTable), std::end(w.satelliteDisplayTable), w.emptySatelliteRecord);

    const bool bDetail = DetailWanted(w);
    QString groups[2];
    int visible = 0;
    int tracked = 0;
    for (int i = 0; i < channels; ++i) {
        const int at = kSvInfoHeader + i * kSvInfoChannel;
        const unsigned chn = U8(msg, at), svid = U8(msg, at + 1), flags = U8(msg, at + 2);
        const unsigned quality = U8(msg, at + 3), cno = U8(msg, at + 4), azim = U16(msg, at + 6);
        // Signed: a satellite below the horizon is neither visible nor shown at the zenith.
        const int elev = S8(msg, at + 5);
        const bool used = flags & 0x01;
        visible += elev > 0;
        tracked += used;
        if (chn != 0xFF && cno != 0 && elev > 0) {
            SatelliteRecord& record = w.satellites[i];
            record.prn = int(svid);
            record.elevation = std::min(elev, 90);
            record.azimuth = std::min<int>(int(azim), 359);
            record.signalLevel = std::clamp(int(cno) - 17, 0, 39);
            record.bTracked = used;
            record.channelState = static_cast<uint8_t>(quality);
            record.statusFlags = static_cast<int8_t>(flags);
            record.elevationTrend = 0;
        }
        if (bDetail) {
            QString& group = groups[i < 8 ? 0 : 1];
            group += QString::asprintf("chn=%u, svid=%u, flags=%2.2x, quality=%2.2x, cno=%u, elev=%i, azim=%i, "
                                       "prRes=%i, ",
                                       chn, svid, flags, quality, cno, elev, int(azim), S32(msg, at + 8));
            if (i > 0)
                group += QStringLiteral(", ");
        }
    }
    if (w.gpsNavDialog)
        w.gpsNavDialog->SetSatellitesUsed(tracked);
    w.ui->IDC_SATS_VISIBLE->setText(QString::asprintf("%1.1u Visible", unsigned(visible)));
    w.ui->IDC_SATS_TRACKED->setText(QString::asprintf("%1.1u Tracked", unsigned(tracked)));
    if (bDetail) {
        texts.detail = QString::asprintf("iTOW = %u, numCh = %u, globalFlags = %2.2x, res = %u, ", U32(msg, 0),
                                         unsigned(U8(msg, 4)), unsigned(U8(msg, 5)), unsigned(U16(msg, 6))) +
                       groups[0] + groups[1];
        texts.display += groups[0] + QLatin1Char('\n') + QString(30, QLatin1Char(' ')) + groups[1];
    }
    w.UpdateSatelliteTable();
}
