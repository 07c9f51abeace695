// The PC clock set on the 1PPS pulse, as the port sees it: how far each set lies from the
// pulse, with receivers sending several times a second, a second sent after the next
// pulse, a missed pulse, a lost message, a tick handled late; and what is said of a set
// that the largest correction refuses.

#include "../decode/decodetests.h"
#include "../logs/logwindow.h"
#include "builddate.h"
#include "fakepulse.h"
#include "fakesystemclock.h"
#include "logfilenames.h"
#include "pctime.h"
#include "setpcclockdialog.h"
#include "socatpair.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QMetaObject>
#include <QTemporaryDir>

#include <chrono>
#include <cstdlib>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace {

// The true time of second 0 and the steady ms of its edge.
const QDateTime kStart(QDate(2024, 3, 1), QTime(12, 0, 0), Qt::UTC);
constexpr int64_t kStartSteadyMs = 100000;

}  // namespace

class TestPulseSet : public QObject
{
    Q_OBJECT

    std::unique_ptr<SocatPair> pair;
    std::unique_ptr<MainWindow> w;
    // The 1PPS line as the port's watch reads it, and the steady clock.
    std::unique_ptr<FakePulse> pulse;
    // The second of the tick now handed on, and how long after its edge it is handled.
    int tickSecond = 0;
    int tickLagMs = 0;
    // Each set of the PC clock, less the true time when it was made, ms.
    QList<int64_t> setErrors;
    // How far the PC clock is off the true time, ms.
    int64_t pcOffMs = 0;
    // The true time of second 0.
    QDateTime start = kStart;

    // Moves the true time, and with it the PC's and the steady clock, to ms after the
    // edge of second k.
    void At(int k, int64_t ms)
    {
        pulse->SetMs(kStartSteadyMs + k * 1000 + ms);
        PcTime::SetFixedUtc(start.addMSecs(k * 1000 + ms + pcOffMs));
    }

    // Notes how far each new set lies from the true time.
    void CollectSets()
    {
        const QList<QDateTime>& sets = FakeSystemClock::Get().setTimes;
        for (qsizetype k = setErrors.size(); k < sets.size(); ++k)
            setErrors << start.addMSecs(pulse->Ms() - kStartSteadyMs).msecsTo(sets[k]);
    }

    // The 1PPS edge of second k as the port sees it: the DCD line read high, then low.
    // The edge is seen at its instant; the tick is handled lagMs later.
    void Pulse(int k, int lagMs)
    {
        At(k, 0);
        tickSecond = k;
        tickLagMs = lagMs;
        QVERIFY(pulse->Edge());
        tickLagMs = 0;
        CollectSets();
    }

    // The time message of t as the port hands it on; of second 60 with bSecond60.
    void Message(const QDateTime& t, bool bSecond60 = false)
    {
        emit w->gpsPortThread.newGpsText(TimeMessageAt(receiverInfo.gpsPortMode, t, bSecond60));
        CollectSets();
    }

    // The messages of second k, rate a second, from ms after the edge of second "when":
    // each 100 ms after its instant, or all in a burst after a second that came late.
    void Messages(int k, int rate, int when, int64_t ms, bool bBurst = false)
    {
        for (int j = 0; j < rate; ++j) {
            At(when, ms + j * (bBurst ? 1 : 1000 / rate));
            Message(start.addMSecs(k * 1000 + j * (1000 / rate)));
        }
    }

    void Apply(int limitHours = 0, int syncMode = 2, bool bOverrideTraim = true)
    {
        QSettings settings;
        settings.setValue("SetPcClockDialog/Time Sync Mode", syncMode);
        settings.setValue("SetPcClockDialog/Time Sync Max On", limitHours > 0);
        settings.setValue("SetPcClockDialog/Time Sync Max Qty", limitHours);
        settings.setValue("SetPcClockDialog/Time SyncMax Units", 0);
        w->ApplyPcClockSyncSettings();
        w->setPcClockDialog->bOverrideIntegrity = true;
        w->setPcClockDialog->bOverrideTraim = bOverrideTraim;
    }

    // A window on the program's end of the pair, its 1PPS line DCD as the port reads it.
    bool Open(int mode)
    {
        w = NewDecodingWindow(mode);
        if (mode == GpsPortModeMotorolaBinaryRxOnly)
            receiverInfo.receiverModel = 9;
        QSettings().setValue("GpsPortDialog/GPS Serial Port", pair->ProgramEnd());
        w->gpsPortThread.OpenGpsPort();
        w->gpsPortThread.SetPpsInterface(1);
        pulse = std::make_unique<FakePulse>(*w, FakePulse::Driver::Poll, kStartSteadyMs);
        // A tick handled late: the time passes between the edge and the tick's work.
        GpsSerialPortThread& port = w->gpsPortThread;
        QObject::disconnect(&port, &GpsSerialPortThread::PpsTick, w.get(), &MainWindow::OnClockTick);
        QObject::connect(&port, &GpsSerialPortThread::PpsTick, w.get(), [this] {
            if (tickLagMs > 0)
                At(tickSecond, tickLagMs);
        });
        QObject::connect(&port, &GpsSerialPortThread::PpsTick, w.get(), &MainWindow::OnClockTick);
        w->bOutOfLock = false;
        return w->gpsPortThread.Port().isOpen();
    }

    QString ClockSetNote() const { return w->clockSetLabel->isHidden() ? QString() : w->clockSetLabel->toolTip(); }

private slots:
    void init()
    {
        pair = std::make_unique<SocatPair>();
        START_SOCAT_OR_SKIP(*pair);
        FakeSystemClock::Reset();
        BuildDate::SetDay(QDate(2020, 1, 1));
        setErrors.clear();
        pcOffMs = 0;
        start = kStart;
    }

    void cleanup()
    {
        pulse.reset();
        w.reset();
        pair.reset();
        UtcDateTime::SetSteadyClock(nullptr);
        PcTime::SetFixedUtc(QDateTime());
        BuildDate::SetDay(QDate());
    }

    // Seconds 0 to 11, the clock set every second with both overrides, a pulse on DCD.
    // A row gives the protocol, the messages a second, the ms the tick is handled after
    // its edge, the seconds whose pulse is missed, whose messages are lost, and whose
    // messages come 0.8 s after the next pulse with the next second's right behind; then
    // the sets made, each within 1 ms of the pulse (without a pulse: on the message's
    // arrival, 100 ms into its second).
    void setsLieOnThePulse_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("lagMs");
        QTest::addColumn<QList<int>>("missed");
        QTest::addColumn<QList<int>>("lost");
        QTest::addColumn<QList<int>>("late");
        QTest::addColumn<int>("sets");
        QTest::addColumn<int>("offMs");
        const int nmea = GpsPortModeGenericNmea, moto = GpsPortModeMotorolaBinaryRxOnly, ubx = GpsPortModeUbloxUbx;
        const QList<int> none;
        // The first two seconds set nothing: the first time follows nothing.
        QTest::newRow("NMEA 1 Hz") << nmea << 1 << 0 << none << none << none << 10 << 0;
        QTest::newRow("NMEA 1 Hz, tick 40 ms late") << nmea << 1 << 40 << none << none << none << 10 << 0;
        QTest::newRow("Motorola 1 Hz, tick 7 ms late") << moto << 1 << 7 << none << none << none << 10 << 0;
        QTest::newRow("u-blox 1 Hz, tick 300 ms late") << ubx << 1 << 300 << none << none << none << 10 << 0;
        QTest::newRow("NMEA 2 Hz") << nmea << 2 << 3 << none << none << none << 10 << 0;
        QTest::newRow("NMEA 5 Hz") << nmea << 5 << 3 << none << none << none << 10 << 0;
        QTest::newRow("NMEA 10 Hz") << nmea << 10 << 3 << none << none << none << 10 << 0;
        QTest::newRow("u-blox 5 Hz") << ubx << 5 << 3 << none << none << none << 10 << 0;
        // The late second and the one after it: the tick after them sets from the
        // second that came on time.
        QTest::newRow("NMEA overrun second") << nmea << 1 << 2 << none << none << QList<int>{5} << 9 << 0;
        QTest::newRow("Motorola overrun second") << moto << 1 << 2 << none << none << QList<int>{5} << 9 << 0;
        QTest::newRow("u-blox overrun second") << ubx << 1 << 2 << none << none << QList<int>{5} << 9 << 0;
        QTest::newRow("NMEA overrun first second") << nmea << 1 << 2 << none << none << QList<int>{0} << 7 << 0;
        QTest::newRow("NMEA 5 Hz overrun second") << nmea << 5 << 2 << none << none << QList<int>{5} << 9 << 0;
        // Each alone costs one set at most; together they gave a set a second off.
        QTest::newRow("NMEA missed pulse, lost message") << nmea << 1 << 2 << QList<int>{6} << QList<int>{6} << none << 8 << 0;
        QTest::newRow("Motorola missed pulse, lost message") << moto << 1 << 2 << QList<int>{6} << QList<int>{6} << none << 8 << 0;
        QTest::newRow("u-blox missed pulse, lost message") << ubx << 1 << 2 << QList<int>{6} << QList<int>{6} << none << 8 << 0;
        QTest::newRow("NMEA missed pulse") << nmea << 1 << 2 << QList<int>{6} << none << none << 8 << 0;
        QTest::newRow("u-blox lost message") << ubx << 1 << 2 << none << QList<int>{6} << none << 9 << 0;
        QTest::newRow("NMEA 5 Hz missed pulse") << nmea << 5 << 2 << QList<int>{6} << none << none << 8 << 0;
        // A pulse chosen but never coming: the time messages set the clock on arrival.
        QList<int> all;
        for (int k = 0; k < 12; ++k)
            all << k;
        QTest::newRow("NMEA no pulse") << nmea << 1 << 0 << all << none << none << 11 << -100;
        QTest::newRow("NMEA 5 Hz no pulse") << nmea << 5 << 0 << all << none << none << 11 << -100;
        QTest::newRow("u-blox 5 Hz no pulse") << ubx << 5 << 0 << all << none << none << 11 << -100;
    }
    void setsLieOnThePulse()
    {
        QFETCH(int, mode);
        QFETCH(int, rate);
        QFETCH(int, lagMs);
        QFETCH(QList<int>, missed);
        QFETCH(QList<int>, lost);
        QFETCH(QList<int>, late);
        QFETCH(int, sets);
        QFETCH(int, offMs);
        QVERIFY(Open(mode));
        Apply();
        FakeSystemClock::Reset();

        for (int k = 0; k < 12; ++k) {
            if (!missed.contains(k))
                Pulse(k, lagMs);
            if (late.contains(k - 1)) {
                Messages(k - 1, rate, k, 800, true);
                Messages(k, rate, k, 820, true);
            } else if (!lost.contains(k) && !late.contains(k)) {
                Messages(k, rate, k, 100);
            }
        }
        QStringList off;
        for (int64_t e : setErrors) {
            if (std::llabs(e - offMs) > 1)
                off << QString::number(e);
        }
        QCOMPARE(off.join(' '), QString());
        QCOMPARE(setErrors.size(), qsizetype(sets));
    }

    // A set due at 00:00:00 (the top of the minute, of the hour, of the day, or the first
    // second of "one time") that cannot be made there: made once, at the first second
    // after it that can, within 1 ms of its pulse (without a pulse: on the message's
    // arrival, 100 ms into it); said in the clock's note only once it has waited 10 s,
    // and the note gone with the set. A row gives the protocol, the messages a second,
    // the mode, whether a pulse comes, the seconds whose pulse is missed and whose
    // messages are lost, the second of the set, and whether the wait was said; the
    // TRAIM override is on unless a row says it is off.
    void aDueSetIsMadeAtTheNextSecondThatCan_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("syncMode");
        QTest::addColumn<bool>("bPulse");
        QTest::addColumn<QList<int>>("missed");
        QTest::addColumn<QList<int>>("lost");
        QTest::addColumn<int>("setAt");
        QTest::addColumn<bool>("bSaid");
        const int nmea = GpsPortModeGenericNmea, moto = GpsPortModeMotorolaBinaryRxOnly, ubx = GpsPortModeUbloxUbx;
        const QList<int> none;
        const char* const names[] = {"", "once", "", "minute", "hour", "day"};
        for (int syncMode : {1, 3, 4, 5}) {
            // The tick of 00:00:00 sets from the time message of 23:59:59, one second on.
            QTest::addRow("%s, edge missed", names[syncMode])
                << nmea << 1 << syncMode << true << QList<int>{0} << none << 2 << false;
            QTest::addRow("%s, message lost", names[syncMode])
                << nmea << 1 << syncMode << true << none << QList<int>{-1} << 1 << false;
            QTest::addRow("%s, no pulse, message lost", names[syncMode])
                << nmea << 1 << syncMode << false << none << QList<int>{0} << 1 << false;
        }
        QTest::newRow("minute, its own second's message lost")
            << nmea << 1 << 3 << true << none << QList<int>{0} << 0 << false;
        QTest::newRow("minute, 5 Hz, edge missed") << nmea << 5 << 3 << true << QList<int>{0} << none << 2 << false;
        QTest::newRow("minute, 5 Hz, no pulse, message lost")
            << nmea << 5 << 3 << false << none << QList<int>{0} << 1 << false;
        QTest::newRow("minute, u-blox, edge missed") << ubx << 1 << 3 << true << QList<int>{0} << none << 2 << false;
        QTest::newRow("day, Motorola, message lost") << moto << 1 << 5 << true << none << QList<int>{-1} << 1 << false;
        QList<int> silence;
        for (int k = -1; k <= 10; ++k)
            silence << k;
        QTest::newRow("hour, 12 s without messages") << nmea << 1 << 4 << true << none << silence << 12 << true;
        QTest::newRow("minute, edge missed, TRAIM override off")
            << nmea << 1 << 3 << true << QList<int>{0} << none << 2 << false;
        QTest::newRow("day, edges missed 12 s, TRAIM override off")
            << ubx << 1 << 5 << true << silence.mid(1) << none << 12 << true;
    }
    void aDueSetIsMadeAtTheNextSecondThatCan()
    {
        QFETCH(int, mode);
        QFETCH(int, rate);
        QFETCH(int, syncMode);
        QFETCH(bool, bPulse);
        QFETCH(QList<int>, missed);
        QFETCH(QList<int>, lost);
        QFETCH(int, setAt);
        QFETCH(bool, bSaid);
        start = QDateTime(QDate(2024, 3, 2), QTime(0, 0), Qt::UTC);
        QVERIFY(Open(mode));
        const bool bOverrideTraim = !QByteArray(QTest::currentDataTag()).contains("TRAIM override off");
        if (syncMode != 1)
            Apply(0, syncMode, bOverrideTraim);
        FakeSystemClock::Reset();
        const QString said = "PC clock not set since a set fell due at 00:00:00 UTC: ";
        QString note;
        for (int k = -4; k <= 14; ++k) {
            if (k == 0 && syncMode == 1)
                Apply(0, syncMode, bOverrideTraim);
            if (bPulse && !missed.contains(k))
                Pulse(k, 3);
            if (!lost.contains(k))
                Messages(k, rate, k, 100);
            if (FakeSystemClock::Get().setTimes.isEmpty() && note.isEmpty())
                note = ClockSetNote();
        }
        QCOMPARE(FakeSystemClock::Get().setTimes.size(), qsizetype(1));
        QCOMPARE(start.msecsTo(FakeSystemClock::Get().setTimes.first()) / 1000, qint64(setAt));
        QVERIFY2(std::llabs(setErrors.first() - (bPulse ? 0 : -100)) <= 1,
                 qPrintable(QString::number(setErrors.first())));
        QCOMPARE(note.startsWith(said), bSaid);
        QCOMPARE(ClockSetNote(), QString());
    }

    // The PC clock 250 ms ahead, a pulse from 12:00:00, the receiver's messages from
    // 12:00:02 to 12:00:08 (those of a row's seconds lost), the tick handled 7 ms after
    // its edge: every status record of the RAW log (the first, written by the first
    // message; a stand-in second's; those after the data's end) reads 250 in its PC-offset
    // column, as measured against the second it is stamped with, and so does the PC-U
    // clock after each tick; before the first receiver time and once the receiver's time
    // is too old to stand in for, the clock shows no figure.
    void pcOffsetAgainstTheStampedSecond_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QList<int>>("lost");
        QTest::addColumn<QString>("blank");  // the ticks after which the clock shows no figure
        const QString ends = "0 1 2 11 12";
        QTest::newRow("NMEA") << int(GpsPortModeGenericNmea) << QList<int>{} << ends;
        QTest::newRow("NMEA, a message lost") << int(GpsPortModeGenericNmea) << QList<int>{5} << ends;
        QTest::newRow("u-blox, a message lost") << int(GpsPortModeUbloxUbx) << QList<int>{6} << ends;
        // The third tick without a time is more than 2 s after the last.
        QTest::newRow("Motorola, two lost") << int(GpsPortModeMotorolaBinaryRxOnly) << QList<int>{4, 5}
                                            << "0 1 2 6 11 12";
    }
    void pcOffsetAgainstTheStampedSecond()
    {
        QFETCH(int, mode);
        QFETCH(QList<int>, lost);
        QFETCH(QString, blank);
        QTemporaryDir dir;
        QVERIFY(Open(mode));
        QSettings settings;
        settings.setValue("LogFiles/GPSLogType", int(LogFileNames::GpsLogRaw));
        settings.setValue("LogFiles/GPSLogFolder", dir.path());
        pcOffMs = 250;
        At(0, 0);
        QVERIFY(w->OpenGpsLog());
        w->clockDisplayMode = 5;  // PC-U
        QStringList unshown;
        QStringList figures;
        for (int k = 0; k <= 12; ++k) {
            Pulse(k, 7);
            if (w->ui->ClockDisplay->text().isEmpty())
                unshown << QString::number(k);
            else
                figures << w->ui->ClockDisplay->text();
            if (k >= 2 && k <= 8 && !lost.contains(k))
                Messages(k, 1, k, 100);
        }
        w->CloseGpsLog(true);
        QCOMPARE(unshown.join(' '), blank);
        QCOMPARE(figures.join(' '), QStringList(figures.size(), "0.250").join(' '));
        const QStringList files = QDir(dir.path()).entryList(QDir::Files);
        QCOMPARE(files.size(), qsizetype(1));
        QFile file(dir.filePath(files.first()));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QStringList seconds;
        QStringList offsets;
        for (const QByteArray& line : DataLines(file.readAll())) {
            if (!line.startsWith("2024-03-01,"))
                continue;  // a message's own record
            seconds << QString::number(QTime::fromString(QString(line.mid(11, 8)), "HH:mm:ss").second());
            offsets << QString(line.split(',').last());
        }
        QCOMPARE(seconds.join(' '), QString("2 3 4 5 6 7 8 9 10"));
        QCOMPARE(offsets.join(' '), QStringList(seconds.size(), "250").join(' '));
    }

    // A second added at the end of 2016, a pulse each second and the clock set every
    // second: the receiver's 23:59:60 is no time to set from. Announced, the tick of that
    // second sets nothing, nor does the one after it where a receiver sending once a
    // second named 23:59:59.949 00:00:00; the first set after it is made at the tick
    // after the new day's first time, not a run of times later. Unannounced, the tick of
    // 23:59:60 can only take it for 00:00:00, a second early, and a once-a-second time of
    // 23:59:59.949 the tick after it as well; the sets after them name their pulse's second.
    // A row gives the protocol, the messages a second, the notice, whether each time lies
    // 51 ms before the pulse it follows rather than at it, and the sets by pulse.
    void firstSetAfterALeapSecond_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("notice");
        QTest::addColumn<bool>("bBefore");
        QTest::addColumn<QString>("sets");
        const int nmea = GpsPortModeGenericNmea, ubx = GpsPortModeUbloxUbx;
        const QString announced = "-4, -3, -2, -1, 2, 3, 4, 5, 6";
        QTest::newRow("NMEA") << nmea << 1 << -1 << false << "-4, -3, -2, -1, 0 at 00:00:00.003, 2, 3, 4, 5, 6";
        QTest::newRow("NMEA .949") << nmea << 1 << -1 << true
                                   << "-4, -3, -2, -1, 0 at 00:00:00.003, 1 at 00:00:01.003, 3, 4, 5, 6";
        QTest::newRow("NMEA 5 Hz") << nmea << 5 << -1 << false << "-4, -3, -2, -1, 0 at 00:00:00.003, 2, 3, 4, 5, 6";
        QTest::newRow("u-blox, announced") << ubx << 1 << 1 << false << announced;
        QTest::newRow("u-blox .949, announced") << ubx << 1 << 1 << true << "-4, -3, -2, -1, 3, 4, 5, 6";
        QTest::newRow("Motorola, announced") << int(GpsPortModeMotorolaBinaryRxOnly) << 1 << 1 << false << announced;
    }
    void firstSetAfterALeapSecond()
    {
        QFETCH(int, mode);
        QFETCH(int, rate);
        QFETCH(int, notice);
        QFETCH(bool, bBefore);
        QFETCH(QString, sets);
        // Pulse k of 00:00:00 + (k - 1) s; pulse 0 is the added second's, which no
        // QDateTime holds.
        const QDateTime newYear(QDate(2017, 1, 1), QTime(0, 0), Qt::UTC);
        const auto named = [&](int k) { return k == 0 ? QDateTime() : newYear.addSecs(k >= 1 ? k - 1 : k); };
        start = newYear.addSecs(-1);
        BuildDate::SetDay(QDate(2016, 1, 1));
        QVERIFY(Open(mode));
        Apply();
        FakeSystemClock::Reset();
        QStringList made;
        for (int k = -6; k <= 6; ++k) {
            // An announcing receiver says none is pending once the new day's times come.
            w->leapSecondPending = k <= 2 ? notice : notice == 1 ? 0 : notice;
            const qsizetype before = FakeSystemClock::Get().setTimes.size();
            Pulse(k, 3);
            if (FakeSystemClock::Get().setTimes.size() > before) {
                const QDateTime set = FakeSystemClock::Get().setTimes.last();
                made << QString::number(k) + (set == named(k).addMSecs(3) ? "" : " at " + set.toString("HH:mm:ss.zzz"));
            }
            // The time of pulse k, or 51 ms before it: in the second of pulse k - 1.
            const int of = bBefore ? k - 1 : k;
            const QDateTime t = (of == 0 ? newYear.addSecs(-1) : named(of)).addMSecs(bBefore ? 949 : 0);
            for (int j = 0; j < rate; ++j) {
                At(k, 100 + j * 1000 / rate);
                Message(t.addMSecs(j * 1000 / rate), of == 0);
            }
        }
        QCOMPARE(made.join(", "), sets);
    }

    // No pulse, the clock set every second on the messages' arrival (both overrides), a
    // ZDA and an RMC a second in one block, and the window held up 1.5 s after each
    // message it decodes (a slow disk under a log): the bytes' arrival, not their
    // decode, places each time against the ones before it. Nothing is out of step, and
    // every second after the first sets the clock once.
    void stalledWindowSetsEachSecond()
    {
        UtcDateTime::SetSteadyClock(nullptr);
        w = NewDecodingWindow(GpsPortModeGenericNmea);
        QSettings().setValue("GpsPortDialog/GPS Serial Port", pair->ProgramEnd());
        w->gpsPortThread.SetPpsInterface(0);
        w->gpsPortThread.OpenGpsPort();
        QVERIFY(w->gpsPortThread.Port().isOpen());
        w->bOutOfLock = false;
        Apply();
        FakeSystemClock::Reset();
        int decoded = 0;
        connect(&w->gpsPortThread, &GpsSerialPortThread::newGpsText, w.get(), [&decoded] {
            ++decoded;
            QThread::msleep(1500);
        });
        // The receiver sends each second's block on time, whatever the window does.
        const QDateTime first = QDateTime::currentDateTimeUtc().addSecs(1);
        const QByteArray path = QFile::encodeName(pair->ReceiverEnd());
        std::thread receiver([first, path] {
            const int fd = ::open(path.constData(), O_WRONLY | O_NOCTTY);
            if (fd < 0)
                return;
            const auto t0 = std::chrono::steady_clock::now();
            for (int k = 0; k < 3; ++k) {
                std::this_thread::sleep_until(t0 + std::chrono::seconds(k));
                const QDateTime t = first.addSecs(k);
                const QByteArray hms = t.toString("HHmmss").toLatin1() + ".00,";
                const QByteArray dmy = t.toString("dd,MM,yyyy").toLatin1();
                const QByteArray block =
                    Sentence("$GPZDA," + hms + dmy + ",00,00") + "\r\n" +
                    Sentence("$GPRMC," + hms + "A,4807.038,N,01131.000,E,0.0,0.0," + t.toString("ddMMyy").toLatin1() +
                             ",,") +
                    "\r\n";
                if (::write(fd, block.constData(), size_t(block.size())) != block.size())
                    break;
            }
            ::close(fd);
        });
        const bool bAll = TestSupport::WaitFor([&] { return decoded == 6; }, 20000);
        receiver.join();
        QVERIFY(bAll);
        QCOMPARE(w->clockGuardLabel->isHidden() ? QString() : w->clockGuardLabel->toolTip(), QString());
        QCOMPARE(FakeSystemClock::Get().setTimes.size(), qsizetype(2));
    }

    // The largest correction 2 h, the PC off by the given ms, a pulse each second: the
    // note after 7 s, the sets made, the debug lines that said it; then the same with
    // the settings applied again after 3 s.
    void aSetBeyondTheLimitIsSaid_data()
    {
        QTest::addColumn<int64_t>("pcOff");
        QTest::addColumn<QString>("note");
        QTest::addColumn<int>("sets");
        const QString head = "PC clock not set: it is ";
        const QString tail = " the receiver, more than the largest correction allowed, 2 h";
        QTest::newRow("3 h ahead") << int64_t(3 * 3600000) << head + "3 h 0 min 0.000 s ahead of" + tail << 0;
        QTest::newRow("2 h 1.5 s behind") << int64_t(-7201500) << head + "2 h 0 min 1.500 s behind" + tail << 0;
        QTest::newRow("2 h ahead, within") << int64_t(7200000) << QString() << 5;
        QTest::newRow("1 ms ahead") << int64_t(1) << QString() << 5;
    }
    void aSetBeyondTheLimitIsSaid()
    {
        QFETCH(int64_t, pcOff);
        QFETCH(QString, note);
        pcOffMs = pcOff;
        QFETCH(int, sets);
        QVERIFY(Open(GpsPortModeGenericNmea));
        Apply(2);
        FakeSystemClock::Reset();
        QStringList debugLines;
        static QStringList* lines = nullptr;
        lines = &debugLines;
        const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& m) {
            if (m.startsWith("PC clock not set"))
                *lines << m;
        });
        for (int k = 0; k < 7; ++k) {
            Pulse(k, 0);
            Messages(k, 1, k, 100);
        }
        qInstallMessageHandler(previous);
        QCOMPARE(ClockSetNote(), note);
        QCOMPARE(FakeSystemClock::Get().setTimes.size(), qsizetype(sets));
        QCOMPARE(debugLines, note.isEmpty() ? QStringList() : QStringList{note});
        Apply(2);
        QCOMPARE(ClockSetNote(), QString());
    }
};

HORALUX_TEST(TestPulseSet);
#include "tst_pulseset.moc"
