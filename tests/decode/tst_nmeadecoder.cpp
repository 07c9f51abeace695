// The NMEA decoder: recognition of sentences, the duplicate filters, damaged sentences,
// the field rules, the time sentences with the per-second flags, the fix data with its
// PVT log line, the fix mode and DOPs, the satellites in view, and the Garmin sentences
// and probe answers (texts for the identification window and the configuration log).

#include "decodetests.h"
#include "gpslogtypedialog.h"
#include "gpsrxdialog.h"
#include "nmeafields.h"
#include "ui_mainwindow.h"

#include <QLoggingCategory>
#include <QTemporaryDir>

namespace {

// One of every sentence the decoder reads, as real receivers send them.
const char* const kSamples[] = {
    "$GPZDA,113258.00,18,10,2022,00,00",
    "$GPRMC,113258,A,3238.9148,N,10822.4466,W,005.3,247.1,181022,009.3,E",
    "$GPGGA,113258,3238.9148,N,10822.4466,W,2,08,1.1,1577.4,M,-24.6,M,,",
    "$GPGSA,A,3,02,05,11,12,18,20,25,29,,,,,1.4,1.1,0.9",
    "$GPGSV,3,1,11,02,60,319,36,05,77,132,38,11,29,052,29,12,46,186,46",
    "$GPGLL,5155.55442,N,00434.65873,E,083723.00,A,A",
    "$GPVTG,,T,,M,0.211,N,0.391,K,A",
};

const QByteArray kMunich = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,";
const QByteArray kGroupStart = "$GPGSV,3,1,11,03,03,111,00,04,15,270,00,06,01,010,00,13,06,292,00";
const QByteArray kGroupEnd = "$GPGSV,3,3,11,22,42,067,42,24,14,311,43,27,05,244,00";

// Munich's fix data with one field replaced: fields count from 1 after the id.
QByteArray Munich(int field, const char* value)
{
    QList<QByteArray> fields = kMunich.split(',');
    fields[field] = value;
    return Sentence(fields.join(','));
}

// What one sentence left behind: the window's text (its separator dropped), the
// configuration log and the three answer flags of the probes.
QString Effects(const MainWindow& w)
{
    QString window = w.gpsRxIdDialog->rxIdText;
    window.remove(w.gpsRxIdDialog->rxIdSeparator);
    return window + QStringLiteral("|") + w.configurationBuffer +
           QString::asprintf("|%d%d%d", w.bAnswerReceived[MainWindow::AnswerPgrm],
                             w.bAnswerReceived[MainWindow::AnswerGpalm], w.bAnswerReceived[MainWindow::AnswerPmotg]);
}

}  // namespace

class TestNmeaDecoder : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        w = NewDecodingWindow(GpsPortModeGenericNmea);
        w->gpsLogFile.setFileName(logDir.filePath(QStringLiteral("pvt.csv")));
        QVERIFY(w->gpsLogFile.open(QIODevice::WriteOnly | QIODevice::Truncate));
        w->gpsLogTypeDialog->gpsLogType = 2;
        std::fill(std::begin(w->bAnswerReceived), std::end(w->bAnswerReceived), false);
    }
    void cleanup()
    {
        w.reset();
        SetTimeZone("UTC");
    }

    // Sentences are taken with or without their checksum (the framer hands those on as
    // they came). A filter holds the last accepted sentence of its id as received: a
    // repeat is taken and not decoded, a sentence differing in one character is new.
    void recognitionAndDuplicateFilters()
    {
        for (const char* text : kSamples)
            QVERIFY2(w->DecodeNmeaSentence(Sentence(text)) && w->DecodeNmeaSentence(text), text);
        for (const char* text : {"$", "$GPZD", "$GPTXT,01,01,02,u-blox ag - www.u-blox.com*50",
                                 "$GNGGA,113258,3238.9148,N,10822.4466,W,2,08,1.1,1577.4,M,-24.6,M,,*53",
                                 "$gpzda,113258.00,18,10,2022,00,00", ""})
            QVERIFY2(!w->DecodeNmeaSentence(text), text);
        const QByteArray rmc = Sentence(kSamples[1]);
        QVERIFY(w->DecodeNmeaSentence(rmc));
        w->gpsNavDialog->SetSpeed(0.0);
        QVERIFY(w->DecodeNmeaSentence(rmc));
        QCOMPARE(w->gpsNavDialog->GetSpeed(), 0.0);
        QVERIFY(w->DecodeNmeaSentence(Sentence(QByteArray(kSamples[1]).replace("005.3", "005.4"))));
        QCOMPARE(w->gpsNavDialog->GetSpeed(), 5.4);
        QVERIFY(w->DecodeNmeaSentence(rmc));
        QCOMPARE(w->gpsNavDialog->GetSpeed(), 5.3);
        QCOMPARE(w->lastGllSentence + w->lastVtgSentence, QString::fromLatin1(kSamples[5]) + kSamples[6]);
    }

    // Every cut of every sentence decodes without harm: whatever is read stays inside
    // its tables.
    void damagedSentencesAreHarmless()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
        for (int mode : {GpsPortModeGenericNmea, GpsPortModeUbloxNmea}) {
            receiverInfo.gpsPortMode = mode;
            for (const char* text : kSamples) {
                const QByteArray whole = Sentence(text);
                for (qsizetype n = 0; n <= whole.size(); ++n)
                    w->DecodeNmeaSentence(ExactBuffer(whole.left(n)).Bytes());
            }
        }
        QLoggingCategory::setFilterRules(QString());
        for (const SatelliteRecord& sat : w->satellites)
            QVERIFY(sat.prn >= 0 && sat.prn <= 255 && (&sat - w->satellites < 16 || sat.prn == 0));
        QCOMPARE(w->receiverTime.dateTime.timeSpec(), Qt::UTC);
        QVERIFY(w->receiverTime.dateTime.isValid() && qAbs(w->gpsNavDialog->currentLat) <= 90.0);
    }

    // Numbers are read like the sscanf conversions, but an int out of range or a
    // number that is not finite counts as not read.
    void fieldRules()
    {
        int a = 0;
        double c = 7.0;
        QVERIFY(Nmea::Scanner("-5x").Int(&a, 2) && a == -5);  // the sign counts towards the width
        QVERIFY(!Nmea::Scanner("-").Int(&a, 2) && !Nmea::Scanner("2147483648").Int(&a));
        for (const char* text : {"nan", "inf", "-inf", "1e999", "", ".", "e5"})
            QVERIFY2(!Nmea::Scanner(text).Double(&c) && c == 7.0, text);
        QVERIFY(Nmea::ReadLatitude("9000.000").bRead && !Nmea::ReadLatitude("8960.001").bRead);
        QVERIFY(!Nmea::ReadLongitude("18000.001").bRead);
        QCOMPARE(Nmea::HemisphereSign("n", 'N', 'S') + Nmea::HemisphereSign("NS", 'N', 'S'), 0);
    }

    // The receiver time a time sentence leaves ("" unchanged, "none" unchanged and not
    // refreshed, for a date no calendar has, "+1" the held time moved on by the second
    // that a date out of range still marks), from 2020-05-01 10:00:00 set 2.5 s ago and
    // a speed of 1 knot; a zone: a receiver on local time, and the PC's zone.
    void timeSentences_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("bTaken");
        QTest::addColumn<QString>("time");
        QTest::addColumn<double>("speed");  // -1: not looked at
        QTest::addColumn<QByteArray>("zone");
        const auto row = [](const char* legend, const char* text, bool bTaken, const char* time, double speed = -1,
                            const char* zone = "") {
            QTest::newRow(legend) << QByteArray(text) << bTaken << QString(time) << speed << QByteArray(zone);
        };
        const auto zda = [&](const char* legend, const char* fields, bool bTaken, const char* time, const char* z = "") {
            row(legend, qPrintable(QStringLiteral("$GPZDA,") + fields), bTaken, time, -1, z);
        };
        const auto rmc = [&](const char* legend, const char* date, const char* time) {
            row(legend, qPrintable(QStringLiteral("$GPRMC,081500.00,A,5155.55442,N,00434.65873,E,0.211,,%1,,,A").arg(date)),
                true, time);
        };
        zda("ZDA", "123456.00,05,03,1990,00,00", true, "1990-03-05T12:34:57Z");
        zda("ZDA 60 carries into a new year, empty zone", "235959.96,31,12,2021,,", true, "2022-01-01T00:00:01Z");
        zda("ZDA .6 names the next second", "235959.60,31,12,2021,00,00", true, "2022-01-01T00:00:01Z");
        zda("ZDA .999 names the next second", "123456.999,05,03,1990,00,00", true, "1990-03-05T12:34:58Z");
        zda("ZDA .001 names its own second", "123457.001,05,03,1990,00,00", true, "1990-03-05T12:34:58Z");
        zda("ZDA .94 names the next second", "123456.94,05,03,1990,00,00", true, "1990-03-05T12:34:58Z");
        zda("ZDA year 89", "120000.00,05,03,0089,00,00", true, "+1");
        zda("ZDA 31 February", "120000.00,31,02,2021,00,00", true, "none");
        zda("ZDA huge year", "120000.00,01,01,2147483647,00,00", true, "none");
        zda("ZDA hour 24", "243000.00,05,03,1990,00,00", false, "");
        zda("ZDA second 60, no leap second", "235960.40,31,12,2016,00,00", false, "");
        zda("ZDA second 61", "123461.00,05,03,1990,00,00", false, "");
        zda("ZDA zone ab", "123456.00,05,03,1990,00,ab", false, "");
        zda("ZDA day 32", "123456.00,32,03,1990,00,00", false, "");
        zda("ZDA month 0", "123456.00,05,00,1990,00,00", false, "");
        zda("ZDA empty day and month", "123456.00,,,1990,00,00", false, "");
        zda("ZDA year -1", "123456.00,05,03,-1,00,00", false, "");
        zda("ZDA no fields", "", false, "");
        zda("ZDA local", "120000.00,15,01,2021,01,00", true, "2021-01-15T11:00:01Z", "CET-1");
        row("RMC status V", "$GPRMC,113300,V,3238.9141,N,10822.4498,W,009.9,245.0,181022,,", true, "", 1.0);
        rmc("RMC 1980", "010180", "1980-01-01T08:15:01Z");
        rmc("RMC 2079", "311279", "2079-12-31T08:15:01Z");
        rmc("RMC 30 February", "300222", "none");
        row("RMC speed 12.5x is 0", "$GPRMC,120000,A,4807.038,N,01131.000,E,12.5x,084.4,230394,003.1,W", true,
            "1994-03-23T12:00:01Z", 0.0);
        row("RMC bad latitude, speed counts", "$GPRMC,120001,A,9100.000,N,01131.000,E,022.4,184.4,230394,003.1,W",
            false, "", 22.4);
        row("RMC empty date", "$GPRMC,120002,A,4807.038,N,01131.000,E,022.4,184.4,,,", true, "2000-01-01T12:00:03Z");
        row("RMC second 60", "$GPRMC,214360.00,A,4807.038,N,01131.000,E,022.4,184.4,230394,,", false, "");
        row("RMC short date", "$GPRMC,120003,A,4807.038,N,01131.000,E,022.4,184.4,0101,,", false, "");
        row("RMC local", "$GPRMC,003000,A,4807.038,N,01131.000,E,0.0,0.0,010121,,", true, "2020-12-31T23:30:01Z", -1,
            "CET-1");
    }
    void timeSentences()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, bTaken);
        QFETCH(QString, time);
        QFETCH(double, speed);
        QFETCH(QByteArray, zone);
        if (!zone.isEmpty()) {
            SetTimeZone(zone.constData());
            w->gpsRxDialog->bRxOnLocalTime = true;
        }
        const QDateTime before(QDate(2020, 5, 1), QTime(10, 0), Qt::UTC);
        w->receiverTime.SetDateTime(before);
        w->receiverTime.setAtSteadyMs -= 2500;
        w->gpsNavDialog->SetSpeed(1.0);
        if ((time == QLatin1String("none") || time == QLatin1String("+1")) && text.startsWith("$GPZDA"))
            QTest::ignoreMessage(QtDebugMsg, "WARNING: Illegal date or time decoding GPZDA.");
        if (time == QLatin1String("+1"))
            time = before.addSecs(1).toString(Qt::ISODate);
        QCOMPARE(w->DecodeNmeaSentence(Sentence(text)), bTaken);
        const QDateTime after = w->receiverTime.dateTime;
        QCOMPARE(after.timeSpec(), Qt::UTC);
        if (time.isEmpty() || time == QLatin1String("none")) {
            QCOMPARE(after, before);
            QVERIFY(!w->ReceiverTimeFresh() && !w->bZdaTimeThisSecond && !w->bTimeMessageSeen);
        } else {
            QVERIFY(w->ReceiverTimeFresh());
            QCOMPARE(after.toString(Qt::ISODate), time);
            // With no tick waiting, the sentence refreshed the clock with its own time.
            QCOMPARE(w->displayTime.dateTime, after.addSecs(-1));
            QVERIFY(w->bTimeMessageSeen && w->bZdaTimeThisSecond == text.startsWith("$GPZDA") && !w->bPpsAwaitingTime[0]);
        }
        if (speed >= 0)
            QCOMPARE(w->gpsNavDialog->GetSpeed(), speed);
    }

    // After a tick, a ZDA sets the time but leaves the clock and the status record to
    // the tick; RMC then gives only speed and course, until the next tick.
    void zdaAndRmcInTheSameSecond()
    {
        std::fill(std::begin(w->bPpsAwaitingTime), std::end(w->bPpsAwaitingTime), true);
        const QDateTime shown = w->displayTime.dateTime;
        QVERIFY(w->DecodeNmeaSentence(Sentence(kSamples[0])));
        QVERIFY(w->DecodeNmeaSentence(Sentence("$GPRMC,113259,A,3238.9148,N,10822.4466,W,005.3,247.1,181022,009.3,E")));
        QCOMPARE(w->displayTime.dateTime, shown);
        QCOMPARE(Flags(), "2022-10-18T11:32:59Z 001 0 1 5.3/247.1");
        w->OnClockTick();
        QVERIFY(w->DecodeNmeaSentence(Sentence("$GPRMC,113300,A,3238.9141,N,10822.4498,W,005.0,245.0,181022,009.3,E")));
        QCOMPARE(Flags(), "2022-10-18T11:33:01Z 010 0 0 5/245");
    }

    // Fix data from a fix status of -1 and a differential state of 2: position, "fix
    // used differential", and the PVT line. The differential state follows every valid
    // sentence, both ways: with the checksum left in the last field it could never fall back.
    void fixData_data()
    {
        QTest::addColumn<QByteArray>("sentence");
        QTest::addColumn<int>("model");  // with its firmware in tenths; 0: generic, -1: u-blox
        QTest::addColumn<bool>("bOk");
        QTest::addColumn<QString>("position");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QByteArray>("log");  // empty: not looked at; "-": nobody looks, so none
        const QString munich = "48.117300 11.516667 592.300000 545.400000";
        const QString none = "0.000000 0.000000 0.000000 0.000000";
        const auto row = [](const char* legend, const QByteArray& sentence, int model, bool bOk,
                            const QString& position, const char* state, const char* log = "") {
            QTest::newRow(legend) << sentence << model << bOk << position << QString(state) << QByteArray(log);
        };
        row("Munich", Sentence(kMunich), 0, true, munich, "2 8 0",
            "12,35,19.00,48,7.038000,N,11,31.000000,E,1,08,0.9,545.4,M,46.9,M,,");
        row("nobody looks", Sentence(kMunich), 0, true, munich, "2 8 0", "-");
        row("VP 6.5", Sentence(kMunich), 10065, true, "48.117300 11.516667 545.400000 498.500000", "2 8 0");
        row("VP 8.0", Sentence(kMunich), 10080, true, "48.117300 11.516667 498.500000 545.400000", "2 8 0");
        row("model 11 9.1", Sentence(kMunich), 11091, true, munich, "2 8 0");
        row("differential", Sentence(kSamples[2]), 0, true, "32.648580 -108.374110 1552.800000 1577.400000", "3 8 2");
        row("differential fields, not differential",
            Sentence("$GPGGA,113259,3238.9145,S,10822.4482,E,1,08,1.1,1577.9,M,-24.6,M,2.0,0031"), 0, true,
            "-32.648575 108.374137 1553.300000 1577.900000", "2 8 0");
        row("three satellites", Munich(7, "03"), 0, true, munich, "1 3 0");
        row("three satellites, u-blox", Munich(7, "03"), -1, true, munich, "2 3 0");
        // A bad latitude: no position and no coordinates in the line; fix status and
        // satellites still set, the differential state kept.
        row("bad latitude", Munich(2, "9100.000"), 0, false, none, "2 8 2", "12,35,19.00,");
        row("no fix, empty hemispheres", Sentence("$GPGGA,123519,,,,,0,00,,,M,,M,,"), 0, false, none, "0 0 2");
        row("no satellites field", Munich(7, ""), 0, false, none, "-1 -1 2");
        row("bad differential field", Munich(13, "x"), 0, false, munich, "2 8 2");
        row("heights in feet", Sentence("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,F,46.9,f,,"), 0, true,
            "48.117300 11.516667 0.000000 0.000000", "2 8 0");
        row("empty separation", Munich(11, ""), 0, true, "48.117300 11.516667 545.400000 545.400000", "2 8 0");
        for (const char* separation : {"x", "nan", "1e999"})
            row(separation, Munich(11, separation), 0, false, none, "2 8 2");
    }
    void fixData()
    {
        QFETCH(QByteArray, sentence);
        QFETCH(int, model);
        QFETCH(bool, bOk);
        QFETCH(QString, position);
        QFETCH(QString, state);
        QFETCH(QByteArray, log);
        if (model < 0)
            receiverInfo.gpsPortMode = GpsPortModeUbloxNmea;
        receiverInfo.receiverModel = model > 0 ? model / 1000 : receiverInfo.receiverModel;
        receiverInfo.firmwareVersion = model > 0 ? model % 1000 / 10.0 : receiverInfo.firmwareVersion;
        if (sentence.contains(",F,")) {
            QTest::ignoreMessage(QtDebugMsg, "NMEA fAltitude_msl not in Meters");
            QTest::ignoreMessage(QtDebugMsg, "NMEA fGeoid_separation not in Meters");
        }
        w->bGpsRawDataVisible = w->bLogThisSecond = log != "-";
        w->gpsNavDialog->SetFixStatus(-1);
        w->dgpsState = 2;
        QCOMPARE(w->DecodeNmeaSentence(sentence), bOk);
        double lat = 0.0, lon = 0.0, altGps = 0.0, altMsl = 0.0;
        w->gpsNavDialog->GetCurrentPosition(&lat, &lon, &altGps, &altMsl);
        QCOMPARE(QString::asprintf("%.6f %.6f %.6f %.6f", lat, lon, altGps, altMsl), position);
        QCOMPARE(QString::asprintf("%d %d %d", w->gpsNavDialog->GetFixStatus(), w->gpsNavDialog->GetSatellitesUsed(),
                                   w->dgpsState),
                 state);
        w->gpsLogFile.flush();
        QFile file(w->gpsLogFile.fileName());
        if (!log.isEmpty() && file.open(QIODevice::ReadOnly))
            QCOMPARE(file.readAll().trimmed(), log == "-" ? QByteArray() : log);
    }

    // Status text, then nav mode: GDOP PDOP HDOP VDOP TDOP. A repeat changes nothing, a
    // missing VDOP reads as 0, three-digit satellite numbers read like the others, and
    // too few fields or one that is no number change nothing.
    void fixModeAndDops()
    {
        w->gpsNavDialog->gdop = 7.0;
        w->gpsNavDialog->tdop = 8.0;
        const char* const rows[][2] = {
            {"$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1", "3-D Fix (A) 3: 7 2.5 1.3 2.1 8"},
            {"$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1", "3-D Fix (A) 3: 7 9 1.3 2.1 8"},
            {"$GPGSA,A,3,193,120,,,,,,,,,,,2.6,1.4,", "3-D Fix (A) 3: 7 2.6 1.4 0 8"},
            {"$GPGSA,M,2,04,05,09,,,,,,,,,,3.5,3.3,3.1", "2-D Fix (M) 2: 7 2.6 1.4 0 8"},
            {"$GPGSA,A,1,,,,,,,,,,,,,,,", "No Fix 1: 7 2.6 1.4 0 8"},
            {"$GPGSA,A,3,04", nullptr}, {"$GPGSA", nullptr}, {"$GPGSA,A,3,04,05,09,12,24,,,,,,,,2.5,x,2.1", nullptr},
        };
        QString expected;
        for (const auto& [text, result] : rows) {
            if (&text == &rows[1][0])
                w->gpsNavDialog->pdop = 9.0;
            QCOMPARE(w->DecodeNmeaSentence(Sentence(text)), result != nullptr);
            expected = result ? QString(result) : expected;
            const GpsNavDialog* nav = w->gpsNavDialog;
            QCOMPARE(w->ui->IDC_SATS_STATUS_MESSAGE->text() +
                         QString::asprintf(" %d: %g %g %g %g %g", nav->GetNavMode(), nav->gdop, nav->pdop, nav->hdop,
                                           nav->vdop, nav->tdop),
                     expected);
        }
    }

    // A group clears the table and fills it from its first sentence; only the blocks
    // read are stored, nothing made up, in the first 16 slots, and only satellite
    // numbers the tables can index; broken sentences change nothing.
    void satellitesInView()
    {
        w->satellites[12].prn = 99;  // from an earlier group
        w->satelliteDisplayTable[0].prn = 99;
        QVERIFY(w->DecodeNmeaSentence(Sentence(kGroupStart)));
        QCOMPARE(w->satellites[12].prn + w->satelliteDisplayTable[0].prn, 0);  // cleared, not yet refreshed
        QCOMPARE(Slots(0, 4), "3 3/111 L0 -9 0x00 T0|4 15/270 L0 -9 0x00 T0|6 1/10 L0 -9 0x00 T0|13 6/292 L0 -9 0x00 T0");
        QVERIFY(w->DecodeNmeaSentence(Sentence(kGroupEnd)));
        QCOMPARE(Slots(8, 4), "22 42/67 L25 +8 0x81 T0|24 14/311 L26 +8 0x81 T0|27 5/244 L0 -9 0x00 T0|0 0/0 L0 -0 0x00 T0");
        QVERIFY(DisplayHas(22) && DisplayHas(3));
        // A repeat changes nothing; a Motorola receiver's levels are 20 below the ratio.
        w->satellites[8].prn = 77;
        QVERIFY(w->DecodeNmeaSentence(Sentence(kGroupEnd)));
        QCOMPARE(w->satellites[8].prn, 77);
        receiverInfo.receiverModel = 3;
        QVERIFY(w->DecodeNmeaSentence(Sentence(kGroupStart)) && w->DecodeNmeaSentence(Sentence(kGroupEnd)));
        QCOMPARE(w->satellites[8].signalLevel * 100 + w->satellites[9].signalLevel, 2223);
        receiverInfo.receiverModel = ReceiverModelGenericNmea;

        QVERIFY(w->DecodeNmeaSentence(Sentence("$GPGSV,1,1,04,193,45,120,40,301,30,200,35,120,20,100,38,05,10,045,")));
        QCOMPARE(Slots(0, 4), "193 45/120 L23 +8 0x81 T0|0 0/0 L0 -0 0x00 T0|120 20/100 L21 +8 0x81 T0|5 10/45 L0 -9 0x00 T0");
        QVERIFY(DisplayHas(193) && !DisplayHas(301));
        // A later message with fewer blocks than its slots leaves the others as they were.
        w->satellites[6].prn = 77;
        QVERIFY(w->DecodeNmeaSentence(Sentence("$GPGSV,2,2,08,05,10,100,40,06,20,200,41")));
        QCOMPARE(w->satellites[4].prn * 10000 + w->satellites[5].prn * 100 + w->satellites[6].prn, 50677);
        for (const char* text : {"$GPGSV,1,1,01,05,10,100", "$GPGSV,1,1,02,05,10,1x0,40,06,20,200,41", "$GPGSV,1,1",
                                 "$GPGSV,1,a,01,05,10,100,40", "$GPGSV"})
            QVERIFY2(!w->DecodeNmeaSentence(Sentence(text)) && w->satellites[6].prn == 77, text);
        QVERIFY(w->DecodeNmeaSentence(Sentence("$GPGSV,1,1,00")));
        QCOMPARE(w->satellites[0].prn, 0);

        QVERIFY(w->DecodeNmeaSentence(Sentence("$GPGSV,5,4,20,40,10,100,30,41,10,100,31,42,10,100,32,43,10,100,33")));
        QCOMPARE(w->satellites[12].prn * 100 + w->satellites[15].prn, 4043);
        for (const char* text : {"$GPGSV,5,5,20,44,10,100,30,45,10,100,31,46,10,100,32,47,10,100,33",
                                 "$GPGSV,9,0,20,48,10,100,30", "$GPGSV,9,2147483647,2147483647,49,10,100,30",
                                 "$GPGSV,9,-2147483647,-2147483648,50,10,100,30"})
            QVERIFY2(w->DecodeNmeaSentence(Sentence(text)), text);
        for (const SatelliteRecord& sat : w->satellites)
            QVERIFY(sat.prn < 44 || sat.prn > 50);
    }

    // The Garmin sentences and the probe answers.
    void sentences_data()
    {
        QTest::addColumn<QByteArray>("sentence");
        QTest::addColumn<QString>("effects");
        QTest::newRow("PGRMT") << Sentence("$PGRMT,GPS 15x-W software ver. 3.70,,,R,R,,,33")
                               << "GPS 15x-W software ver. 3.70\nROM checksum test (P=pass, F=fail) = \n"
                                  "Receiver failure? (P=pass, F=fail) = \nStored Data (L=lost, R=retained) = R\n"
                                  "Real time clock (L=lost, R=retained) = R\nOscillator drift (P=pass, F=fail) = \n"
                                  "Data collection (C = collecting) = \nBoard temperature (degrees C) = 33\n||100";
        const QString init = QStringLiteral("$PRGMI Initialization Message:\n");
        QTest::newRow("PGRMI") << Sentence("$PGRMI,5333.7953,N,11326.3726,W,280109,203540,R")
                               << init + "Latitude = 53 deg  33.7953 min N\nLongitude = 113 deg  26.3726 min W\n"
                                         "Day = 28, Month = 01, Year = 09\nHour = 20, Minute = 35, Second = 40\n"
                                         "Acq Reset = R\n|  Acq Reset = R\n|100";
        QTest::newRow("PGRMI empty") << QByteArray("$PGRMI,,,,,,,")
                                     << init + "Latitude = 00 deg  00.0000 min\nLongitude = 000 deg  00.0000 min\n"
                                               "Day = 00, Month = 00, Year = 00\nHour = 00, Minute = 00, Second = 00\n"
                                               "Acq Reset = 000000\n|  Acq Reset = 000000\n|100";
        QTest::newRow("PGRMC") << Sentence("$PGRMC,A,218.8,100,6378137.000,298.257223563,0.0,0.0,0.0,A,3,1,1")
                               << "$PGRMC Configuration Message:\nFix Mode = A\nAltitude (MSL) = 218.8 meters\n"
                                  "Earth Datum Index = 100\nSemi-major axis = 6378137.000 meters\n"
                                  "Inverse Flattening factor = 298.257223563\nDelta-X = 0.0\nDelta-Y = 0.0\n"
                                  "Delta-Z = 0.0\nDifferential Mode = A\nBaud Rate = 3\nVelocity Filter = 1\n"
                                  "Null field = 1\n|  Null field = 1\n|100";
        QTest::newRow("PGRMO no fields") << QByteArray("$PGRMO")
                                         << "$PGRMO: Target Sentence = NONE,   Mode =\n"
                                            "|$PGRMO: Target Sentence = NONE,   Mode = \n|100";
        QTest::newRow("PMOTG") << Sentence("$PMOTG,FOR,0") << "||001";
        QTest::newRow("GPALM") << Sentence("$GPALM,1,1,15,1159,00,441d,4e,16be,fd5e,a10c9f,4a2da4,686e81,58cbe1,0a4,001")
                               << "||010";
        // Other Garmin ids are unknown, and leave nothing behind.
        for (const char* text : {"$PGRME,15.0,M,45.0,M,25.0,M", "$PGRMV,0,0,0", "$PGRM", "$pgrmt,x"})
            QTest::newRow(text) << QByteArray(text) << "||000";
    }
    void sentences()
    {
        QFETCH(QByteArray, sentence);
        QFETCH(QString, effects);
        QCOMPARE(w->DecodeNmeaSentence(sentence), effects != QLatin1String("||000"));
        QCOMPARE(Effects(*w), effects);
    }

    // A repeat changes nothing, one character more is a new sentence, the other ids keep
    // their own filters, probe answers have none; without the identification window the
    // log still gets its text.
    void repeatsAndNoWindow()
    {
        const QByteArray config = Sentence("$PGRMC,A,218.8,100,6378137.000,298.257223563,0.0,0.0,0.0,A,3,1,1");
        QVERIFY(w->DecodeNmeaSentence(config));
        const QString once = Effects(*w);
        const MainWindow::AnswerFlag pgrm = MainWindow::AnswerPgrm, gpalm = MainWindow::AnswerGpalm;
        w->bAnswerReceived[pgrm] = false;  // a probe waits again
        QVERIFY(w->DecodeNmeaSentence(config));
        QCOMPARE(Effects(*w), once.left(once.size() - 4) + "|000");
        QVERIFY(w->DecodeNmeaSentence(Sentence("$PGRMC,A,218.9,100,6378137.000,298.257223563,0.0,0.0,0.0,A,3,1,1")));
        QVERIFY(w->bAnswerReceived[pgrm]);
        w->DecodeNmeaSentence("$GPALM,1");
        w->bAnswerReceived[pgrm] = w->bAnswerReceived[gpalm] = false;
        delete w->gpsRxIdDialog;
        w->gpsRxIdDialog = nullptr;
        QVERIFY(w->DecodeNmeaSentence("$PGRMT,x") && w->DecodeNmeaSentence("$PGRMO,GPGGA,1"));
        QVERIFY(w->DecodeNmeaSentence("$GPALM,1"));
        QVERIFY(w->bAnswerReceived[pgrm] && w->bAnswerReceived[gpalm]);
        QVERIFY(w->configurationBuffer.endsWith(QStringLiteral("$PGRMO: Target Sentence = GPGGA,   Mode = 1\n")));
    }

private:
    // Receiver time, the three tick flags, whether a time message drove the second,
    // whether the NMEA time was taken, speed/course.
    QString Flags() const
    {
        return QString::asprintf("%s %d%d%d %d %d %g/%g", qPrintable(w->receiverTime.dateTime.toString(Qt::ISODate)),
                                 w->bPpsAwaitingTime[0], w->bPpsAwaitingTime[1], w->bPpsAwaitingTime[2],
                                 w->bTimeMessageSeen, w->bZdaTimeThisSecond, w->gpsNavDialog->GetSpeed(),
                                 w->gpsNavDialog->GetHeading());
    }

    QString Slots(int first, int count) const
    {
        QStringList records;
        for (int k = first; k < first + count; ++k)
            records << Sat(w->satellites[k]);
        return records.join('|');
    }

    bool DisplayHas(int prn) const
    {
        return std::any_of(std::begin(w->satelliteDisplayTable), std::end(w->satelliteDisplayTable),
                           [prn](const SatelliteRecord& s) { return s.prn == prn; });
    }

    std::unique_ptr<MainWindow> w;
    QTemporaryDir logDir;
};

HORALUX_TEST(TestNmeaDecoder);
#include "tst_nmeadecoder.moc"
