// Each receiver second taken once, and every record in the file of its own day, in any
// order a receiver sends its messages; a record's own time placing it only when it is a
// time near the receiver's; what the note says of a time out of step.

#include "logwindow.h"
#include "builddate.h"
#include "fakesystemclock.h"
#include "gpslogtypedialog.h"
#include "logfilenames.h"
#include "setpcclockdialog.h"

#include <QtEndian>

using namespace LogFileNames;

namespace {

// One message of the receiver's second t, as the port hands it on; "tick" is the 1PPS
// edge. A name may end in "+1d" (dated a day ahead), "+3s" (a time 3 s ahead), ".6" (a
// time 0.6 s into its second) or "-" (the time field empty).
void Feed(MainWindow& w, QByteArray name, const QDateTime& second)
{
    QDateTime t = second;
    QByteArray fraction = ".00";
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
    const QByteArray hms = bNoTime ? "," : t.toString("HHmmss").toLatin1() + fraction + ",";
    const uint32_t tow = uint32_t(d.dayOfWeek() % 7 * 86400000 + c.msecsSinceStartOfDay());  // ms into the GPS week
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
                                            .U8(16, c.hour()).U8(17, c.minute()).U8(18, c.second()).U8(19, 0x07)
                                            .Frame(1, 0x21));
    else if (name == "STATUS")
        emit w.gpsPortThread.newGpsText(UbxPayload(16).U32(0, tow).U8(4, 3).Frame(1, 0x03));
    else  // "Ha" or "Hb"
        emit w.gpsPortThread.newGpsText(MotorolaMessage(name.constData()).DateTime(d.year(), d.month(), d.day(), c.hour(), c.minute(), c.second()));
}

// The second of the minute of each record in a log, in file order.
QString RecordSeconds(const QByteArray& log, int type)
{
    QList<int> seconds;
    if (type == GpsLogBinary) {
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
    for (const QByteArray& line : type == GpsLogBinary ? QList<QByteArray>() : DataLines(log)) {
        if (type == GpsLogRaw)
            seconds << line.mid(17, 2).toInt();  // 2024-12-31,23:59:58,
        else if (type == GpsLogNmea)
            seconds << line.mid(11, 2).toInt();  // $GPGGA,235958.00,
        else if (!line.startsWith("hours,"))
            seconds << line.mid(6, 2).toInt();   // 23,59,58.00,
    }
    QStringList texts;
    for (int s : seconds)
        texts << QString::number(s);
    return texts.join(' ');
}

const char* const kTypeNames[] = {"RAW", "BINARY", "PVT", "NMEA"};

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
    // into 23:59:59 before its second's time, in the old day as that time. TIC lines
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
                                           << QStringList{"GPS2024366.csv:3", "GPS2025001.csv:1"};
        QTest::newRow("PC-tagged TIC lines, receiver out of step at midnight")
            << Utc(2024, 12, 31, 23, 59, 50) << int(GpsPortModeGenericNmea) << QStringList{"TIC ZDA*8", "TIC ZDA+3s*12"}
            << QStringList{"TIC2024366T1.csv:10", "TIC2025001T1.csv:10"};
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
