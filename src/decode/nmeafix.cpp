// The fix data sentence: positions for the averaging, the fix status, the satellites
// used, the differential state and the PVT log line.

#include "mainwindow.h"

#include "gpsnavdialog.h"
#include "nmeafields.h"

#include <QDebug>

namespace {

// The PVT log's piece of a coordinate: whole degrees, minutes and the hemisphere.
QString CoordinateLogText(const Nmea::Coordinate& coordinate, const QByteArray& hemisphere)
{
    return QString::asprintf("%02d,%06.6lf,", coordinate.degrees, coordinate.minutes) +
           QString::fromLatin1(hemisphere) + QLatin1Char(',');
}

}  // namespace

bool MainWindow::DecodeNmeaGga(QByteArray body, QString* pvtLogText)
{
    // The log line is built only when someone will see it.
    const bool bDetail = bGpsRawDataVisible || bLogThisSecond;

    // An empty field (a receiver with no fix) names no time at all, nor does one that
    // cannot be read: the field's default of midnight is never taken for one.
    const bool bTimeGiven = !body.left(body.indexOf(',')).trimmed().isEmpty();
    const Nmea::Time time = Nmea::ReadTime(TakeFirstField(body, "000000.00"));
    // A time the receiver did not send is no time in the log either: its columns stay,
    // empty, so that the position stays under its own heading.
    if (bDetail)
        *pvtLogText = bTimeGiven && time.IsRead()
                          ? QString::asprintf("%02d,%02d,%05.2f,", time.hours, time.minutes, time.seconds)
                          : QStringLiteral(",,,");
    // The fix names no day: it is the receiver's, sent before or after its time sentence.
    gpsRecordUtc = bTimeGiven ? Nmea::NearestUtc(receiverRate.Mark(time, gpsPortThread.ArrivalMs()), CurrentLogClock())
                              : QDateTime();

    Nmea::Coordinate latitude = Nmea::ReadLatitude(TakeFirstField(body, "0000.0000"));
    const QByteArray north = TakeFirstField(body, QByteArray());
    latitude.sign = Nmea::HemisphereSign(north, 'N', 'S');
    bool valid = latitude.bRead && latitude.sign != 0;
    if (valid && bDetail)
        *pvtLogText += CoordinateLogText(latitude, north);

    Nmea::Coordinate longitude = Nmea::ReadLongitude(TakeFirstField(body, "00000.0000"));
    const QByteArray east = TakeFirstField(body, QByteArray());
    longitude.sign = Nmea::HemisphereSign(east, 'E', 'W');
    valid = valid && longitude.bRead && longitude.sign != 0;
    if (valid && bDetail) {
        // The log's remaining columns are the sentence's remaining fields as sent.
        *pvtLogText += CoordinateLogText(longitude, east) + QString::fromLatin1(body);
    }

    int quality = 0;
    if (!Nmea::Scanner(TakeFirstField(body, "0")).Int(&quality)) {
        quality = 0;
        valid = false;
    }
    int satellites = 0;
    if (Nmea::Scanner(TakeFirstField(body, QByteArray())).Int(&satellites)) {
        if (gpsNavDialog) {
            gpsNavDialog->SetFixStatus(Nmea::FixStatus(receiverInfo.gpsPortMode, quality, satellites));
            gpsNavDialog->SetSatellitesUsed(satellites);
        }
    } else {
        valid = false;
    }
    TakeFirstField(body, QByteArray());  // HDOP: the DOP sentence gives it

    double altitude = 0.0;
    if (!Nmea::Scanner(TakeFirstField(body, "0.0")).Double(&altitude)) {
        altitude = 0.0;
        valid = false;
    }
    if (TakeFirstField(body, QByteArray()) != "M") {
        qDebug("NMEA fAltitude_msl not in Meters");
        altitude = 0.0;
    }
    double separation = 0.0;
    const bool bSeparationRead = Nmea::Scanner(TakeFirstField(body, "0.0")).Double(&separation);
    if (!bSeparationRead) {
        separation = 0.0;
        valid = false;
    }
    if (TakeFirstField(body, QByteArray()) != "M") {
        qDebug("NMEA fGeoid_separation not in Meters");
        separation = 0.0;
    }
    if (bSeparationRead) {
        double altGps = 0.0;
        double altMsl = 0.0;
        Nmea::FixHeights(receiverInfo.receiverModel, receiverInfo.firmwareVersion, altitude, separation,
                         &altGps, &altMsl);
        if (valid)
            AddPositionSample(latitude.Degrees(), longitude.Degrees(), altGps, altMsl);
    }

    double age = 0.0;
    valid = Nmea::Scanner(TakeFirstField(body, "0.0")).Double(&age) && valid;
    int station = 0;
    valid = Nmea::Scanner(TakeFirstField(body, "0")).Int(&station) && valid;

    if (valid)
        dgpsState = quality == 2 ? 2 : 0;
    return valid;
}
