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

// What goes wrong in the ten seconds from 23:59:52: the messages of 23:59:55 dated a day
// ahead, or lost (the fix stays); the receiver's data ending after 23:59:57; or pulses
// and counter readings from 23:59:52 with the receiver's first data at 23:59:56.
enum Trouble { BadDate, LostTime, FeedEnds, PulsesFirst };
const char* const kTroubleNames[] = {"one bad date", "a lost time message", "the feed's end",
                                     "pulses before any data"};
constexpr int kSeconds = 10;
constexpr int kTroubleSecond = 3;
// A TIC tag names the second it is written in; without a tick, the receiver's last time
// for as long as the logs wait for the next (2 s), a second late at most otherwise.
constexpr int64_t kTagLagMs = 2500;

bool IsTimeMessage(const QByteArray& name)
{
    return name == "ZDA" || name == "RMC" || name == "UTC" || name == "Ha";
}

// The messages of second k of the run, as the trouble leaves them.
QByteArrayList MessagesOf(Trouble trouble, const QByteArrayList& messages, int k)
{
    if ((trouble == FeedEnds && k > 5) || (trouble == PulsesFirst && k <= kTroubleSecond))
        return {};
    QByteArrayList left;
    for (const QByteArray& name : messages) {
        if (k == kTroubleSecond && IsTimeMessage(name) && trouble == LostTime)
            continue;
        left << (k == kTroubleSecond && IsTimeMessage(name) && trouble == BadDate ? name + "+1d" : name);
    }
    return left;
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

    // Ten seconds from 23:59:52 of each receiver (the NMEA time sentences in each order
    // with the fix first or last, a u-blox NAV-TIMEUTC with NAV-STATUS, a Motorola @@Ha
    // with @@Hb) into each log type, with a pulse before each second or none, and a
    // counter reading after each second's messages. Whatever the trouble: no second
    // stamped twice, no status record before the receiver's first time, every record and
    // every TIC line in the file of its own day (the bad second's own TIC line may stay
    // in today's), every TIC tag the second it was written in, none lost.
    void eachSecondWithPulseAsWithout_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QByteArrayList>("messages");
        QTest::addColumn<bool>("pulse");
        QTest::addColumn<int>("trouble");
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
        for (int trouble : {BadDate, LostTime, FeedEnds, PulsesFirst}) {
            for (const Receiver& r : receivers) {
                for (int type : r.types) {
                    for (bool bPulse : {true, false}) {
                        QTest::addRow("%s, %s: %s, %s", kTroubleNames[trouble], kTypeNames[type],
                                      r.messages.join(' ').constData(), bPulse ? "pulse" : "none")
                            << type << r.mode << r.messages << bPulse << trouble;
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
        if (pulse && !bPairStarted) {
            if (SocatPair::Required())
                QFAIL("socat is needed for the pulse rows");
            QSKIP("socat is not installed");
        }
        const int tagFormat = trouble == BadDate || trouble == LostTime ? 0 : 1;
        LogWindow lw({{"LogFiles/GPSLogType", type}, {"LogFiles/GPSLogPrefix", "GPS"},
                      {"LogFiles/TicTimeTagFormat", tagFormat}, {"LogFiles/TicLogPrefix", "TIC"},
                      {"LogFiles/TicLogStyle", 1}, {"TicPortDialog/TIC1 Serial Port", "/dev/counter1"},
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
            const QDateTime t = start.addSecs(k);
            PcTime::SetFixedUtc(t);
            steadyMs = startMs + 1000 * k;
            if (pulser)
                QVERIFY(pulser->Edge());
            for (const QByteArray& name : MessagesOf(Trouble(trouble), messages, k)) {
                steadyMs += 150;
                Feed(w, name, t);
            }
            steadyMs += 100;
            Feed(w, "TIC", t);
        }
        w.CloseGpsLog(true);
        w.CloseTicLogs(true);

        const QString ext = GpsLogExtension(type);
        const QString today = RecordSeconds(lw.Read("GPS2024366" + ext), type);
        const QString tomorrow = lw.Files().contains("GPS2025001" + ext) ? RecordSeconds(lw.Read("GPS2025001" + ext), type)
                                                                          : QString();
        // The seconds of the records in file order, those of the new day counted on from 60.
        QList<int> seconds;
        for (const QString& s : today.split(' ', Qt::SkipEmptyParts)) {
            QVERIFY2(s.toInt() >= 50, qPrintable("today's file: " + today));
            seconds << s.toInt();
        }
        for (const QString& s : tomorrow.split(' ', Qt::SkipEmptyParts)) {
            QVERIFY2(s.toInt() < 10, qPrintable("tomorrow's file: " + tomorrow));
            seconds << s.toInt() + 60;
        }
        const int firstData = trouble == PulsesFirst ? 56 : 52;
        QVERIFY2(seconds.isEmpty() || seconds.first() >= firstData, qPrintable(today));
        if (type == GpsLogRaw || type == GpsLogNmea) {
            for (qsizetype k = 1; k < seconds.size(); ++k)
                QVERIFY2(seconds[k] > seconds[k - 1], qPrintable(today + " | " + tomorrow));
        }
        if (trouble == FeedEnds)
            QVERIFY2(tomorrow.isEmpty(), qPrintable(tomorrow));

        // Each TIC line in the file of its tag's day, tagged the second it was written in.
        int lines = 0;
        int strays = 0;
        for (const QString& name : lw.Files()) {
            if (!name.contains("T1"))
                continue;
            const QDate fileDay = name.startsWith("TIC2024366") ? QDate(2024, 12, 31) : QDate(2025, 1, 1);
            const QList<QByteArray> written = DataLines(lw.Read(name));
            for (const QByteArray& line : written) {
                const QDateTime tag = TagInstant(line, tagFormat);
                const bool bBadOwn = trouble == BadDate && fileDay == QDate(2024, 12, 31) &&
                                     tag.date() == QDate(2025, 1, 1) && tag.time() > QTime(12, 0);
                if (bBadOwn) {
                    ++strays;
                } else {
                    QVERIFY2(tag.date() == fileDay, qPrintable(name + ": " + line));
                    QVERIFY2(std::llabs(tag.msecsTo(start.addSecs(lines))) <= kTagLagMs, qPrintable(name + ": " + line));
                }
                ++lines;
            }
        }
        QCOMPARE(lines, kSeconds);
        QVERIFY(strays <= 1);
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
            const QDateTime t = start.addSecs(k);
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
        QCOMPARE(RecordSeconds(lw.Read("GPS2024366.txt"), GpsLogRaw), QString("0 1 2"));
    }
};

HORALUX_TEST(TestPulseSecond);
#include "tst_pulsesecond.moc"
