#include "logtexts.h"

#include "gpsportdialog.h"
#include "gpsserialportthread.h"
#include "logfilenames.h"
#include "receiverinfo.h"

#include <QLocale>

namespace LogTexts {

namespace {

const QString kOverflowLine = QStringLiteral("*** Configuration buffer overflow before log opened ***\n");

// The column line of a PVT log fed by an NMEA receiver's fix data: one name for each
// field of its records, whose time takes three ("hh,mm,ss.ss").
constexpr const char* kNmeaPvtColumns =
    "hours,minutes,seconds,lat_deg,lat_min,lat_dir,long_deg,long_min,long_dir,quality,no_tracked,HDOP,"
    "height_msl,height_units,geoid_sep,geoid_sep_units,DGPS_age,DGPS_Ref_Stn_id\n";

bool NmeaPortMode(int mode)
{
    return mode == GpsPortModeMotorolaNmea || mode == GpsPortModeGenericNmea || mode == GpsPortModeUbloxNmea;
}

QByteArray HeaderLine(const QString& text)
{
    return "; " + text.toUtf8() + '\n';
}

QByteArray Trailer(const char* what, const QDateTime& utc)
{
    return QByteArray("; Closed ") + what + ' ' + LogTimeText(utc).toLatin1() + " UTC\n; \n";
}

}  // namespace

QString LogTimeText(const QDateTime& utc)
{
    return QLocale::c().toString(utc.toUTC(), QStringLiteral("dd-MMM-yyyy HH:mm:ss"));
}

QByteArray LogLines(const QString& text)
{
    QString lines = text;
    lines.remove(QLatin1Char('\r'));
    while (lines.endsWith(QLatin1Char('\n')))
        lines.chop(1);
    if (lines.isEmpty())
        return QByteArray();
    return lines.toUtf8() + '\n';
}

QString BlankControls(QString text)
{
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control && c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            c = QLatin1Char(' ');
    }
    return text;
}

void BufferConfigurationText(QString& buffer, const QString& lines)
{
    if (lines.isEmpty() || buffer.endsWith(kOverflowLine))
        return;
    if (buffer.size() + lines.size() > kConfigurationBufferLimit)
        buffer += kOverflowLine;
    else
        buffer += lines;
}

QByteArray BinaryRecord(const QByteArray& msg)
{
    char sum = 0;
    for (qsizetype i = 2; i < msg.size(); ++i)
        sum ^= msg.at(i);
    return msg + sum + "\r\n";
}

bool IsRinexMessage(const QByteArray& msg)
{
    static const char* const kIds[] = {"@@Ha", "@@Ea", "@@Ba", "@@Bg", "@@Eg", "@@Bf", "@@Bo"};
    for (const char* id : kIds) {
        if (msg.startsWith(id))
            return true;
    }
    return false;
}

QByteArray GpsLogHeader(const GpsHeader& h)
{
    QByteArray text = HeaderLine(QStringLiteral("Horalux GPS Data Log"));
    text += HeaderLine(QStringLiteral("Version ") + h.version);
    text += HeaderLine(QStringLiteral("Opened ") + LogTimeText(h.openedUtc) + QStringLiteral(" UTC"));
    return text + GpsReceiverLines(h);
}

QByteArray GpsReceiverLines(const GpsHeader& h)
{
    QByteArray text = HeaderLine(QStringLiteral("Log type: ") + LogFileNames::GpsLogTypeName(h.logType));
    text += HeaderLine(QStringLiteral("Receiver: ") + ReceiverModelName(h.receiverModel) + QStringLiteral(", ") +
                       GpsPortDialog::ModeText(h.portMode));
    text += HeaderLine(QStringLiteral("GPS-UTC offset: %1 s").arg(h.utcOffsetSecs));
    text += HeaderLine(QStringLiteral("Reference location: ") + h.referenceLocation);
    text += ";\n";
    if (h.logType == LogFileNames::GpsLogPvt && NmeaPortMode(h.portMode))
        text += kNmeaPvtColumns;
    return text;
}

QByteArray TicLogHeader(const TicHeader& h)
{
    QString title = QStringLiteral("Horalux TIC Data Log, ");
    QString columns;
    switch (h.kind) {
    case 'A':
        title += QStringLiteral("averages");
        columns = QStringLiteral("port, time tag, mean, sd, min, max, count (us)");
        break;
    case 'T':
        title += QStringLiteral("time intervals");
        columns = QStringLiteral("port, time tag, corrected, raw (us)");
        break;
    default:
        title += QStringLiteral("combined");
        columns = QStringLiteral("time tag, configuration text; time interval and average lines of every port");
        break;
    }
    QByteArray text = HeaderLine(title);
    text += HeaderLine(QStringLiteral("Version ") + h.version);
    text += HeaderLine(QStringLiteral("Opened ") + LogTimeText(h.openedUtc) + QStringLiteral(" UTC"));
    if (h.kind != 'C')
        text += HeaderLine(QStringLiteral("Port: TIC%1, %2").arg(h.port).arg(h.portName));
    text += HeaderLine(QStringLiteral("Time tag: ") + TimeTagFormatName(h.timeTagFormat));
    text += HeaderLine(QStringLiteral("Columns: ") + columns);
    text += ";\n";
    return text;
}

QString GapText(int records, const QDateTime& fromUtc, const QDateTime& toUtc, const QString& reason)
{
    return QStringLiteral("%1 records not written from %2 UTC to %3 UTC: %4")
        .arg(records)
        .arg(LogTimeText(fromUtc), LogTimeText(toUtc), reason);
}

QString NotWrittenNote(const QStringList& gpsProblems, const QStringList& ticProblems)
{
    QStringList heads;
    if (!gpsProblems.isEmpty())
        heads << QStringLiteral("GPS log not written: ") + gpsProblems.join(QStringLiteral(", "));
    if (!ticProblems.isEmpty())
        heads << QStringLiteral("TIC log not written: ") + ticProblems.join(QStringLiteral(", "));
    return heads.join(QStringLiteral("; "));
}

QByteArray GpsLogTrailer(const QDateTime& utc)
{
    return Trailer("GPS Data Log", utc);
}

QByteArray TicLogTrailer(const QDateTime& utc)
{
    return Trailer("TIC Data Logs", utc);
}

namespace {

// The record's time in format, a leap second named 60 as the receiver names it.
QString StampText(const StatusValues& v, const QString& format)
{
    QString text = v.utc.toUTC().toString(format);
    const qsizetype at = format.indexOf(QLatin1String("ss"));
    if (v.bLeapSecond && at >= 0)
        text.replace(at, 2, QStringLiteral("60"));
    return text;
}

}  // namespace

QString RawStatusRecord(const StatusValues& v)
{
    return StampText(v, QStringLiteral("yyyy-MM-dd,HH:mm:ss,")) + v.nmeaPosition +
           QString::asprintf(",%d,%d,%d,%d,", v.navMode, v.fixStatus, v.satellitesUsed, v.bLocked ? 1 : 0) +
           (v.pcClockOffsetMs ? QString::number(*v.pcClockOffsetMs) : QString());
}

QByteArray GgaStatusSentence(const StatusValues& v)
{
    const int quality = v.fixStatus == 2 ? 1 : v.fixStatus == 3 ? 2 : 0;
    const QByteArray hdop = v.hdop > 0.0 ? QByteArray::number(v.hdop, 'f', 1) : QByteArray();
    QByteArray sentence = "$GPGGA," + StampText(v, QStringLiteral("HHmmss.00")).toLatin1() + ',' +
                          v.nmeaPosition.toLatin1() + ',' + QByteArray::number(quality) + ',' +
                          QByteArray::number(qBound(0, v.satellitesUsed, 99)).rightJustified(2, '0') + ',' +
                          hdop + ',' + QByteArray::number(v.altitudeMsl, 'f', 1) + ",M," +
                          QByteArray::number(v.geoidSeparation, 'f', 1) + ",M,,";
    GpsSerialPortThread::AppendNmeaChecksum(sentence);
    return sentence;
}

QString ReceiverModelName(int model)
{
    switch (model) {
    case 1: return QStringLiteral("GT");
    case 2: return QStringLiteral("GT+");
    case 3: return QStringLiteral("M12");
    case 4: return QStringLiteral("M12+");
    case 5: return QStringLiteral("M12M");
    case 6: return QStringLiteral("PVT6");
    case 7: return QStringLiteral("SL");
    case 8: return QStringLiteral("UT");
    case 9: return QStringLiteral("UT+");
    case 10: return QStringLiteral("VP");
    case 11: return QStringLiteral("XT");
    case 17: return QStringLiteral("CNXT/NVMN");
    case 18: return QStringLiteral("SIGNAV");
    case 20: return QStringLiteral("TX Oncore");
    case 21: return QStringLiteral("SSR-6Tf");
    case 22: return QStringLiteral("SSR-6Tr");
    case 23: return QStringLiteral("SSR-M8F");
    case 24: return QStringLiteral("SSR-M8T");
    default: return QStringLiteral("UNKNOWN");
    }
}

QString TimeTagFormatName(int format)
{
    switch (format) {
    case 0: return QStringLiteral("year and day of year with fraction");
    case 1: return QStringLiteral("MJD with fraction");
    case 2: return QStringLiteral("days since 1900 with fraction");
    default: return QStringLiteral("none");
    }
}

QByteArray Printable(QByteArrayView bytes)
{
    QByteArray text(bytes.data(), bytes.size());
    for (char& c : text) {
        if (!IsPrintableAscii(static_cast<unsigned char>(c)))
            c = '?';
    }
    return text;
}

}  // namespace LogTexts
