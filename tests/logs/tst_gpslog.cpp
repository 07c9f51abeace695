// The GPS data log: its header, the writers and their gates, the period, closing, the
// refusals and failures, and the new day's file; the names and texts without a window;
// real receivers' recordings replayed into a PVT log. The TIC log set: its files, the
// configuration log and its buffer, the lines of the TIC processing, the new day and closing.

#include "logwindow.h"
#include "fakereceiver.h"
#include "gpslogtypedialog.h"
#include "logfilenames.h"
#include "modalwatcher.h"
#include "nmeafields.h"
#include "pctime.h"
#include "socatpair.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QSerialPort>
#include <QStatusBar>
#include <QTemporaryDir>

using namespace LogFileNames;

namespace {

// Presses OK in whatever log dialog a menu command opens.
void PressOk(QDialog* dialog) { dialog->findChild<QPushButton*>("OK")->click(); }

}  // namespace

class TestGpsLog : public QObject
{
    Q_OBJECT

    static QHash<QString, QVariant> Keys(int type, int every = 0, const QString& prefix = "GPS")
    {
        return {{"LogFiles/GPSLogType", type}, {"LogFiles/GPSLogEvery", every}, {"LogFiles/GPSLogPrefix", prefix}};
    }

private slots:
    void cleanup() { PcTime::SetFixedUtc(QDateTime()); }

    // Port mode, log type, the lines from the type line to the reference location, and
    // whether the NMEA column line follows.
    void headerAndNmeaColumns_data()
    {
        QTest::addColumn<QStringList>("row");
        QTest::newRow("Motorola NMEA, PVT") << QStringList{"1", "2", "PVT\n; Receiver: UT+, Motorola NMEA", "columns"};
        QTest::newRow("u-blox NMEA, PVT") << QStringList{"10", "2", "PVT\n; Receiver: UT+, u-blox NMEA", "columns"};
        QTest::newRow("Motorola Binary, PVT") << QStringList{"2", "2", "PVT\n; Receiver: UT+, Motorola Binary", ""};
        QTest::newRow("Generic NMEA, RAW") << QStringList{"6", "0", "RAW\n; Receiver: UT+, Generic NMEA", ""};
    }
    void headerAndNmeaColumns()
    {
        QFETCH(QStringList, row);
        LogWindow lw(Keys(row[1].toInt()));
        receiverInfo.gpsPortMode = row[0].toInt(), receiverInfo.receiverModel = 9;
        lw.w->utcOffsetSecs = 18;
        QVERIFY(lw.w->OpenGpsLog());
        lw.w->gpsLogFile.flush();
        const QString name = row[1] == "2" ? "GPS2024366.csv" : "GPS2024366.txt";
        QCOMPARE(lw.Files(), QStringList{name});
        const QByteArray header = "; Horalux GPS Data Log\n; Version " HORALUX_VERSION
                                  "\n; Opened 31-Dec-2024 23:59:58 UTC\n; Log type: " + row[2].toUtf8() +
                                  "\n; GPS-UTC offset: 18 s\n; Reference location: " +
                                  lw.w->gpsNavDialog->FormatPositionCsv(4).toUtf8() + "\n;\n";
        const QByteArray columns = "hours,minutes,seconds,lat_deg,lat_min,lat_dir,long_deg,long_min,long_dir,quality,"
                                   "no_tracked,HDOP,height_msl,height_units,geoid_sep,geoid_sep_units,DGPS_age,"
                                   "DGPS_Ref_Stn_id\n";
        QCOMPARE(lw.Read(name), header + (row[3].isEmpty() ? QByteArray() : columns));
    }

    // A log's header against the records under it, through the decoders: an NMEA
    // receiver's column line in a PVT log has a name for each field, a Motorola
    // receiver's records stand under none, and a receiver or mode that changes under the
    // open log names itself, once, before its first record, in raw-message logs too.
    void pvtHeaderNamesItsRecords_data()
    {
        // Log type; port mode and model at opening and after the change; how the change begins.
        QTest::addColumn<int>("type");
        QTest::addColumn<QList<int>>("receivers");
        QTest::addColumn<QByteArray>("change");
        QTest::newRow("Generic NMEA throughout") << int(GpsLogPvt) << QList<int>{6, 14, 6, 14} << QByteArray("12,00,01.00,48,");
        QTest::newRow("Generic NMEA, then Motorola Binary") << int(GpsLogPvt) << QList<int>{6, 14, 2, 9}
            << QByteArray("; Log type: PVT\n; Receiver: UT+, Motorola Binary\n; GPS-UTC offset: 0 s\n");
        QTest::newRow("Motorola Binary, then u-blox NMEA") << int(GpsLogPvt) << QList<int>{2, 9, 10, 19}
            << QByteArray("; Log type: PVT\n; Receiver: UNKNOWN, u-blox NMEA\n; GPS-UTC offset: 0 s\n");
        QTest::newRow("BINARY, another Motorola receiver") << int(GpsLogBinary) << QList<int>{2, 9, 2, 5}
            << QByteArray("; Log type: BINARY\n; Receiver: M12M, Motorola Binary\n; GPS-UTC offset: 0 s\n");
        QTest::newRow("RINEX, another Motorola receiver") << int(GpsLogRinex) << QList<int>{2, 9, 2, 5}
            << QByteArray("; Log type: RINEX\n; Receiver: M12M, Motorola Binary\n; GPS-UTC offset: 0 s\n");
    }
    void pvtHeaderNamesItsRecords()
    {
        QFETCH(int, type);
        QFETCH(QList<int>, receivers);
        QFETCH(QByteArray, change);
        LogWindow lw(Keys(type));
        MainWindow& w = *lw.w;
        receiverInfo.gpsPortMode = receivers[0], receiverInfo.receiverModel = receivers[1];
        QVERIFY(w.OpenGpsLog());
        const auto second = [&](int s) {  // the receiver's time and fix of one second
            if (receiverInfo.gpsPortMode == GpsPortModeMotorolaBinary) {
                w.DecodeMotorolaBinary(MotorolaMessage("Ha").DateTime(2024, 12, 31, 12, 0, s));
                return;
            }
            const QByteArray time = QByteArray::number(120000 + s) + ".00";
            w.DecodeNmeaSentence(Sentence("$GPRMC," + time + ",A,4807.038,N,01131.000,E,0.0,0.0,311224,,"));
            w.DecodeNmeaSentence(Sentence("$GPGGA," + time + ",4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"));
        };
        second(0);
        const qint64 before = w.gpsLogFile.size();
        receiverInfo.gpsPortMode = receivers[2], receiverInfo.receiverModel = receivers[3];
        second(1);
        second(2);
        w.CloseGpsLog(true);
        const QByteArray log = lw.Read("GPS2024366" + GpsLogExtension(type));
        QVERIFY2(log.mid(before).startsWith(change) && log.count("; Log type: ") == 1 + change.startsWith(';'),
                 log.constData());
        // A raw message is logged once decoded, the first second's too.
        if (type != GpsLogPvt) {
            QCOMPARE(log.count("@@Ha"), 3);
            return;
        }
        int names = 0, records = 0;
        for (const QByteArray& line : log.split('\n')) {
            if (line.startsWith("; Log type: "))
                names = 0;
            else if (line.startsWith("hours,"))
                names = int(line.count(',')) + 1;
            else if (!line.isEmpty() && !line.startsWith(';') && ++records)
                QVERIFY2(names == (line.contains('/') ? 0 : line.count(',') + 1), line.constData());
        }
        QCOMPARE(records, 3);
    }

    // A fix's time columns hold the time it gave, and stay, empty, where it gave none:
    // a fix without a time is never logged at midnight, nor its position under the time.
    void pvtFixTimeColumns_data()
    {
        QTest::addColumn<QByteArray>("time");
        QTest::addColumn<QByteArray>("record");
        QTest::newRow("given") << QByteArray("120001.60") << QByteArray("12,00,01.60,48,7.038000,N,11,");
        QTest::newRow("empty") << QByteArray() << QByteArray(",,,48,7.038000,N,11,");
        QTest::newRow("unreadable") << QByteArray("12x") << QByteArray(",,,48,7.038000,N,11,");
    }
    void pvtFixTimeColumns()
    {
        QFETCH(QByteArray, time);
        QFETCH(QByteArray, record);
        LogWindow lw(Keys(GpsLogPvt));
        MainWindow& w = *lw.w;
        receiverInfo.gpsPortMode = GpsPortModeGenericNmea;
        QVERIFY(w.OpenGpsLog());
        w.DecodeNmeaSentence(Sentence("$GPRMC,120001.00,A,4807.038,N,01131.000,E,0.0,0.0,311224,,"));
        w.DecodeNmeaSentence(Sentence("$GPGGA," + time + ",4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"));
        w.CloseGpsLog(true);
        const QList<QByteArray> records = DataLines(lw.Read("GPS2024366.csv"));
        QVERIFY(!records.isEmpty());
        QVERIFY2(records.last().startsWith(record), records.last().constData());
    }

    // Records lost while the log's folder cannot be made again (a plain file took its
    // name), each second a receiver's messages in its order: once it can, one gap line
    // in every type, with the times the first and last lost records carry, right before
    // the first record written again. Motorola: a tick, a message with the receiver's
    // time and one without, or the 8- or 6-channel position message alone; u-blox:
    // NAV-STATUS before NAV-TIMEUTC; NMEA, with no tick, the fix before the time
    // sentence, and a TIC reading and a set-up line after it, whose files say the same
    // (the combined file lost both) in the times of their tags, which read the PC clock:
    // with the PC 46 s behind, the PC's, in the file of the PC's day. One row runs
    // across midnight into 1 February.
    void gapLineAtTheLostRecordsSeconds_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArrayList>("messages");
        QTest::addColumn<int>("lost");
        QTest::addColumn<QByteArray>("next");
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<int>("pcBehind");  // s
        const QByteArrayList motorola{"tick", "Ha", "Hb"};
        const QDateTime noon = Utc(2024, 12, 31, 12, 0, 0);
        QTest::newRow("PVT") << int(GpsLogPvt) << motorola << 6 << QByteArray("12/31/2024, 12:00:04.0") << noon << 0;
        QTest::newRow("RAW") << int(GpsLogRaw) << motorola << 3 << QByteArray("2024-12-31,12:00:04,") << noon << 0;
        QTest::newRow("BINARY") << int(GpsLogBinary) << motorola << 6 << QByteArray("@@Ha") << noon << 0;
        QTest::newRow("BINARY, no tick") << int(GpsLogBinary) << QByteArrayList{"Ha", "Hb"} << 6 << QByteArray("@@Ha")
                                         << noon << 0;
        QTest::newRow("BINARY, 8-channel") << int(GpsLogBinary) << QByteArrayList{"Ea"} << 3 << QByteArray("@@Ea")
                                           << noon << 0;
        QTest::newRow("PVT, 6-channel") << int(GpsLogPvt) << QByteArrayList{"Ba"} << 3
                                        << QByteArray("12/31/2024, 12:00:04.0") << noon << 0;
        QTest::newRow("BINARY, u-blox, no tick") << int(GpsLogBinary) << QByteArrayList{"UTC"} << 3
                                                 << QByteArray("\xB5\x62\x01\x21") << noon << 0;
        QTest::newRow("BINARY, u-blox, NAV-STATUS first") << int(GpsLogBinary) << QByteArrayList{"STATUS", "UTC"} << 6
                                                          << QByteArray("\xB5\x62\x01\x03") << noon << 0;
        QTest::newRow("PVT, GGA before ZDA") << int(GpsLogPvt) << QByteArrayList{"GGA", "ZDA", "TIC", "CFG"} << 3
                                             << QByteArray("12,00,04.00,48,") << noon << 0;
        QTest::newRow("PVT, GGA before RMC") << int(GpsLogPvt) << QByteArrayList{"GGA", "RMC"} << 3
                                             << QByteArray("12,00,04.00,48,") << noon << 0;
        QTest::newRow("PVT, GGA before ZDA, into 1 February") << int(GpsLogPvt) << QByteArrayList{"GGA", "ZDA", "TIC"}
                                                              << 3 << QByteArray("00,00,03.00,48,")
                                                              << Utc(2025, 1, 31, 23, 59, 59) << 0;
        QTest::newRow("PVT, GGA before ZDA, PC 46 s behind") << int(GpsLogPvt) << QByteArrayList{"GGA", "ZDA", "TIC", "CFG"}
                                                             << 3 << QByteArray("00,00,24.00,48,")
                                                             << Utc(2025, 1, 1, 0, 0, 20) << 46;
    }
    void gapLineAtTheLostRecordsSeconds()
    {
        QFETCH(int, type);
        QFETCH(QByteArrayList, messages);
        QFETCH(int, lost);
        QFETCH(QByteArray, next);
        QFETCH(QDateTime, start);
        QFETCH(int, pcBehind);
        LogWindow lw(Keys(type));
        MainWindow& w = *lw.w;
        const QString folder = lw.dir.filePath("logs");
        LogWindow::Set("LogFiles/GPSLogFolder", folder);
        LogWindow::Set("LogFiles/TicLogFolder", folder);
        LogWindow::Set("TicPortDialog/TIC1 Serial Port", "/dev/counter1");
        const bool bNmea = messages.contains("GGA");
        receiverInfo.gpsPortMode = bNmea                      ? GpsPortModeGenericNmea
                                   : messages.contains("UTC") ? GpsPortModeUbloxUbx
                                                              : GpsPortModeMotorolaBinary;
        receiverInfo.receiverModel = bNmea ? int(ReceiverModelGenericNmea) : 9;
        int64_t steadyMs = 0;  // the receiver's times follow each other, a second apart
        w.receiverTimeCheck.clockMs = [&steadyMs] { return steadyMs; };
        PcTime::SetFixedUtc(start.addSecs(-pcBehind));
        if (pcBehind != 0)
            w.receiverTime.SetDateTime(start);  // speaking already, a day ahead of the PC
        QVERIFY(w.OpenGpsLog() && w.OpenTicLogs());
        QFile blocker(folder);
        for (int s = 0; s <= 4; ++s) {
            if (s == 1)
                QVERIFY(QDir(folder).removeRecursively() && blocker.open(QIODevice::WriteOnly));
            else if (s == 4)
                QVERIFY(blocker.remove());
            const QDateTime t = start.addSecs(s);
            const QDate d = t.date();
            PcTime::SetFixedUtc(t.addSecs(-pcBehind));
            steadyMs = 1000 * s;
            const QByteArray time = t.toString("HHmmss").toLatin1() + ".00,";
            const uint32_t tow = 216000000 + 1000 * s;  // ms into the GPS week
            for (const QByteArray& message : messages) {
                if (message == "tick")
                    w.OnClockTick();
                else if (message == "Ha" || message == "Ea" || message == "Ba")
                    w.DecodeMotorolaBinary(MotorolaMessage(message.constData())
                                               .DateTime(d.year(), d.month(), d.day(), t.time().hour(),
                                                         t.time().minute(), t.time().second(),
                                                         message == "Ea" ? 600000000 : 0));  // its second is cut
                else if (message == "Hb")
                    w.DecodeMotorolaBinary(MotorolaMessage("Hb"));
                else if (message == "GGA")
                    w.DecodeNmeaSentence(Sentence("$GPGGA," + time + "4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"));
                else if (message == "TIC")
                    w.OnNewTicText("1 0.000025");
                else if (message == "CFG")
                    w.LogConfigurationText("Receiver set up");
                else if (message == "STATUS")
                    w.DecodeUbxMessage(UbxPayload(16).U32(0, tow).U8(4, 3).Frame(1, 0x03));
                else if (message == "UTC")
                    w.DecodeUbxMessage(UbxPayload(20).U32(0, tow).U16(12, d.year()).U8(14, d.month()).U8(15, d.day())
                                           .U8(16, t.time().hour()).U8(17, t.time().minute())
                                           .U8(18, t.time().second()).U8(19, 0x07).Frame(1, 0x21));
                else if (message == "ZDA")
                    w.DecodeNmeaSentence(Sentence("$GPZDA," + time + t.toString("dd,MM,yyyy").toLatin1() + ",00,00"));
                else
                    w.DecodeNmeaSentence(Sentence("$GPRMC," + time + "A,4807.038,N,01131.000,E,0.0,0.0," +
                                                  t.toString("ddMMyy").toLatin1() + ",,"));
            }
        }
        w.CloseGpsLog(true);
        w.CloseTicLogs(true);
        // Whichever day's file holds them, one gap line in all.
        const auto allOf = [&lw](const QString& pattern) {
            QByteArray all;
            for (const QString& name : QDir(lw.dir.filePath("logs")).entryList({pattern}, QDir::Files, QDir::Name))
                all += lw.Read("logs/" + name);
            return QString::fromLatin1(all);
        };
        const QString log = allOf("GPS*");
        const auto spanFrom = [](const QDateTime& first) {
            return QString("records not written from %1 UTC to %2 UTC: ")
                .arg(LogTexts::LogTimeText(first), LogTexts::LogTimeText(first.addSecs(2)));
        };
        const QString span = spanFrom(start.addSecs(1));
        const QRegularExpression gap("\n; (\\d+) " + span + "[^\n]+\n" + QRegularExpression::escape(QString::fromLatin1(next)));
        const QRegularExpressionMatch match = gap.match(log);
        QVERIFY2(match.hasMatch() && match.captured(1).toInt() == lost && log.count("records not written") == 1,
                 qPrintable(log));
        if (messages.contains("TIC")) {
            const QDateTime tags = start.addSecs(-pcBehind);
            const QString stem = "logs/" + DayStem("TIC", tags.addSecs(4).date());
            const QString t1 = QString::fromLatin1(lw.Read(stem + "T1.csv"));
            QVERIFY2(t1.contains("\n; 3 " + spanFrom(tags.addSecs(1))) && allOf("TIC*T1.csv").count("records not written") == 1,
                     qPrintable(t1));
            const QString combined = QString::fromLatin1(lw.Read(stem + "C.csv"));
            const QString lostThere = messages.contains("CFG") ? "6 " : "3 ";
            QVERIFY2(combined.contains("\n; " + lostThere + spanFrom(tags.addSecs(1))) &&
                         allOf("TIC*C.csv").count("records not written") == 1,
                     qPrintable(combined));
        }
    }

    // BINARY and RINEX keep raw messages, every type keeps decoder text, and nothing is
    // written in a second that is not logged.
    void writersKeepOnlyLoggedSeconds()
    {
        LogWindow lw(Keys(1));
        QVERIFY(lw.w->OpenGpsLog());
        const qint64 headerSize = lw.w->gpsLogFile.size();
        MainWindow& w = *lw.w;
        for (bool bLogged : {false, true}) {
            w.bLogThisSecond = bLogged;
            w.LogGpsMessage("@@Cj");
            w.LogGpsMessage(QByteArray());
            w.WriteGpsLogText("a\r\nb\n\n");
            w.WriteGpsLogText(QString());
            w.gpsLogTypeDialog->gpsLogType = 4;  // RINEX keeps only position, channel and time messages
            w.LogGpsMessage("@@Cj");
            w.LogGpsMessage("@@Bo\x01");
            w.gpsLogTypeDialog->gpsLogType = 1;
        }
        w.CloseGpsLog(true);
        QCOMPARE(lw.Read("GPS2024366.bin").mid(headerSize, 20), QByteArray("@@Cj\x29\r\na\nb\n@@Bo\x01\x2c\r\n;"));
    }

    // Type, every (a choice), seconds logged of twenty, then all the data lines when given.
    void periodAndStatusRecords_data()
    {
        QTest::addColumn<QByteArrayList>("row");
        QTest::newRow("RAW every 10 s") << QByteArrayList{"0", "3", "2",
            "2024-12-31,12:00:00,0000.0000,N,00000.0000,E,0,-1,-1,0,0", "2024-12-31,12:00:10,0000.0000,N,00000.0000,E,0,-1,-1,0,0"};
        QTest::newRow("NMEA every 15 s") << QByteArrayList{"3", "4", "2",
            "$GPGGA,120000.00,0000.0000,N,00000.0000,E,0,00,,0.0,M,0.0,M,,*70",
            "$GPGGA,120015.00,0000.0000,N,00000.0000,E,0,00,,0.0,M,0.0,M,,*74"};
        QTest::newRow("out-of-range choice: every second") << QByteArrayList{"0", "12", "20"};
        QTest::newRow("PVT: no status record") << QByteArrayList{"2", "0", "20"};
    }
    void periodAndStatusRecords()
    {
        QFETCH(QByteArrayList, row);
        const int type = row[0].toInt(), every = row[1].toInt(), logged = row[2].toInt();
        LogWindow lw(Keys(type, every));
        QCOMPARE(QSettings().value("LogFiles/GPSLogEvery").toInt(), every == 12 ? 0 : every);  // written back
        QVERIFY(lw.w->OpenGpsLog());
        int seconds = 0;
        for (int s = 0; s < 20; ++s) {
            lw.Second(Utc(2024, 12, 31, 12, 0, s));
            seconds += lw.w->bLogThisSecond;
        }
        QCOMPARE(seconds, logged);
        lw.w->CloseGpsLog(true);
        const QList<QByteArray> data = DataLines(lw.Read(lw.Files().value(0)));
        QCOMPARE(data.size(), type == 2 ? 0 : logged);
        if (row.size() > 3)
            QCOMPARE(data, row.mid(3));
        lw.Second(Utc(2024, 12, 31, 12, 0, 30));
        QVERIFY(!lw.w->bLogThisSecond);  // no log, no logged second
    }

    // "No" keeps the log; "Yes" closes it with its trailer. A later opening appends.
    void closingAndReopening()
    {
        LogWindow lw(Keys(0));
        ModalWatcher watcher(QMessageBox::No);
        watcher.SetDialogHandler(PressOk);
        QAction* close = lw.w->ui->actionClose_GPS_Data_Log;
        QVERIFY(!close->isEnabled());
        lw.w->ui->actionNew_GPS_Data_Log->trigger();
        QCOMPARE(watcher.dialogs, QStringList{"GpsLogTypeDialog"});
        QVERIFY(close->isEnabled());
        close->trigger();
        QVERIFY(lw.w->gpsLogFile.isOpen());
        QCOMPARE(watcher.boxes.value(0).text, "Are you sure you want to close this GPS Log file?");
        watcher.SetAnswer(QMessageBox::Yes);
        close->trigger();
        QVERIFY(!lw.w->gpsLogFile.isOpen() && !close->isEnabled());
        const QByteArray trailer = "; Closed GPS Data Log 31-Dec-2024 23:59:58 UTC\n; \n";
        QVERIFY(lw.Read("GPS2024366.txt").endsWith(";\n" + trailer));
        lw.w->ui->actionOpen_GPS_Data_Log->trigger();
        lw.w->ui->actionNew_GPS_Data_Log->trigger();  // the same file, never truncated
        lw.w->CloseGpsLog(true);
        const QByteArray log = lw.Read("GPS2024366.txt");
        QVERIFY(log.count("; Horalux GPS Data Log\n") == 3 && log.count(trailer) == 3);
        QCOMPARE(watcher.boxes.size(), 2);
    }

    void refusedPrefixAndUnusableFolder()
    {
        LogWindow lw(Keys(0, 0, "../x"));
        ModalWatcher watcher;
        lw.w->ui->actionOpen_GPS_Data_Log->trigger();
        QVERIFY(watcher.boxes.value(0).text.contains("\"../x\" is refused"));
        QVERIFY(lw.Files().isEmpty() && !QFile::exists(lw.dir.filePath("../x2024366.txt")));

        // A folder below a plain file can never be made, not even by root.
        QFile plain(lw.dir.filePath("plain"));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        LogWindow::Set("LogFiles/GPSLogPrefix", "GPS");
        LogWindow::Set("LogFiles/GPSLogFolder", lw.dir.filePath("plain/logs"));
        lw.w->ui->actionOpen_GPS_Data_Log->trigger();
        QVERIFY(watcher.boxes.size() == 2 && watcher.boxes[1].text.startsWith("Cannot open the log file"));
        QVERIFY(!lw.w->gpsLogFile.isOpen() && !lw.w->ui->actionClose_GPS_Data_Log->isEnabled());
    }

    // The last second of the year closes GPS2024366 and the first opens GPS2025001.
    void newDayNewFile()
    {
        LogWindow lw(Keys(0));
        QVERIFY(lw.w->OpenGpsLog());
        lw.Second(Utc(2024, 12, 31, 23, 59, 59));
        lw.Second(Utc(2025, 1, 1, 0, 0, 0));
        lw.w->CloseGpsLog(true);
        QCOMPARE(lw.Files(), QStringList({"GPS2024366.txt", "GPS2025001.txt"}));
        const QByteArray old = lw.Read("GPS2024366.txt");
        QVERIFY(DataLines(old).size() == 1 && DataLines(old)[0].startsWith("2024-12-31,23:59:59,"));
        QVERIFY(old.endsWith("\n; Closed GPS Data Log 01-Jan-2025 00:00:00 UTC\n; \n"));
        const QByteArray now = lw.Read("GPS2025001.txt");
        QVERIFY(now.startsWith("; Horalux GPS Data Log\n; Version " HORALUX_VERSION "\n; Opened 01-Jan-2025 00:00:00 UTC\n"));
        QVERIFY(DataLines(now).size() == 1 && DataLines(now)[0].startsWith("2025-01-01,00:00:00,"));
    }

    // A new day's file that cannot be had leaves the lines in the old one, said once.
    void failuresReportedOnce()
    {
        LogWindow lw(Keys(0));
        QVERIFY(lw.w->OpenGpsLog());
        QVERIFY(QDir(lw.dir.path()).mkdir("GPS2025001.txt"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("GPS2025001"));
        int reports = 0;
        for (int s = 0; s < 3; ++s) {
            lw.Second(Utc(2025, 1, 1, 0, 0, s));
            reports += lw.w->statusBar()->currentMessage().contains("GPS2025001");
            lw.w->statusBar()->clearMessage();
        }
        QCOMPARE(reports, 1);
        lw.w->CloseGpsLog(true);
        QCOMPARE(DataLines(lw.Read("GPS2024366.txt")).size(), 3);

        // A full disk: the first failed write is reported, the next ones are not.
        lw.w->gpsLogFile.setFileName("/dev/full");
        QVERIFY(lw.w->gpsLogFile.open(QIODevice::WriteOnly));
        lw.w->bLogThisSecond = true;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("/dev/full"));
        for (int round = 0; round < 2; ++round) {
            lw.w->statusBar()->clearMessage();
            for (int k = 0; k < 2000; ++k)
                lw.w->WriteGpsLogText(QString(40, 'x'));
            QCOMPARE(lw.w->statusBar()->currentMessage().contains("/dev/full: No space left on device"), round == 0);
        }
        lw.w->gpsLogFile.close();
    }
};

class TestLogTexts : public QObject
{
    Q_OBJECT

private slots:
    // The PVT file of 31 December 2024 and port 3's time file, comma style; "" refused.
    void names()
    {
        const QDate day(2024, 12, 31);
        for (const QString& prefix : QStringList{"GPS", "", "St_1-a", QString(32, 'x'), QString(33, 'x'), "../x", "-x"}) {
            const bool bRefused = prefix.size() > 32 || prefix.contains('/') || prefix.startsWith('-');
            QCOMPARE(GpsLogPath("/logs", prefix, GpsLogPvt, day), bRefused ? "" : "/logs/" + prefix + "2024366.csv");
            QCOMPARE(TicLogPath("/logs/", prefix, 1, day, QLatin1Char('T'), 3), bRefused ? "" : "/logs/" + prefix + "2024366T3.csv");
        }
    }

    void extensionsPeriodsAndSeconds()
    {
        QString extensions;
        for (int type = -1; type <= 5; ++type)
            extensions += GpsLogExtension(type);
        QCOMPARE(extensions, ".txt.txt.bin.csv.txt.bin.txt");
        QCOMPARE(TicLogExtension(0) + TicLogExtension(1) + TicLogExtension(2), ".prn.csv.txt");
        QCOMPARE(TicLogPath("/l", "TIC", 0, QDate(2025, 1, 1), QLatin1Char('C'), 0), "/l/TIC2025001C.prn");
        QCOMPARE(TicLogPath("/l", "TIC", 2, QDate(2025, 1, 1), QLatin1Char('A'), 9), QString());
        QCOMPARE(GpsLogPeriodSeconds(11) + GpsLogPeriodSeconds(-1), 3601);
        QVERIFY(IsLoggedSecond(QTime(13, 0, 0), 3600) && !IsLoggedSecond(QTime(13, 0, 1), 3600));
        QVERIFY(!IsLoggedSecond(QTime(), 1) && !IsLoggedSecond(QTime(1, 0, 0), 0));
    }

    // A fix's time of day lies on the day that brings it nearest to the log's clock,
    // across midnight either way; a time of day that is none gives no time.
    void recordTimesAcrossMidnight()
    {
        const QDateTime newYear(QDate(2025, 1, 1), QTime(0, 0), Qt::UTC);
        QCOMPARE(Nmea::NearestUtc(Nmea::ReadTime("235959.00"), newYear), newYear.addSecs(-1));
        QCOMPARE(Nmea::NearestUtc(Nmea::ReadTime("000001.00"), newYear.addSecs(-1)), newYear.addSecs(1));
        QVERIFY(!Nmea::NearestUtc(Nmea::ReadTime("240000.00"), newYear).isValid());
    }

    // Received text in a text log: control characters as blanks, line ends as lines.
    void controlBytesAsBlanks()
    {
        const QString text = QStringLiteral("@@Cj\0\0x\x1b[1m\tb\x7f\u0085 48\u00b0\r\ntwo\r\n");
        QCOMPARE(LogTexts::LogLines(LogTexts::BlankControls(text)), "@@Cj  x [1m b   48\xc2\xb0\ntwo\n");
    }

    // The NMEA log's quality follows the fix status; the sentence carries its checksum.
    void ggaQuality()
    {
        LogTexts::StatusValues v;
        v.utc = Utc(2024, 12, 31, 23, 59, 59);
        v.nmeaPosition = "4807.0380,N,01131.0000,E";
        v.satellitesUsed = 8;
        v.hdop = 0.9;
        v.altitudeMsl = 545.4;
        v.geoidSeparation = 46.9;
        for (int fix : {1, 2, 3, 4}) {
            v.fixStatus = fix;
            QByteArray gga = LogTexts::GgaStatusSentence(v);
            const char quality = fix == 2 ? '1' : fix == 3 ? '2' : '0';
            QCOMPARE(gga.chopped(3),
                     "$GPGGA,235959.00,4807.0380,N,01131.0000,E," + QByteArray(1, quality) + ",08,0.9,545.4,M,46.9,M,,");
            QVERIFY(GpsSerialPortThread::CheckNmeaChecksum(gga));
        }
    }
};

// Each recording played through a pseudo-terminal with a PVT log open: one line per
// logged second, whose positions agree with another decoder's reading.
class TestPvtReplay : public QObject
{
    Q_OBJECT

private slots:
    void replay_data()
    {
        // The capture, its port mode, the log of its day and its data lines.
        QTest::addColumn<QStringList>("row");
        QTest::newRow("Motorola 8-channel") << QStringList{"oncore-binary.log", "Motorola Binary Rx Only", "GPS2000238.csv", "12"};
        // Each second's fix after the first time sentence decided the second, and the column line.
        QTest::newRow("u-blox NMEA") << QStringList{"ublox-lea-5h.log", "Generic NMEA", "GPS2010233.csv", "19"};
    }
    void replay()
    {
        QFETCH(QStringList, row);
        const QString capture = row[0];
        QByteArray bytes, check;
        READ_CAPTURE(capture, bytes);
        READ_CAPTURE(capture + ".chk", check);
        const bool bMotorola = capture.startsWith("oncore");
        if (bMotorola) {
            bytes = bytes.mid(bytes.indexOf("@@"));
        } else {  // without the comment lines, here also between the sentences
            QByteArrayList sentences = bytes.split('\n');
            sentences.removeIf([](const QByteArray& line) { return !line.startsWith('$'); });
            bytes = sentences.join('\n') + '\n';
        }
        QHash<QByteArray, QJsonObject> fixes;  // by time of day, hhmmss
        for (const QByteArray& line : check.split('\n')) {
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            if (o.value("class").toString() == "TPV" && o.contains("lat"))
                fixes.insert(o.value("time").toString().mid(11, 8).remove(':').toLatin1(), o);
        }

        SocatPair pair;
        START_SOCAT_OR_SKIP(pair);
        LogWindow lw({{"GpsPortDialog/GPS Serial Port", pair.ProgramEnd()},
                      {"GpsPortDialog/GPS Serial Port Mode", row[1]},
                      {"GpsPortDialog/GPS Serial Port PPS Interface", 0},
                      {"LogFiles/GPSLogType", 2}});
        lw.w->InitializeGpsReceiver();  // receive-only: the search ends at once
        receiverInfo.receiverModel = bMotorola ? 9 : int(ReceiverModelGenericNmea);
        // The log opens on the recording's day: a day far from the files' own would be
        // taken only after ten seconds.
        const QDate day = QDate(row[2].mid(3, 4).toInt(), 1, 1).addDays(row[2].mid(7, 3).toInt() - 1);
        PcTime::SetFixedUtc(QDateTime(day, QTime(0, 0), Qt::UTC));
        QVERIFY(lw.w->OpenGpsLog());
        int messages = bMotorola ? 0 : int(bytes.count('\n')), received = 0;  // in the stream, and seen
        for (qsizetype pos = 0, n; bMotorola && (n = GpsSerialPortThread::MotorolaMessageLength(bytes.mid(pos, 4))) > 0; pos += n)
            ++messages;
        connect(&lw.w->gpsPortThread, &GpsSerialPortThread::newGpsText, lw.w.get(), [&] { ++received; });
        QSerialPort rx(pair.ReceiverEnd());
        QVERIFY(rx.open(QIODevice::ReadWrite));
        rx.write(bytes);
        QVERIFY2(TestSupport::WaitFor([&] { return received >= messages; }, 20000),
                 qPrintable(QStringLiteral("%1 of %2 messages").arg(received).arg(messages)));
        lw.w->CloseGpsLog(true);

        QList<QByteArray> data = DataLines(lw.Read(row[2]));
        QCOMPARE(data.size(), row[3].toInt());
        if (!bMotorola)
            QVERIFY(data.takeFirst().startsWith("hours,minutes,seconds,lat_deg,lat_min,lat_dir,long_deg,"));
        for (const QByteArray& line : data) {
            // Motorola: date, time, latitude and longitude in milliarcseconds. NMEA: hh,
            // mm, ss.ss, then degrees, minutes and hemisphere of latitude and longitude.
            const QList<QByteArray> f = line.split(',');
            QVERIFY2(f.size() > 8, line);
            const QByteArray time = bMotorola ? f[1].trimmed().left(8).replace(":", "") : f[0] + f[1] + f[2].left(2);
            const QJsonObject fix = fixes.value(time);
            const double lat = bMotorola ? f[2].toDouble() / 3.6e6 : (f[3].toDouble() + f[4].toDouble() / 60) * (f[5] == "S" ? -1 : 1);
            const double lon = bMotorola ? f[3].toDouble() / 3.6e6 : (f[6].toDouble() + f[7].toDouble() / 60) * (f[8] == "W" ? -1 : 1);
            QVERIFY2(!fix.isEmpty() && qAbs(lat - fix["lat"].toDouble()) < 1e-7 && qAbs(lon - fix["lon"].toDouble()) < 1e-7, line);
        }
    }

    // A live receiver, asked who it is by the search and again by the set-up, then sending
    // a position with a NUL-padded ID tag every second: the logs grow on disk while open.
    void fakeReceiverLogsGrowWhileOpen()
    {
        SocatPair pair;
        START_SOCAT_OR_SKIP(pair);
        LogWindow lw({{"GpsPortDialog/GPS Serial Port", pair.ProgramEnd()},
                      {"GpsPortDialog/GPS Serial Port PPS Interface", 0},
                      {"LogFiles/GPSLogType", 2}, {"LogFiles/TicLogPrefix", "TIC"}});
        PcTime::SetFixedUtc(QDateTime());  // the receiver's days are today's
        FakeReceiver rx(FakeReceiver::Kind::Motorola12, 9600, FakeReceiver::Protocol::MotorolaBinary);
        QVERIFY(rx.Open(pair.ReceiverEnd()));
        lw.w->answerWaitStepMs = 250;
        QVERIFY(lw.w->InitializeGpsReceiver() && rx.Heads().count("@@Cj") == 2);
        QVERIFY(lw.w->OpenGpsLog() && lw.w->OpenTicLogs());
        const auto onDisk = [&](const char* name) {
            return lw.Read(lw.Files().filter(QRegularExpression(name)).value(0));
        };
        QVERIFY(onDisk("^GPS").endsWith(";\n"));  // the header at once
        rx.StartLiveData();
        lw.w->OnNewTicText("1 0.000025");
        QVERIFY(TestSupport::WaitFor([&] {
            return DataLines(onDisk("^GPS")).size() >= 2 && onDisk("C.csv").endsWith("25.000000,25.000000\n");
        }, 6000));
        const QByteArray gps = onDisk("^GPS");
        QVERIFY2(!gps.contains('\0') && DataLines(gps)[0].endsWith(", \"      \""), gps);
        QVERIFY(lw.w->gpsLogFile.isOpen() && onDisk("C.csv").count("MODEL # P143T12NR1") == 1);
    }
};

class TestTicLogs : public QObject
{
    Q_OBJECT

    // Ports 1 and 3 are in use; the others are "OFF".
    static QHash<QString, QVariant> Keys(int style = 1, int tag = 3)
    {
        return {{"LogFiles/TicLogStyle", style}, {"LogFiles/TicTimeTagFormat", tag}, {"LogFiles/TicLogPrefix", "TIC"}};
    }
    static void UsePorts()
    {
        LogWindow::Set("TicPortDialog/TIC1 Serial Port", "/dev/counter1"), LogWindow::Set("TicPortDialog/TIC3 Serial Port", "TCP/IP");
    }

private slots:
    // The TIC processing's lines reach their port's T and A files and the combined file.
    void filesOfTheEnabledPortsAndTheirLines()
    {
        LogWindow lw(Keys(2, 0));
        UsePorts();
        LogWindow::Set("LogFiles/TicAveragingPeriod", 2);
        MainWindow& w = *lw.w;
        w.ticTimeTagFormat = 3;  // no tag on the entry kept before the set opens
        w.LogConfigurationText("@@Cj identity\r\nsecond line\n\n");
        ModalWatcher watcher;
        watcher.SetDialogHandler(PressOk);
        w.ui->actionNew_TIC_Data_Log->trigger();
        QCOMPARE(watcher.dialogs, QStringList{"TicFileDialog"});
        QCOMPARE(lw.Files(), QStringList({"TIC2024366A1.txt", "TIC2024366A3.txt", "TIC2024366C.txt",
                                          "TIC2024366T1.txt", "TIC2024366T3.txt"}));
        QCOMPARE(QString::asprintf("%d %d %d", w.ticLogStyle, w.ticTimeTagFormat, w.ticAveragingPeriod), "2 0 2");
        QVERIFY(w.configurationBuffer.isEmpty());
        w.ticTimeTagFormat = 3;
        w.OnNewTicText("1 0.000025");
        QVERIFY(!lw.Read("TIC2024366A1.txt").contains("25.0"));
        w.OnNewTicText("1 0.000035");
        for (int bad : {0, 9, -1})
            w.WriteTicTimeLine(bad, "never");
        w.ticTimeTagFormat = 1;
        w.receiverTime.SetDateTime(Utc(2024, 12, 31, 18, 0, 0)), w.displayTime = w.receiverTime;
        w.LogConfigurationText("@@Cj again");
        w.CloseTicLogs(true);
        QVERIFY(!w.ui->actionClose_TIC_Data_Log->isEnabled());

        // The receiver's 18:00 came after a header of the PC's 23:59:58: no trailer reads
        // earlier than its header.
        const QByteArray trailer = "; Closed TIC Data Logs 31-Dec-2024 23:59:58 UTC\n; \n";
        const QByteArray times = "1\t\t25.000000\t25.000000\n1\t\t35.000000\t35.000000\n";
        const QByteArray average = "1\t\t30.000000\t7.071068\t25.000000\t35.000000\t2\n";
        const QByteArray c = lw.Read("TIC2024366C.txt");
        QVERIFY(c.startsWith("; Horalux TIC Data Log, combined\n; Version " HORALUX_VERSION
                             "\n; Opened 31-Dec-2024 23:59:58 UTC\n; Time tag: year and day of year with fraction\n"));
        QVERIFY(c.endsWith(";\n@@Cj identity\nsecond line\n" + times + average + "60675.75000 @@Cj again\n" + trailer));
        w.WriteTicTimeLine(1, "after closing");
        const QByteArray t1 = lw.Read("TIC2024366T1.txt");
        QVERIFY(t1.contains("\n; Port: TIC1, /dev/counter1\n") && t1.endsWith(";\n" + times + trailer));
        QVERIFY(lw.Read("TIC2024366A1.txt").endsWith(";\n" + average + trailer));
        QVERIFY(lw.Read("TIC2024366T3.txt").endsWith(";\n" + trailer));
    }

    // Port 3, switched on while the set is open, gets its files with its first reading;
    // a file that cannot be had is said and the rest of the set goes on.
    void portSwitchedOnWhileTheSetIsOpen()
    {
        LogWindow lw(Keys(0, 3));
        QVERIFY(lw.w->OpenTicLogs() && QDir(lw.dir.path()).mkdir("TIC2024366A3.prn"));
        LogWindow::Set("TicPortDialog/TIC3 Serial Port", "TCP/IP");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("TIC2024366A3"));
        lw.w->OnNewTicText("3 0.000010");
        QVERIFY(lw.w->statusBar()->currentMessage().contains("TIC2024366A3.prn"));
        lw.w->CloseTicLogs(true);
        const QByteArray t3 = lw.Read("TIC2024366T3.prn");
        QVERIFY2(t3.contains("\n; Port: TIC3, TCP/IP\n") && DataLines(t3).size() == 1, t3);
    }

    // Up to 20000 characters wait for the set to open; more leave a note in their place.
    void bufferFlushedAfterTheHeader()
    {
        for (int size : {19999, 20000, 20001}) {
            LogWindow lw(Keys());
            lw.w->ticTimeTagFormat = 3;
            lw.w->LogConfigurationText(QString(size - 1, 'c'));
            QVERIFY(lw.w->OpenTicLogs());
            lw.w->CloseTicLogs(true);
            const QByteArray kept = size <= 20000 ? QByteArray(size - 1, 'c') + '\n'
                                                  : QByteArray("*** Configuration buffer overflow before log opened ***\n");
            QVERIFY2(lw.Read("TIC2024366C.csv").contains(";\n" + kept + "; Closed TIC Data Logs"), qPrintable(QString::number(size)));
            QCOMPARE(lw.Files(), QStringList{"TIC2024366C.csv"});  // no port in use
        }
    }

    // A line of the new year goes to the new day's files, after the old ones' trailers.
    void newDayBeforeTheLine()
    {
        LogWindow lw(Keys(0));
        UsePorts();
        ModalWatcher watcher(QMessageBox::No);
        QVERIFY(lw.w->OpenTicLogs());
        for (const QDateTime& t : {Utc(2024, 12, 31, 23, 59, 59), Utc(2025, 1, 1, 0, 0, 0)}) {
            PcTime::SetFixedUtc(t);  // the days-since-1900 tags read the PC clock
            lw.w->receiverTime.SetDateTime(t);
            lw.w->WriteTicTimeLine(1, t.date().year() == 2024 ? "old" : "new");
        }
        lw.w->ui->actionClose_TIC_Data_Log->trigger();
        QCOMPARE(watcher.boxes.value(0).text, "Are you sure you want to close this TIC Log file set?");
        QVERIFY(lw.w->ticCombinedLog.isOpen());
        watcher.SetAnswer(QMessageBox::Yes);
        lw.w->ui->actionClose_TIC_Data_Log->trigger();
        QVERIFY(!lw.w->ticCombinedLog.isOpen() && lw.Files().size() == 10);
        const QByteArray trailer = "\n; Closed TIC Data Logs 01-Jan-2025 00:00:00 UTC\n; \n";
        QVERIFY(lw.Read("TIC2024366T1.prn").endsWith(";\nold" + trailer));
        const QByteArray now = lw.Read("TIC2025001T1.prn");
        QVERIFY(now.contains("; Opened 01-Jan-2025 00:00:00 UTC\n") && now.endsWith(";\nnew" + trailer));
    }
};

HORALUX_TEST(TestGpsLog);
HORALUX_TEST(TestLogTexts);
HORALUX_TEST(TestPvtReplay);
HORALUX_TEST(TestTicLogs);
#include "tst_gpslog.moc"
