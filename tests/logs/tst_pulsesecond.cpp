// With a 1PPS pulse as without: each second stamped once, in the file of its own day,
// whatever goes wrong with the receiver's messages around it; and the second a message
// names taken by the arrival of its bytes, not by when it is decoded.

#include "secondfeed.h"
#include "builddate.h"
#include "fakepulse.h"
#include "socatpair.h"

#include "gpsserialportthread.h"

#include <QSerialPort>

#include <cmath>

using namespace LogFileNames;

namespace {

// What goes wrong in the eleven seconds from 23:59:52: the messages of 23:59:55 dated a
// day ahead, or lost (the fix stays); the receiver's data ending after 23:59:57; pulses
// and counter readings from 23:59:52 with the receiver's first data at 23:59:56; a leap
// second after 23:59:59, named 23:59:60 or 23:59:59 again; the messages of 23:59:59
// naming 00:00:00 or 00:00:01; the messages of 23:59:55 coming 1.05 s or 2 s late.
enum Trouble { BadDate, LostTime, FeedEnds, PulsesFirst, LeapSecond, RepeatedSecond, OneAhead, TwoAhead,
               LateOne, LateTwo };
const char* const kTroubleNames[] = {"one bad date", "a lost time message", "the feed's end",
                                     "pulses before any data", "a leap second", "23:59:59 repeated",
                                     "a second ahead", "two seconds ahead", "1.05 s late", "2 s late"};
constexpr int kSeconds = 11;
// The second of slot k as the logs name it is kFirstSecond + k: 60 is a leap second,
// the new day's seconds count on after the old day's last.
constexpr int kFirstSecond = 52;
constexpr int kTroubleSecond = 3;  // 23:59:55
constexpr int kLastSecond = 7;     // 23:59:59
// A TIC tag names the second it is written in; without a tick, the receiver's last time
// for as long as the logs wait for the next (2 s), a second late at most otherwise.
constexpr int64_t kTagLagMs = 2500;

bool IsTimeMessage(const QByteArray& name)
{
    return name == "ZDA" || name == "RMC" || name == "UTC" || name == "Ha";
}

bool HasLeapSecond(int trouble)
{
    return trouble == LeapSecond || trouble == RepeatedSecond;
}

// The receiver's second of slot k and the messages it sends for it, as the trouble
// leaves them.
QDateTime SlotTime(int trouble, const QDateTime& start, int k)
{
    return start.addSecs(HasLeapSecond(trouble) && k > kLastSecond ? k - 1 : k);
}

QByteArrayList MessagesOf(Trouble trouble, const QByteArrayList& messages, int k)
{
    if ((trouble == FeedEnds && k > 5) || (trouble == PulsesFirst && k <= kTroubleSecond))
        return {};
    QByteArrayList left;
    for (const QByteArray& name : messages) {
        const bool bTime = IsTimeMessage(name);
        if (k == kTroubleSecond && bTime && trouble == LostTime)
            continue;
        QByteArray given = name;
        if (k == kTroubleSecond && bTime && trouble == BadDate)
            given += "+1d";
        else if (k == kLastSecond && bTime && (trouble == OneAhead || trouble == TwoAhead))
            given += trouble == OneAhead ? "+1s" : "+2s";
        else if (k == kLastSecond + 1 && trouble == LeapSecond)
            given += ":60";
        left << given;
    }
    return left;
}

// The slot whose messages come late in slot k, or -1.
int LateSlotIn(int trouble, int k)
{
    const int lateBy = trouble == LateOne ? 1 : trouble == LateTwo ? 2 : 0;
    return lateBy > 0 && k == kTroubleSecond + lateBy ? kTroubleSecond : -1;
}

// Whether slot k's own time reaches the window within its second and follows the run
// (messages 1.05 s after the pulse still lie within a second of the others'). An NMEA
// sentence that repeats the one before word for word is not decoded again: the real
// 00:00:00 after one that named it early names nothing.
bool NamedInTime(int trouble, int k, bool bNmea)
{
    if ((trouble == FeedEnds && k > 5) || (trouble == PulsesFirst && k <= kTroubleSecond))
        return false;
    // A bad date still names its second by its time of day.
    if (k == kTroubleSecond)
        return trouble != LostTime && trouble != LateTwo;
    if (bNmea && trouble == OneAhead && k == kLastSecond + 1)
        return false;
    return k != kLastSecond || (trouble != OneAhead && trouble != TwoAhead);
}

// The stamps a RAW or NMEA log holds: with a pulse every second from the receiver's
// first data to two after its last (each tick stands in for the seconds no time named),
// without one only the seconds whose time came; a leap second is named by the run.
QList<int> ExpectedStamps(int trouble, bool bPulse, bool bNmea)
{
    QList<int> stamps;
    for (int k = 0; k < kSeconds; ++k) {
        const int first = trouble == PulsesFirst ? kTroubleSecond + 1 : 0;
        const int last = trouble == FeedEnds ? 5 + 2 : kSeconds - 1;
        const bool bLeapSlot = HasLeapSecond(trouble) && k == kLastSecond + 1;
        if (bPulse ? k >= first && k <= last : NamedInTime(trouble, k, bNmea) || bLeapSlot)
            stamps << kFirstSecond + k;
    }
    return stamps;
}

// The instant of a second as the logs name it; a leap second's tags lie in the middle
// of 23:59:59, as a day's fraction has no room for it.
QDateTime InstantOf(int trouble, const QDateTime& start, int second)
{
    const QDateTime midnight = start.addSecs(60 - start.time().second());
    if (HasLeapSecond(trouble) && second >= 60)
        return second == 60 ? midnight.addMSecs(-500) : midnight.addSecs(second - 61);
    return start.addSecs(second - start.time().second());
}

// The instant a TIC line's tag (after the port) names: year and day of the year with its
// fraction, or MJD.
QDateTime TagInstant(const QByteArray& line, int format)
{
    const QByteArray tag = line.split(',').value(1);  // 1,2024366.999977,25.000000,...
    double days = 0.0;
    QDate first;
    if (format == 0) {
        first = QDate(tag.left(4).toInt(), 1, 1);
        days = tag.mid(4).toDouble() - 1.0;
    } else {
        first = QDate(1858, 11, 17);
        days = tag.toDouble();
    }
    const int64_t ms = std::llround(days * 86400000.0);
    return QDateTime(first, QTime(0, 0), Qt::UTC).addMSecs(ms);
}

}  // namespace

class TestPulseSecond : public QObject
{
    Q_OBJECT

    SocatPair pair;
    bool bPairStarted = false;
    int64_t steadyMs = 0;

    // A window whose receiver port is the program's end of the pair, its 1PPS on DCD as
    // the port's watch reads it; the steady clock stays the test's.
    std::unique_ptr<FakePulse> UsePulsePort(MainWindow& w)
    {
        w.gpsPortThread.SetPpsInterface(1);
        w.gpsPortThread.startGpsSerialPort(false);
        auto pulse = std::make_unique<FakePulse>(w, FakePulse::Driver::Poll, steadyMs);
        UtcDateTime::SetSteadyClock([this] { return steadyMs; });
        return pulse;
    }

private slots:
    void initTestCase() { bPairStarted = SocatPair::Available() && pair.Start(); }
    void init()
    {
        steadyMs = 1000000;
        BuildDate::SetDay(QDate(2020, 1, 1));  // no GPS week rollover for receivers of 2024
        UtcDateTime::SetSteadyClock([this] { return steadyMs; });
    }
    void cleanup()
    {
        UtcDateTime::SetSteadyClock({});
        BuildDate::SetDay(QDate());
        PcTime::SetFixedUtc(QDateTime());
    }

    // Eleven seconds from 23:59:52 of each receiver (the NMEA time sentences in each
    // order with the fix first or last, a u-blox NAV-TIMEUTC with NAV-STATUS, a Motorola
    // @@Ha with @@Hb) into each log type, with a pulse before each second or none, and a
    // counter reading after each second's messages. Whatever the trouble: each second
    // the receiver named stamped once under its own name, and with a pulse each second
    // it stood in for; every record and every TIC line in the file of its own day; every
    // TIC tag the second it was written in, never stepping back, none lost; with a
    // pulse none repeated, a reading between the tick and the time it waits for
    // included, and the same in the average and combined files.
    void eachSecondWithPulseAsWithout_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QByteArrayList>("messages");
        QTest::addColumn<bool>("pulse");
        QTest::addColumn<int>("trouble");
        QTest::addColumn<bool>("readingFirst");
        struct Receiver
        {
            int mode;
            QByteArrayList messages;
            QList<int> types;
        };
        QList<Receiver> receivers;
        const QList<int> nmeaTypes{GpsLogRaw, GpsLogNmea, GpsLogPvt};
        for (const QByteArrayList& order : {QByteArrayList{"ZDA", "RMC"}, {"RMC", "ZDA"}, {"RMC"}, {"ZDA"}}) {
            receivers.append({GpsPortModeGenericNmea, QByteArrayList{"GGA"} + order, nmeaTypes});
            receivers.append({GpsPortModeGenericNmea, order + QByteArrayList{"GGA"}, nmeaTypes});
        }
        for (const QByteArrayList& order : {QByteArrayList{"STATUS", "UTC"}, {"UTC", "STATUS"}})
            receivers.append({GpsPortModeUbloxUbx, order, {GpsLogRaw, GpsLogBinary}});
        for (const QByteArrayList& order : {QByteArrayList{"Hb", "Ha"}, {"Ha", "Hb"}})
            receivers.append({GpsPortModeMotorolaBinary, order, {GpsLogRaw, GpsLogBinary}});
        // The troubles of the day's last seconds and of late messages: one order of each
        // protocol, the fix before and after the time.
        const QList<int> fewReceivers{0, 3, 8, 11};
        for (int trouble = BadDate; trouble <= LateTwo; ++trouble) {
            for (qsizetype r = 0; r < receivers.size(); ++r) {
                if (trouble > PulsesFirst && !fewReceivers.contains(r))
                    continue;
                for (int type : receivers[r].types) {
                    // NAV-STATUS names its second by the time of week, which counts a
                    // leap second as the next day's first.
                    if (HasLeapSecond(trouble) && type == GpsLogBinary && receivers[r].mode == GpsPortModeUbloxUbx)
                        continue;
                    for (bool bPulse : {true, false}) {
                        QTest::addRow("%s, %s: %s, %s", kTroubleNames[trouble], kTypeNames[type],
                                      receivers[r].messages.join(' ').constData(), bPulse ? "pulse" : "none")
                            << type << receivers[r].mode << receivers[r].messages << bPulse << trouble << false;
                    }
                    // The reading between the tick and the receiver's time, at a leap
                    // second and at a month's end with none.
                    if (fewReceivers.contains(r) && (HasLeapSecond(trouble) || trouble == BadDate)) {
                        QTest::addRow("%s, %s: %s, pulse, reading first", kTroubleNames[trouble], kTypeNames[type],
                                      receivers[r].messages.join(' ').constData())
                            << type << receivers[r].mode << receivers[r].messages << true << trouble << true;
                    }
                }
            }
        }
    }
    void eachSecondWithPulseAsWithout()
    {
        QFETCH(int, type);
        QFETCH(int, mode);
        QFETCH(QByteArrayList, messages);
        QFETCH(bool, pulse);
        QFETCH(int, trouble);
        QFETCH(bool, readingFirst);
        if (pulse && !bPairStarted) {
            if (SocatPair::Required())
                QFAIL("socat is needed for the pulse rows");
            QSKIP("socat is not installed");
        }
        const int tagFormat = trouble == FeedEnds || trouble == PulsesFirst ? 1 : 0;
        LogWindow lw({{"LogFiles/GPSLogType", type}, {"LogFiles/GPSLogPrefix", "GPS"},
                      {"LogFiles/TicTimeTagFormat", tagFormat}, {"LogFiles/TicLogPrefix", "TIC"},
                      {"LogFiles/TicLogStyle", 1}, {"LogFiles/TicAveragingPeriod", 1},
                      {"TicPortDialog/TIC1 Serial Port", "/dev/counter1"},
                      {"GpsPortDialog/GPS Serial Port", pair.ProgramEnd()}});
        MainWindow& w = *lw.w;
        receiverInfo.gpsPortMode = mode;
        receiverInfo.receiverModel = mode == GpsPortModeMotorolaBinary ? 9 : int(ReceiverModelGenericNmea);
        // Gone before the window.
        const std::unique_ptr<FakePulse> pulser = pulse ? UsePulsePort(w) : nullptr;
        const QDateTime start = Utc(2024, 12, 31, 23, 59, 52);
        PcTime::SetFixedUtc(start);
        QVERIFY(w.OpenGpsLog());
        QVERIFY(w.OpenTicLogs());
        const int64_t startMs = steadyMs;
        for (int k = 0; k < kSeconds; ++k) {
            PcTime::SetFixedUtc(start.addSecs(k));
            steadyMs = startMs + 1000 * k;
            if (pulser)
                QVERIFY(pulser->Edge());
            if (readingFirst) {
                steadyMs += 20;
                Feed(w, "TIC", start.addSecs(k));
            }
            const int late = LateSlotIn(trouble, k);
            if (late >= 0) {
                steadyMs += 50;
                for (const QByteArray& name : MessagesOf(Trouble(trouble), messages, late))
                    Feed(w, name, SlotTime(trouble, start, late));
            }
            // With a pulse the seconds after a leap second come earlier in their second:
            // the run of times alone would not show the second added, the ticks do.
            if (pulser && HasLeapSecond(trouble) && k > kLastSecond + 1)
                steadyMs -= 100;
            if (k != kTroubleSecond || (trouble != LateOne && trouble != LateTwo)) {
                for (const QByteArray& name : MessagesOf(Trouble(trouble), messages, k)) {
                    steadyMs += 150;
                    Feed(w, name, SlotTime(trouble, start, k));
                }
            }
            steadyMs += 100;
            if (!readingFirst)
                Feed(w, "TIC", start.addSecs(k));
        }
        w.CloseGpsLog(true);
        w.CloseTicLogs(true);

        const QString ext = GpsLogExtension(type);
        const QString today = RecordSeconds(lw.Read("GPS2024366" + ext), type);
        const QString tomorrow = lw.Files().contains("GPS2025001" + ext) ? RecordSeconds(lw.Read("GPS2025001" + ext), type)
                                                                          : QString();
        const QString files = today + " | " + tomorrow;
        // The seconds of the records in file order, named as kFirstSecond counts them.
        // A message that named 23:59:59 a second or two ahead stays in today's file.
        int aheadInToday = 0;
        QList<int> seconds;
        for (const QString& s : today.split(' ', Qt::SkipEmptyParts)) {
            const bool bAhead = (trouble == OneAhead || trouble == TwoAhead) && type == GpsLogBinary &&
                                s.toInt() == trouble - OneAhead && ++aheadInToday == 1;
            QVERIFY2(s.toInt() >= 50 || bAhead, qPrintable("today's file: " + files));
            if (!bAhead)
                seconds << s.toInt();
        }
        for (const QString& s : tomorrow.split(' ', Qt::SkipEmptyParts)) {
            QVERIFY2(s.toInt() < 10, qPrintable("tomorrow's file: " + files));
            seconds << s.toInt() + (HasLeapSecond(trouble) ? 61 : 60);
        }
        const int firstData = trouble == PulsesFirst ? 56 : 52;
        QVERIFY2(!seconds.isEmpty() && seconds.first() >= firstData, qPrintable(files));
        if (type == GpsLogRaw || type == GpsLogNmea)
            QCOMPARE(seconds, ExpectedStamps(trouble, pulse, mode == GpsPortModeGenericNmea));

        // Each TIC line in the file of its tag's day, tagged the second it was written in:
        // exactly while the receiver names it or a tick stands in for it.
        const QList<int> stamped = ExpectedStamps(trouble, pulse, mode == GpsPortModeGenericNmea);
        const int64_t exactMs = tagFormat == 0 ? 100 : 900;  // the tag's last digit
        int lines = 0;
        int repeated = 0;
        QDateTime lastTag;
        for (const QString& name : lw.Files()) {
            if (!name.contains("T1"))
                continue;
            const QDate fileDay = name.startsWith("TIC2024366") ? QDate(2024, 12, 31) : QDate(2025, 1, 1);
            for (const QByteArray& line : DataLines(lw.Read(name))) {
                const QDateTime tag = TagInstant(line, tagFormat);
                const QString where = name + ": " + line + " (line " + QString::number(lines) + ")";
                QVERIFY2(tag.date() == fileDay, qPrintable(where));
                QVERIFY2(!lastTag.isValid() || tag >= lastTag, qPrintable(where));
                repeated += tag == lastTag;
                // A receiver's 23:59:60 that its decoder does not take, or 23:59:59 named
                // again, is known for a leap second only at the next time: with a tick,
                // its reading waits for that time.
                const bool bUnnamedLeap = !pulse && HasLeapSecond(trouble) && lines == kLastSecond + 1 &&
                                          (trouble == RepeatedSecond || mode == GpsPortModeGenericNmea);
                const int second = kFirstSecond + lines;
                const bool bCameLate = lines == kTroubleSecond && (trouble == LateOne || trouble == LateTwo);
                const bool bNamed = NamedInTime(trouble, lines, mode == GpsPortModeGenericNmea) && !bCameLate;
                if (stamped.contains(second) && !bUnnamedLeap && (pulse || bNamed))
                    QVERIFY2(std::llabs(tag.msecsTo(InstantOf(trouble, start, second))) <= exactMs, qPrintable(where));
                else
                    QVERIFY2(std::llabs(tag.msecsTo(start.addSecs(lines))) <= kTagLagMs, qPrintable(where));
                lastTag = tag;
                ++lines;
            }
        }
        QCOMPARE(lines, kSeconds);
        // With a tick each second, each reading's tag names a second of its own.
        if (pulse)
            QCOMPARE(repeated, 0);
        // The average and the combined files carry the same tags in the same order.
        QMap<QString, QList<QDateTime>> tagsOf;  // T1, A1, the combined file's by field count
        for (const QString& name : lw.Files()) {
            const QString kind = name.mid(10, 2);
            for (const QByteArray& line : name.startsWith("TIC") ? DataLines(lw.Read(name)) : QList<QByteArray>()) {
                const QString stream = kind == "T1" || kind == "A1" ? kind : "C" + QString::number(line.count(','));
                tagsOf[stream] << TagInstant(line, tagFormat);
            }
        }
        QCOMPARE(tagsOf.keys(), QStringList({"A1", "C3", "C6", "T1"}));
        for (const QString& stream : tagsOf.keys())
            QVERIFY2(tagsOf[stream] == tagsOf["T1"], qPrintable(stream));
    }
    // A reading that waits for the receiver to name a leap second's tick is written
    // once the set closes, or once the ticks of a silence have stood in, under the
    // second it was taken for when it came.
    void readingWaitingForNameNeverLost_data()
    {
        QTest::addColumn<int>("silentTicks");
        QTest::newRow("set closed") << 0;
        QTest::newRow("receiver silent") << 3;
    }
    void readingWaitingForNameNeverLost()
    {
        QFETCH(int, silentTicks);
        if (!bPairStarted) {
            if (SocatPair::Required())
                QFAIL("socat is needed for this test");
            QSKIP("socat is not installed");
        }
        LogWindow lw({{"LogFiles/TicTimeTagFormat", 0}, {"LogFiles/TicLogPrefix", "TIC"}, {"LogFiles/TicLogStyle", 1},
                      {"TicPortDialog/TIC1 Serial Port", "/dev/counter1"},
                      {"GpsPortDialog/GPS Serial Port", pair.ProgramEnd()}});
        MainWindow& w = *lw.w;
        receiverInfo.gpsPortMode = GpsPortModeGenericNmea;
        receiverInfo.receiverModel = ReceiverModelGenericNmea;
        const std::unique_ptr<FakePulse> pulser = UsePulsePort(w);
        const QDateTime start = Utc(2024, 12, 31, 23, 59, 58);
        PcTime::SetFixedUtc(start);
        QVERIFY(w.OpenTicLogs());
        const int64_t startMs = steadyMs;
        const int readings = 3 + silentTicks;
        for (int k = 0; k < readings; ++k) {
            steadyMs = startMs + 1000 * k;
            QVERIFY(pulser->Edge());
            const QByteArrayList names = k < 2 ? QByteArrayList{"GGA", "ZDA", "RMC"}
                                         : k == 2 ? QByteArrayList{"ZDA:60"} : QByteArrayList();
            for (const QByteArray& name : names) {
                steadyMs += 150;
                Feed(w, name, start.addSecs(std::min(k, 1)));
            }
            steadyMs += 100;
            Feed(w, "TIC", start.addSecs(k));
        }
        w.CloseTicLogs(true);
        QList<QByteArray> lines;
        for (const QString& name : lw.Files()) {
            if (name.contains("T1"))
                lines << DataLines(lw.Read(name));
        }
        QCOMPARE(lines.size(), readings);
        QVERIFY2(std::llabs(TagInstant(lines[2], 0).msecsTo(Utc(2025, 1, 1, 0, 0, 0))) <= 100, lines[2].constData());
    }
    // A window held up for 1.5 s after each message it decodes (a slow disk under a
    // log), the second's messages come in one block from the port: the bytes' arrival
    // decides which second a message names, so each second is taken once.
    void stalledWindowTakesEachSecondOnce_data()
    {
        QTest::addColumn<QByteArrayList>("messages");
        QTest::newRow("ZDA then RMC") << QByteArrayList{"ZDA", "RMC"};
        QTest::newRow("RMC then ZDA") << QByteArrayList{"RMC", "ZDA"};
    }
    void stalledWindowTakesEachSecondOnce()
    {
        QFETCH(QByteArrayList, messages);
        if (!bPairStarted) {
            if (SocatPair::Required())
                QFAIL("socat is needed for this test");
            QSKIP("socat is not installed");
        }
        LogWindow lw({{"LogFiles/GPSLogType", int(GpsLogRaw)}, {"LogFiles/GPSLogPrefix", "GPS"},
                      {"GpsPortDialog/GPS Serial Port", pair.ProgramEnd()},
                      {"GpsPortDialog/GPS Serial Port Mode", "Generic NMEA"}});
        MainWindow& w = *lw.w;
        receiverInfo.gpsPortMode = GpsPortModeGenericNmea;
        receiverInfo.receiverModel = ReceiverModelGenericNmea;
        int decoded = 0;
        connect(&w.gpsPortThread, &GpsSerialPortThread::newGpsText, &w, [this, &decoded] {
            steadyMs += 1500;
            ++decoded;
        });
        w.gpsPortThread.startGpsSerialPort(false);
        QVERIFY(w.gpsPortThread.Port().isOpen());
        QSerialPort receiver;
        receiver.setPortName(pair.ReceiverEnd());
        QVERIFY(receiver.open(QIODevice::ReadWrite));
        const QDateTime start = Utc(2024, 12, 31, 12, 0, 0);
        PcTime::SetFixedUtc(start);
        QVERIFY(w.OpenGpsLog());
        const int64_t startMs = steadyMs;
        for (int k = 0; k < 3; ++k) {
            // Ten seconds apart, as the receiver's times say: a time that does not follow
            // the run would be logged as no second of its own.
            const QDateTime t = start.addSecs(10 * k);
            PcTime::SetFixedUtc(t);
            steadyMs = startMs + 10000 * k;
            const QByteArray hms = t.toString("HHmmss").toLatin1() + ".00,";
            QByteArray block;
            for (const QByteArray& name : messages) {
                block += name == "ZDA" ? Sentence("$GPZDA," + hms + "31,12,2024,00,00")
                                       : Sentence("$GPRMC," + hms + "A,4807.038,N,01131.000,E,0.0,0.0,311224,,");
                block += "\r\n";
            }
            receiver.write(block);
            QVERIFY(receiver.waitForBytesWritten(1000));
            QVERIFY(TestSupport::WaitFor([&] { return decoded == 2 * (k + 1); }, 3000));
        }
        w.CloseGpsLog(true);
        QCOMPARE(RecordSeconds(lw.Read("GPS2024366.txt"), GpsLogRaw), QString("0 10 20"));
    }
};

HORALUX_TEST(TestPulseSecond);
#include "tst_pulsesecond.moc"
