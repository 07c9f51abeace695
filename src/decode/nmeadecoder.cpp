// The NMEA sentence decoder: recognition, duplicate filters, the log hand-over every
// sentence ends with, and the time sentences.

#include "mainwindow.h"

#include "gpslogtypedialog.h"
#include "gpsnavdialog.h"
#include "gpsrxdialog.h"
#include "nmeafields.h"

#include <QDebug>

namespace {

constexpr int kPvtLogType = 2;

// True for an exact repeat of the last accepted sentence of the filter's id; any
// other sentence becomes the new last one.
bool IsRepeat(QString& filter, const QByteArray& sentence)
{
    const QString text = QString::fromLatin1(sentence);
    if (text == filter)
        return true;
    filter = text;
    return false;
}

// The fields of a sentence: what follows its id and the comma after it.
QByteArray Body(const QByteArray& fields)
{
    return fields.mid(7);
}

bool ReceiverOnLocalTime(const GpsRxDialog* dialog)
{
    return dialog && dialog->bRxOnLocalTime;
}

}  // namespace

bool MainWindow::DecodeNmeaSentence(const QByteArray& sentence)
{
    // The duplicate filter of a Garmin sentence; none for any other id.
    const auto GarminFilter = [this](const QByteArray& id) -> QString* {
        if (id == "$PGRMT")
            return &lastPgrmtSentence;
        if (id == "$PGRMI")
            return &lastPgrmiSentence;
        if (id == "$PGRMC")
            return &lastPgrmcSentence;
        return id == "$PGRMO" ? &lastPgrmoSentence : nullptr;
    };
    // The checksum was checked when the sentence was framed; left on, it would end up
    // in the last field.
    const QByteArray fields = Nmea::WithoutChecksum(sentence);
    const QByteArray id = sentence.left(6);
    QString pvtLogText;
    QString configurationText;  // written by the proprietary sentences
    bool result = false;
    gpsRecordUtc = QDateTime();

    if (id == "$GPZDA") {
        if (IsRepeat(lastZdaSentence, sentence))
            return true;
        result = DecodeNmeaZda(Body(fields));
    } else if (id == "$GPGGA") {
        result = DecodeNmeaGga(Body(fields), &pvtLogText);
    } else if (id == "$GPGSA") {
        if (IsRepeat(lastGsaSentence, sentence))
            return true;
        result = DecodeNmeaGsa(fields);
    } else if (id == "$GPGSV") {
        if (IsRepeat(lastGsvSentence, sentence))
            return true;
        result = DecodeNmeaGsv(fields);
    } else if (id == "$GPGLL") {
        if (IsRepeat(lastGllSentence, sentence))
            return true;
        result = true;  // recognised, nothing in it that the program uses
    } else if (id == "$GPRMC") {
        if (IsRepeat(lastRmcSentence, sentence))
            return true;
        bool bSkipTail = false;
        result = DecodeNmeaRmc(Body(fields), &bSkipTail);
        if (bSkipTail)
            return result;
    } else if (id == "$GPVTG") {
        if (IsRepeat(lastVtgSentence, sentence))
            return true;
        result = true;
    } else if (QString* filter = GarminFilter(id)) {
        if (IsRepeat(*filter, sentence))
            return true;
        DecodeNmeaGarmin(id.at(5), Body(fields), &configurationText);
        result = true;
    } else if (id == "$PMOTG") {
        bAnswerReceived[AnswerPmotg] = true;  // the receiver answered a Motorola probe
        result = true;
    } else if (id == "$GPALM") {
        bAnswerReceived[AnswerGpalm] = true;  // the almanac a Garmin probe asked for
        result = true;
    }

    if (gpsLogTypeDialog && gpsLogTypeDialog->gpsLogType == kPvtLogType)
        WriteGpsLogText(pvtLogText);
    LogConfigurationText(configurationText);
    return result;
}

bool MainWindow::DecodeNmeaZda(QByteArray body)
{
    const Nmea::Time time =
        receiverRate.Take(Nmea::ReadTime(TakeFirstField(body, "000000.00")), gpsPortThread.ArrivalMs());
    bool valid = time.IsValid();
    // Every field is taken and checked, also after one has failed.
    const auto readInt = [&body](int* value, const char* defaultValue = "0") {
        return Nmea::Scanner(TakeFirstField(body, defaultValue)).Int(value);
    };
    int day = 0;
    int month = 0;
    int year = 0;
    int zone = 0;
    // Only the year is judged with the date, below: a day or month out of its range
    // makes no time message, as an empty one from a receiver with no time yet.
    valid = readInt(&day) && day >= 1 && day <= 31 && valid;
    valid = readInt(&month) && month >= 1 && month <= 12 && valid;
    valid = readInt(&year) && year >= 0 && valid;
    // The local zone is only checked: the time is read as UTC or as the PC's local time.
    valid = readInt(&zone) && valid;
    valid = readInt(&zone) && valid;
    if (!valid)
        return false;

    QDateTime utc;
    const Nmea::ReceivedDate received =
        Nmea::ReceiverUtc(year, month, day, time, ReceiverOnLocalTime(gpsRxDialog), &utc);
    if (received != Nmea::ReceivedDate::Instant)
        qDebug("WARNING: Illegal date or time decoding GPZDA.");
    TakeReceiverTime(received, utc, time, AwaitingZda, true, Nmea::DateText(year, month, day));
    return true;
}

bool MainWindow::DecodeNmeaRmc(QByteArray body, bool* bSkipTail)
{
    const Nmea::Time time =
        receiverRate.Take(Nmea::ReadTime(TakeFirstField(body, "000000.00")), gpsPortThread.ArrivalMs());
    bool valid = time.IsValid();
    if (TakeFirstField(body, "V") != "A") {
        *bSkipTail = true;  // no valid fix: nothing in it is used
        return true;
    }

    // The position is checked here but only the fix data sentence passes it on.
    const Nmea::Coordinate latitude = Nmea::ReadLatitude(TakeFirstField(body, "0000.0000"));
    const int latitudeSign = Nmea::HemisphereSign(TakeFirstField(body, QByteArray()), 'N', 'S');
    const Nmea::Coordinate longitude = Nmea::ReadLongitude(TakeFirstField(body, "00000.0000"));
    const int longitudeSign = Nmea::HemisphereSign(TakeFirstField(body, QByteArray()), 'E', 'W');
    valid = valid && latitude.bRead && latitudeSign != 0 && longitude.bRead && longitudeSign != 0;

    // Speed and course are handed over as soon as they are read.
    double number = 0.0;
    const QByteArray speed = TakeFirstField(body, "0.0");
    if (!Nmea::Scanner(speed).Double(&number))
        valid = false;
    else if (gpsNavDialog)
        gpsNavDialog->SetSpeed(Nmea::FieldToDouble(speed));
    const QByteArray course = TakeFirstField(body, "0.0");
    if (!Nmea::Scanner(course).Double(&number))
        valid = false;
    else if (gpsNavDialog)
        gpsNavDialog->SetHeading(Nmea::FieldToDouble(course));

    int day = 0;
    int month = 0;
    int year = 0;
    const QByteArray dateField = TakeFirstField(body, "010100");
    Nmea::Scanner date(dateField);
    const bool dateInRange = date.Int(&day, 2) && date.Int(&month, 2) && date.Int(&year, 2) &&
                             day >= 1 && day <= 31 && month >= 1 && month <= 12;
    if (!valid || !dateInRange)
        return false;

    // A ZDA sentence of the second the tick marks has already given the time. Without a
    // tick the second a ZDA took is its own (TakeReceiverTime knows it): an RMC of
    // another second starts a new one, which no ZDA gave.
    if (bZdaTimeThisSecond && bPpsAwaitingTime[AwaitingRmc])
        return true;
    QDateTime utc;
    const Nmea::ReceivedDate received =
        Nmea::ReceiverUtc(Nmea::FullYear(year), month, day, time, ReceiverOnLocalTime(gpsRxDialog), &utc);
    TakeReceiverTime(received, utc, time, AwaitingRmc, true);
    return true;
}
