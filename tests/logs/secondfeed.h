#pragma once

// A receiver's messages of one second as the port hands them on, and the seconds of the
// records that reached a GPS log.

#include "logwindow.h"
#include "logfilenames.h"

#include <QtEndian>

// One message of the receiver's second t, as the port hands it on; "tick" is the 1PPS
// edge. A name may end in "+1d" (dated a day ahead), "+3s" (a time 3 s ahead), ".6" (a
// time 0.6 s into its second), "-" (the time field empty) or ":60" (the leap second
// after t, which is 23:59:59).
inline void Feed(MainWindow& w, QByteArray name, const QDateTime& second)
{
    QDateTime t = second;
    QByteArray fraction = ".00";
    const bool bLeap = name.endsWith(":60");
    if (bLeap)
        name.chop(3);
    const qsizetype plus = name.indexOf('+');
    if (plus > 0) {
        const int n = name.mid(plus + 1).chopped(1).toInt();
        t = name.endsWith('d') ? t.addDays(n) : t.addSecs(n);
        name.truncate(plus);
    }
    if (name.endsWith(".6"))
        fraction = ".60", name.chop(2);
    const bool bNoTime = name.endsWith('-');
    if (bNoTime)
        name.chop(1);
    const QDate d = t.date();
    const QTime c = t.time();
    const int s = bLeap ? 60 : c.second();
    const QByteArray hms = bNoTime ? "," : t.toString("HHmm").toLatin1() + QByteArray::number(s).rightJustified(2, '0') + fraction + ",";
    // ms into the GPS week, which has no leap seconds
    const uint32_t tow = uint32_t(d.dayOfWeek() % 7 * 86400000 + c.msecsSinceStartOfDay() + (bLeap ? 1000 : 0));
    if (name == "tick")
        w.OnClockTick();
    else if (name == "TIC")
        w.OnNewTicText("1 0.000025");
    else if (name == "ZDA")
        emit w.gpsPortThread.newGpsText(Sentence("$GPZDA," + hms + t.toString("dd,MM,yyyy").toLatin1() + ",00,00"));
    else if (name == "RMC")
        emit w.gpsPortThread.newGpsText(Sentence("$GPRMC," + hms + "A,4807.038,N,01131.000,E,0.0,0.0," + t.toString("ddMMyy").toLatin1() + ",,"));
    else if (name == "GGA")
        emit w.gpsPortThread.newGpsText(Sentence("$GPGGA," + hms + "4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"));
    else if (name == "UTC")
        emit w.gpsPortThread.newGpsText(UbxPayload(20).U32(0, tow).U16(12, d.year()).U8(14, d.month()).U8(15, d.day())
                                            .U8(16, c.hour()).U8(17, c.minute()).U8(18, s).U8(19, 0x07)
                                            .Frame(1, 0x21));
    else if (name == "STATUS")
        emit w.gpsPortThread.newGpsText(UbxPayload(16).U32(0, tow).U8(4, 3).Frame(1, 0x03));
    else  // "Ha" or "Hb"
        emit w.gpsPortThread.newGpsText(MotorolaMessage(name.constData()).DateTime(d.year(), d.month(), d.day(), c.hour(), c.minute(), s));
}

// The second of the minute of each record in a log, in file order.
inline QString RecordSeconds(const QByteArray& log, int type)
{
    QList<int> seconds;
    if (type == LogFileNames::GpsLogBinary) {
        for (qsizetype at = 0; at + 6 < log.size(); ++at) {
            const QByteArray head = log.mid(at, 4);
            if (head == "@@Ha" || head == "@@Hb")
                seconds << int(uint8_t(log.at(at + 10)));
            else if (head == QByteArray("\xB5\x62\x01\x21", 4))
                seconds << int(uint8_t(log.at(at + 24)));
            else if (head == QByteArray("\xB5\x62\x01\x03", 4))
                seconds << int(qFromLittleEndian<uint32_t>(log.constData() + at + 6) / 1000 % 60);
        }
    }
    for (const QByteArray& line : type == LogFileNames::GpsLogBinary ? QList<QByteArray>() : DataLines(log)) {
        if (type == LogFileNames::GpsLogRaw)
            seconds << line.mid(17, 2).toInt();  // 2024-12-31,23:59:58,
        else if (type == LogFileNames::GpsLogNmea)
            seconds << line.mid(11, 2).toInt();  // $GPGGA,235958.00,
        else if (!line.startsWith("hours,"))
            seconds << line.mid(6, 2).toInt();   // 23,59,58.00,
    }
    QStringList texts;
    for (int s : seconds)
        texts << QString::number(s);
    return texts.join(' ');
}

// The log types by their GpsLogType number, for the rows' names.
inline const char* const kTypeNames[] = {"RAW", "BINARY", "PVT", "NMEA"};
