// Each receiver second taken once, and every record in the file of its own day, in any
// order a receiver sends its messages; a record's own time placing it only when it is a
// time near the receiver's; what the note says of a time out of step.

#include "logwindow.h"
#include "builddate.h"
#include "fakesystemclock.h"
#include "gpslogtypedialog.h"
#include "logfilenames.h"
#include "secondfeed.h"
#include "setpcclockdialog.h"

using namespace LogFileNames;

namespace {

// One message as a row gives it: "<kind> <yyyy-MM-dd> <hh:mm:ss>", any field as the
// receiver sent it (day 0, second 60).
QByteArray Message(const QByteArray& text)
{
    const QList<QByteArray> f = text.split(' ');
    const QList<QByteArray> d = f.value(1).split('-');
    const QList<QByteArray> c = f.value(2).split(':');
    const int year = d.value(0).toInt(), month = d.value(1).toInt(), day = d.value(2).toInt();
    const int hour = c.value(0).toInt(), minute = c.value(1).toInt(), second = c.value(2).toInt();
    const QByteArray hms = c.join("") + ".00,";
    if (f[0] == "ZDA")
        return Sentence("$GPZDA," + hms + d.value(2) + "," + d.value(1) + "," + d.value(0) + ",00,00");
    if (f[0] == "RMC")
        return Sentence("$GPRMC," + hms + "A,4807.038,N,01131.000,E,0.0,0.0," + d.value(2) + d.value(1) +
                        d.value(0).right(2) + ",,");
    if (f[0] == "GGA")
        return Sentence("$GPGGA," + hms + "4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
    if (f[0] == "UTC") {
        const QDate date(year, month, std::max(day, 1));
        const int secondOfDay = (hour * 60 + minute) * 60 + second;
        const uint32_t tow = uint32_t(date.dayOfWeek() % 7 * 86400000 + secondOfDay * 1000);
        return UbxPayload(20).U32(0, tow).U16(12, year).U8(14, month).U8(15, day).U8(16, hour).U8(17, minute)
            .U8(18, second).U8(19, 0x07).Frame(1, 0x21);
    }
    return MotorolaMessage("Ha").DateTime(year, month, day, hour, minute, second);
}

}  // namespace

class TestEachSecond : public QObject
{
    Q_OBJECT

    // The PC clock set in continuous mode, with the overrides that let a time message
    // without a tick set it: each clock decision is seen as a set.
    static void SetEverySecond(MainWindow& w)
    {
        LogWindow::Set("SetPcClockDialog/Time Sync Mode", 2);
        w.ApplyPcClockSyncSettings();
        w.setPcClockDialog->bOverrideTraim = w.setPcClockDialog->bOverrideIntegrity = true;
        FakeSystemClock::Reset();
    }

private slots:
    // The receivers here speak of 2024 and 2025: no GPS week rollover for this build.
    void init() { BuildDate::SetDay(QDate(2020, 1, 1)); }
    void cleanup()
    {
        PcTime::SetFixedUtc(QDateTime());
        BuildDate::SetDay(QDate());
    }

    // 23:59:58 to 00:00:02, each log type, the log opened before the first message. The
    // NMEA time sentences in every order, the fix before or after them; for BINARY a
    // u-blox receiver's NAV-TIMEUTC with an RMC before or after it or alone, and a
    // Motorola receiver's @@Ha, with NAV-STATUS or @@Hb before or after; with a tick
    // before each second or none. Each second: one status record where the type has
    // them, one set of the PC clock (the first time follows nothing), every record in the
    // file of its day.
    void eachSecondOnceInItsDay_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QByteArrayList>("messages");
        const QByteArrayList nmeaOrders[] = {{"ZDA", "RMC"}, {"RMC", "ZDA"}, {"RMC"}, {"ZDA"}};
        const QByteArrayList binaryOrders[] = {{"UTC", "RMC"}, {"RMC", "UTC"}, {"Ha"}, {"UTC"}};
        for (int type : {int(GpsLogRaw), int(GpsLogNmea), int(GpsLogPvt), int(GpsLogBinary)}) {
            for (int order = 0; order < 4; ++order) {
                for (bool bFixFirst : {true, false}) {
                    for (bool bTick : {true, false}) {
                        const bool bBinary = type == GpsLogBinary;
                        const bool bMotorola = bBinary && order == 2;
                        QByteArrayList messages = bBinary ? binaryOrders[order] : nmeaOrders[order];
                        const QByteArray fix = !bBinary ? "GGA" : bMotorola ? "Hb" : "STATUS";
                        bFixFirst ? messages.prepend(fix) : messages.append(fix);
                        if (bTick)
                            messages.prepend("tick");
                        const int mode = !bBinary ? GpsPortModeGenericNmea
                                                  : bMotorola ? GpsPortModeMotorolaBinary : GpsPortModeUbloxUbx;
                        QTest::addRow("%s: %s", kTypeNames[type], messages.join(' ').constData())
                            << type << mode << messages;
                    }
                }
            }
        }
    }
    void eachSecondOnceInItsDay()
    {
        QFETCH(int, type);
        QFETCH(int, mode);
        QFETCH(QByteArrayList, messages);
        LogWindow lw({{"LogFiles/GPSLogType", type}, {"LogFiles/GPSLogPrefix", "GPS"}});
        MainWindow& w = *lw.w;
        receiverInfo.gpsPortMode = mode;
        receiverInfo.receiverModel = mode == GpsPortModeMotorolaBinary ? 9 : int(ReceiverModelGenericNmea);
        int64_t steadyMs = 0;
        w.receiverTimeCheck.clockMs = [&steadyMs] { return steadyMs; };
        SetEverySecond(w);
        const QDateTime start = Utc(2024, 12, 31, 23, 59, 58);
        PcTime::SetFixedUtc(start);
        QVERIFY(w.OpenGpsLog());
        for (int s = 0; s < 5; ++s) {
            const QDateTime t = start.addSecs(s);
            PcTime::SetFixedUtc(t);
            steadyMs = 1000 * s;
            for (const QByteArray& name : messages) {
                Feed(w, name, t);
                steadyMs += 150;
            }
        }
        w.CloseGpsLog(true);

        // Records of a second: the status record, the PVT line, or each binary message.
        const qsizetype binary = messages.count("UTC") + messages.count("STATUS") + messages.count("Ha") +
                                 messages.count("Hb");
        const qsizetype each = type == GpsLogBinary ? binary : 1;
        const auto expected = [each](std::initializer_list<int> seconds) {
            QStringList list;
            for (int s : seconds)
                list << QStringList(each, QString::number(s));
            return list.join(' ');
        };
        const QString ext = GpsLogExtension(type);
        QCOMPARE(lw.Files(), QStringList({"GPS2024366" + ext, "GPS2025001" + ext}));
        QCOMPARE(RecordSeconds(lw.Read("GPS2024366" + ext), type), expected({58, 59}));
        QCOMPARE(RecordSeconds(lw.Read("GPS2025001" + ext), type), expected({0, 1, 2}));
        QStringList sets;
        for (const QDateTime& set : FakeSystemClock::Get().setTimes)
            sets << set.toString("HH:mm:ss");
        // A tick sets the clock to the second after the message before it, which follows
        // another from the second tick on.
        QCOMPARE(sets.join(' '), QString(messages.contains("tick") ? "" : "23:59:59 ") + "00:00:00 00:00:01 00:00:02");
    }

    // A record's own time places it only when it is a time near the receiver's: a fix
    // with an empty time field, by the day (PVT, ZDA and RMC each second); a Motorola
    // @@Hb dated tomorrow before any time and among good ones, or 12 s ahead; a fix 0.6 s
    // into 23:59:59 before the time that puts that second on the new day. TIC lines
    // tagged with the PC clock, before each time, by their tag while the receiver's time
    // is 3 s out of step across midnight. The messages of each
    // second ("*N" repeats a second), then each file with the records of the GPS log or
    // of TIC port 1 in it.
    void ownTimePlacesOnlyWhenNear_data()
    {
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("seconds");
        QTest::addColumn<QStringList>("files");
        QTest::newRow("empty fix time at 15:00") << Utc(2024, 12, 31, 15, 0, 0) << int(GpsPortModeGenericNmea)
                                                 << QStringList{"ZDA RMC GGA-*16"} << QStringList{"GPS2024366.csv:16"};
        QTest::newRow("empty fix time at 03:00") << Utc(2024, 12, 31, 3, 0, 0) << int(GpsPortModeGenericNmea)
                                                 << QStringList{"ZDA RMC GGA-*16"} << QStringList{"GPS2024366.csv:16"};
        QTest::newRow("empty fix time at 23:59:58") << Utc(2024, 12, 31, 23, 59, 57) << int(GpsPortModeGenericNmea)
                                                   << QStringList{"ZDA RMC GGA-*3"} << QStringList{"GPS2024366.csv:3"};
        QTest::newRow("@@Hb dated tomorrow") << Utc(2024, 12, 31, 23, 59, 50) << int(GpsPortModeMotorolaBinary)
                                             << QStringList{"Hb+1d Ha", "Ha Hb*2", "Ha Hb+1d", "Ha Hb+12s", "Ha Hb*2"}
                                             << QStringList{"GPS2024366.csv:14"};
        QTest::newRow("fix at 23:59:59.6") << Utc(2024, 12, 31, 23, 59, 57) << int(GpsPortModeGenericNmea)
                                           << QStringList{"GGA.6 ZDA.6*4"}
                                           << QStringList{"GPS2024366.csv:2", "GPS2025001.csv:2"};
        QTest::newRow("PC-tagged TIC lines, receiver out of step at midnight")
            << Utc(2024, 12, 31, 23, 59, 50) << int(GpsPortModeGenericNmea) << QStringList{"TIC ZDA*8", "TIC ZDA+3s*12"}
            << QStringList{"TIC2024366T1.csv:10", "TIC2025001T1.csv:10"};
        QTest::newRow("PC-tagged TIC lines, receiver out of step, no line in the new day's first second")
            << Utc(2024, 12, 31, 23, 59, 50) << int(GpsPortModeGenericNmea)
            << QStringList{"TIC ZDA*8", "TIC ZDA+3s*2", "ZDA+3s", "TIC ZDA+3s*9"}
            << QStringList{"TIC2024366T1.csv:10", "TIC2025001T1.csv:9"};
    }
    void ownTimePlacesOnlyWhenNear()
    {
        QFETCH(QDateTime, start);
        QFETCH(int, mode);
        QFETCH(QStringList, seconds);
        QFETCH(QStringList, files);
        LogWindow lw({{"LogFiles/GPSLogType", int(GpsLogPvt)}, {"LogFiles/GPSLogPrefix", "GPS"},
                      {"LogFiles/TicTimeTagFormat", 2}, {"LogFiles/TicLogPrefix", "TIC"},
                      {"LogFiles/TicLogStyle", 1}, {"TicPortDialog/TIC1 Serial Port", "/dev/counter1"}});
        MainWindow& w = *lw.w;
        receiverInfo.gpsPortMode = mode;
        receiverInfo.receiverModel = mode == GpsPortModeMotorolaBinary ? 9 : int(ReceiverModelGenericNmea);
        int64_t steadyMs = 0;
        w.receiverTimeCheck.clockMs = [&steadyMs] { return steadyMs; };
        PcTime::SetFixedUtc(start);
        const bool bTic = seconds.join(' ').contains("TIC");
        QVERIFY(bTic ? w.OpenTicLogs() : w.OpenGpsLog());
        QDateTime t = start;
        for (const QString& entry : seconds) {
            const QStringList repeat = entry.split('*');
            for (int k = 0; k < (repeat.size() > 1 ? repeat[1].toInt() : 1); ++k, t = t.addSecs(1)) {
                PcTime::SetFixedUtc(t);
                steadyMs = start.msecsTo(t);
                for (const QString& name : repeat[0].split(' ')) {
                    Feed(w, name.toLatin1(), t);
                    steadyMs += 100;
                }
            }
        }
        w.CloseGpsLog(true);
        w.CloseTicLogs(true);
        QStringList found;
        for (const QString& name : lw.Files()) {
            if (name.startsWith("GPS") || name.contains("T1")) {
                QList<QByteArray> lines = DataLines(lw.Read(name));
                lines.removeIf([](const QByteArray& line) { return line.startsWith("hours,"); });
                found << name + ":" + QString::number(lines.size());
            }
        }
        QCOMPARE(found, files);
    }

    // Faults a review once put into this code that no row caught. Each row: the log type,
    // the receiver's mode, its messages as "<steady ms> <message>" (the steady clock of
    // their arrival), then the records of each file and the PC clock sets.
    void faultsOnceSeeded_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QByteArrayList>("steps");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("sets");
        const int nmea = GpsPortModeGenericNmea;
        QTest::newRow("ZDA dated day 0, then the RMC of its second: one record, one decision")
            << int(GpsLogRaw) << nmea
            << QByteArrayList{"0 ZDA 2024-12-31 12:00:00", "1000 ZDA 2024-12-31 12:00:01", "2000 ZDA 2024-12-00 12:00:02",
                              "2150 RMC 2024-12-31 12:00:02", "3000 ZDA 2024-12-31 12:00:03"}
            << QStringList{"GPS2024366.txt:0 1 2 3"} << "12:00:01 12:00:02 12:00:03";
        QTest::newRow("a time repeated exactly 1000 ms later: a new second")
            << int(GpsLogRaw) << nmea
            << QByteArrayList{"0 ZDA 2024-12-31 12:00:00", "1000 ZDA 2024-12-31 12:00:01", "2000 RMC 2024-12-31 12:00:01"}
            << QStringList{"GPS2024366.txt:0 1"} << "12:00:01";
        QTest::newRow("a fix time exactly 2 s from the run: placed by its own time")
            << int(GpsLogPvt) << nmea
            << QByteArrayList{"0 ZDA 2024-12-31 23:59:57", "1000 ZDA 2024-12-31 23:59:58", "1150 GGA 2024-12-31 00:00:00"}
            << QStringList{"GPS2024366.csv:", "GPS2025001.csv:0"} << "23:59:58";
        for (const char* kind : {"ZDA", "UTC", "Ha"}) {
            const int mode = kind[0] == 'Z' ? nmea : kind[0] == 'U' ? int(GpsPortModeUbloxUbx) : int(GpsPortModeMotorolaBinary);
            QByteArrayList steps;
            for (const char* at : {"0 2024-12-31 23:59:58", "1000 2024-12-31 23:59:59", "2000 2024-12-31 23:59:60",
                                   "2950 2025-01-01 00:00:00", "3950 2025-01-01 00:00:01", "4950 2025-01-01 00:00:02"})
                steps << QByteArray(at).replace(" 20", QByteArray(" ") + kind + " 20");
            QTest::addRow("leap second 23:59:60, 00:00:00 0.95 s after it: %s", kind) << int(GpsLogRaw) << mode << steps
                << QStringList{kind[0] == 'Z' ? "GPS2024366.txt:58 59" : "GPS2024366.txt:58 59 60", "GPS2025001.txt:0 1 2"}
                << "23:59:59 00:00:00 00:00:01 00:00:02";
        }
    }
    void faultsOnceSeeded()
    {
        QFETCH(int, type);
        QFETCH(int, mode);
        QFETCH(QByteArrayList, steps);
        QFETCH(QStringList, files);
        QFETCH(QString, sets);
        LogWindow lw({{"LogFiles/GPSLogType", type}, {"LogFiles/GPSLogPrefix", "GPS"}});
        MainWindow& w = *lw.w;
        receiverInfo.gpsPortMode = mode;
        receiverInfo.receiverModel = mode == GpsPortModeMotorolaBinary ? 9 : int(ReceiverModelGenericNmea);
        int64_t steadyMs = 0;
        w.receiverTimeCheck.clockMs = [&steadyMs] { return steadyMs; };
        SetEverySecond(w);
        QDateTime pc = Utc(2024, 12, 31, 12, 0, 0);
        for (const QByteArray& step : steps) {
            const qsizetype blank = step.indexOf(' ');
            steadyMs = step.left(blank).toLongLong();
            const QByteArray message = step.mid(blank + 1);
            // The PC clock in step with the receiver, read as far as it goes (a second of 60
            // leaves it where it was).
            const QDateTime given = QDateTime::fromString(QString::fromLatin1(message.mid(message.indexOf(' ') + 1)),
                                                          "yyyy-MM-dd HH:mm:ss");
            if (given.isValid())
                pc = QDateTime(given.date(), given.time(), Qt::UTC);
            PcTime::SetFixedUtc(pc);
            if (step == steps.first())
                QVERIFY(w.OpenGpsLog());
            emit w.gpsPortThread.newGpsText(Message(message));
        }
        w.CloseGpsLog(true);
        QStringList found;
        for (const QString& name : lw.Files())
            found << name + ":" + RecordSeconds(lw.Read(name), type);
        QCOMPARE(found, files);
        QStringList setTimes;
        for (const QDateTime& set : FakeSystemClock::Get().setTimes)
            setTimes << set.toString("HH:mm:ss");
        QCOMPARE(setTimes.join(' '), sets);
    }

    // A time out of step with the run before it (one held 2.5 s, one of a receiver past a
    // GPS week rollover) is said as such, with how far off it lies; the PC clock is named
    // only while its setting is on, and the rollover note comes first.
    void outOfStepNote_data()
    {
        QTest::addColumn<int>("syncMode");
        QTest::addColumn<int>("year");     // of the fourth time
        QTest::addColumn<int>("lateMs");   // how late the fourth time comes
        QTest::addColumn<QString>("note");
        const QString late = ": its time messages give 01-Mar-2024 12:00:03 UTC 3.5 s after 01-Mar-2024 "
                             "12:00:02 UTC, 2.5 s behind their run";
        const QString rollover = "GPS week rollover? PC clock not set: receiver date 01-Mar-2005 is before this "
                                 "program's build date 01-Jan-2020";
        QTest::newRow("held 2.5 s, clock setting Disable") << 0 << 2024 << 2500 << "Receiver time out of step" + late;
        QTest::newRow("held 2.5 s, clock set every second") << 2 << 2024 << 2500
                                                            << "Receiver time out of step, PC clock not set" + late;
        QTest::newRow("rollover date, Disable") << 0 << 2005 << 0 << rollover;
        QTest::newRow("rollover date, every second") << 2 << 2005 << 0 << rollover;
    }
    void outOfStepNote()
    {
        QFETCH(int, syncMode);
        QFETCH(int, year);
        QFETCH(int, lateMs);
        QFETCH(QString, note);
        LogWindow lw;
        MainWindow& w = *lw.w;
        receiverInfo.gpsPortMode = GpsPortModeGenericNmea;
        int64_t steadyMs = 0;
        w.receiverTimeCheck.clockMs = [&steadyMs] { return steadyMs; };
        LogWindow::Set("SetPcClockDialog/Time Sync Mode", syncMode);
        w.ApplyPcClockSyncSettings();
        for (int s = 0; s < 4; ++s) {
            steadyMs = 1000 * s + (s == 3 ? lateMs : 0);
            const QDateTime t = Utc(s == 3 ? year : 2024, 3, 1, 12, 0, s);
            PcTime::SetFixedUtc(t);
            Feed(w, "ZDA", t);
        }
        QCOMPARE(w.clockGuardLabel->isHidden() ? QString() : w.clockGuardLabel->toolTip(), note);
    }
};

HORALUX_TEST(TestEachSecond);
#include "tst_eachsecond.moc"
