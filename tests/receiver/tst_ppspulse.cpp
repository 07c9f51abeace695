// The 1PPS pulse as the receiver port sees it: what an edge is worth, the note of a pulse
// that does not come, the order of ticks and messages, and the arrival of the bytes.

#include "fakepulse.h"
#include "framebuilders.h"
#include "gpsserialportthread.h"
#include "mainwindow.h"
#include "pctime.h"
#include "ppspulsecheck.h"
#include "receiverinfo.h"
#include "socatpair.h"
#include "testsupport.h"
#include "utcdatetime.h"

#include <QRegularExpression>
#include <QSerialPort>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

#include <chrono>
#include <memory>
#include <thread>

namespace {

QDateTime Utc(int h, int mi, int s) { return QDateTime(QDate(2024, 3, 5), QTime(h, mi, s), Qt::UTC); }

// Holds the GUI thread, as a slow disk under a log does.
void HoldGuiThread(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Holds the GUI thread until a watching thread has done its part (10 s at most).
template <typename Condition>
bool HoldGuiThreadUntil(Condition done)
{
    for (int k = 0; k < 10000 && !done(); ++k)
        HoldGuiThread(1);
    return done();
}

}  // namespace

class TestPpsPulse : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        receiverInfo.gpsPortMode = GpsPortModeUbloxNmea;
        pair = std::make_unique<SocatPair>();
        START_SOCAT_OR_SKIP(*pair);
        UseProgramEndAsReceiverPort(*pair);
        PcTime::SetFixedUtc(Utc(8, 12, 0));
        port = std::make_unique<GpsSerialPortThread>();
        ticks = std::make_unique<QSignalSpy>(port.get(), &GpsSerialPortThread::PpsTick);
        notes = std::make_unique<QSignalSpy>(port.get(), &GpsSerialPortThread::ppsLineNote);
    }

    void cleanup()
    {
        ticks.reset(), notes.reset(), rx.reset();
        port.reset(), pair.reset();
        PcTime::SetFixedUtc(QDateTime());
    }

    // Edges at these steady ms, after a first pulse at 0: which give a tick.
    void edgeOrGlitch_data()
    {
        QTest::addColumn<QList<int>>("edges");
        QTest::addColumn<QList<bool>>("pulses");
        QTest::newRow("one a second") << QList<int>{1000, 2000, 3000} << QList<bool>{true, true, true};
        QTest::newRow("a glitch half a second after") << QList<int>{500, 1000} << QList<bool>{false, true};
        QTest::newRow("a glitch is no pulse to count from") << QList<int>{500, 1400, 1800, 2000}
                                                            << QList<bool>{false, false, false, true};
        QTest::newRow("within the slack of a second") << QList<int>{980, 2005} << QList<bool>{true, true};
        QTest::newRow("0.95 s after: no pulse") << QList<int>{950, 1000} << QList<bool>{false, true};
        QTest::newRow("after a pause") << QList<int>{11000, 11500} << QList<bool>{true, false};
    }

    void edgeOrGlitch()
    {
        QFETCH(QList<int>, edges);
        QFETCH(QList<bool>, pulses);
        PpsPulseCheck check;
        QVERIFY(check.Edge(0) == PpsPulseCheck::Verdict::Pulse);
        QList<bool> got;
        for (int ms : edges)
            got << (check.Edge(ms) == PpsPulseCheck::Verdict::Pulse);
        QCOMPARE(got, pulses);
    }

    // Edges (E) and the receiver's messages (M) in the order they came: each edge a pulse
    // (P) or not (g); a message moves no edge onto the pulse ('.').
    void pulseTheMessagesFollow_data()
    {
        QTest::addColumn<QString>("events");
        QTest::addColumn<QString>("verdicts");
        QTest::newRow("glitch seen first: its series keeps the ticks, the messages move nothing")
            << "E500 E1000 M1100 E1500 E2000 M2100 E2500 E3000 M3100 E3500 E4000" << "Pg.Pg.Pg.Pg";
        QTest::newRow("pulse seen first: glitches after the messages stay glitches")
            << "E0 M100 E500 E1000 M1100 E1500 E2000 M2100 E2500 E3000" << "P.gP.gP.gP";
        QTest::newRow("ringing 3 ms after each pulse moves nothing")
            << "E0 E3 M100 E1000 E1003 M1100 E2000 E2003 M2100 E3000" << "Pg.Pg.Pg.P";
        QTest::newRow("glitches before messages in seconds apart")
            << "E0 E500 M600 E1000 M1100 E2000 E2400 M2500 E3000" << "Pg.P.Pg.P";
        QTest::newRow("glitches before messages, not a second apart")
            << "E500 E1000 M1100 E1500 E1700 M1800 E2500" << "Pg.Pg.P";
        QTest::newRow("a later message of the second counts for nothing")
            << "E0 M100 E500 M600 E1000 M1100 E1500 M1600 E2000" << "P.g.P.g.P";
    }

    void pulseTheMessagesFollow()
    {
        QFETCH(QString, events);
        QFETCH(QString, verdicts);
        PpsPulseCheck check;
        QString got;
        for (const QString& event : events.split(QLatin1Char(' '))) {
            const int64_t ms = event.mid(1).toLongLong();
            if (event.startsWith(QLatin1Char('E')))
                got += check.Edge(ms) == PpsPulseCheck::Verdict::Pulse ? QLatin1Char('P') : QLatin1Char('g');
            else
                got += QLatin1Char('.');
        }
        QCOMPARE(got, verdicts);
    }

    // A pulse at each whole second and an extra edge at afterMs of some seconds. The port
    // opened at a phase: the first edge it sees may be the extra one. Seen at second 6,
    // and at second 12, after the extra edges stopped at second 8. No tick outside a
    // doubt may be the extra edge's: a set from it would be off by the distance between
    // the two.
    void extraEdge_data()
    {
        QTest::addColumn<int>("afterMs");
        QTest::addColumn<int>("firstExtra");  // the seconds with the extra edge
        QTest::addColumn<int>("lastExtra");
        QTest::addColumn<bool>("bExtraFirst");  // the port opened between a pulse and its extra edge
        QTest::addColumn<bool>("bDoubt");       // at second 6
        QTest::addColumn<bool>("bSaid");        // another series said at second 6
        for (int afterMs : {102, 120, 200, 500, 910, 950}) {
            const QByteArray at = QByteArray::number(afterMs / 1000.0, 'f', 3) + " s";
            QTest::addRow("%s, every second after the pulse came alone", at.constData())
                << afterMs << 3 << 8 << false << false << true;
            QTest::addRow("%s, once", at.constData()) << afterMs << 3 << 3 << false << false << false;
            QTest::addRow("%s, from the start, the pulse seen first", at.constData())
                << afterMs << 0 << 8 << false << true << true;
            QTest::addRow("%s, from the start, the extra edge seen first", at.constData())
                << afterMs << 0 << 8 << true << true << true;
        }
        QTest::newRow("ringing 3 ms after each pulse, from the start") << 3 << 0 << 8 << false << false << false;
    }

    void extraEdge()
    {
        QFETCH(int, afterMs);
        QFETCH(int, firstExtra);
        QFETCH(int, lastExtra);
        QFETCH(bool, bExtraFirst);
        QFETCH(bool, bDoubt);
        QFETCH(bool, bSaid);
        PpsPulseCheck check;
        QList<int64_t> ticks;
        for (int k = 0; k <= 12; ++k) {
            const int64_t pulseMs = 10'000 + 1000 * k;
            QList<int64_t> edges;
            if (!(bExtraFirst && k == 0))
                edges << pulseMs;
            if (k >= firstExtra && k <= lastExtra)
                edges << pulseMs + afterMs;
            for (int64_t ms : edges) {
                if (check.Edge(ms) != PpsPulseCheck::Verdict::Pulse)
                    continue;
                ticks << ms;
                if (!check.InDoubt())
                    QVERIFY2(ms == pulseMs, qPrintable(QString("a tick at %1 ms").arg(ms)));
            }
            check.Look(pulseMs + 999);
            if (k == 6) {
                QCOMPARE(check.InDoubt(), bDoubt);
                QCOMPARE(check.OtherSeriesOffsetMs(), bSaid ? (bExtraFirst && bDoubt ? 1000 - afterMs : afterMs) : -1);
            }
        }
        QVERIFY(!check.InDoubt());
        QCOMPARE(check.OtherSeriesOffsetMs(), -1);
        QCOMPARE(check.LastPulseMs(), 22'000);
        // One tick a second, in doubt too (the logs need them); the second the port
        // opened in may lack one.
        QVERIFY2(ticks.size() >= 12, qPrintable(QString::number(ticks.size())));
    }

    // Since when the pulse is missing, looked at nowMs: -1 while it is not.
    void missingSince_data()
    {
        QTest::addColumn<int>("startMs");  // waiting began
        QTest::addColumn<int>("pulseMs");  // -1: none came
        QTest::addColumn<int>("nowMs");
        QTest::addColumn<int>("since");
        QTest::newRow("waiting, 1.5 s") << 0 << -1 << 1500 << -1;
        QTest::newRow("waiting, 1.6 s") << 0 << -1 << 1600 << 0;
        QTest::newRow("pulse 2.4 s ago") << 0 << 1000 << 3400 << -1;
        QTest::newRow("pulse 2.6 s ago: due a second after it") << 0 << 1000 << 3600 << 2000;
        QTest::newRow("pulse 10 s ago") << 0 << 1000 << 11000 << 2000;
    }

    void missingSince()
    {
        QFETCH(int, startMs);
        QFETCH(int, pulseMs);
        QFETCH(int, nowMs);
        QFETCH(int, since);
        PpsPulseCheck check;
        QCOMPARE(check.MissingSince(nowMs), -1);  // nothing chosen: nothing missing
        check.Expect(startMs);
        if (pulseMs >= 0)
            check.Edge(pulseMs);
        QCOMPARE(check.MissingSince(nowMs), int64_t(since));
        check.StopExpecting();
        QCOMPARE(check.MissingSince(nowMs), -1);
    }

    // Pulse widths as the two kinds of driver see them: one that waits for the line sees
    // any pulse, a poll one that lasts over a look (a pulse of 0 here: gone before it).
    void width_data()
    {
        QTest::addColumn<FakePulse::Driver>("driver");
        QTest::addColumn<int>("widthMs");
        QTest::addColumn<bool>("tick");
        QTest::newRow("100 ms, polled") << FakePulse::Driver::Poll << 100 << true;
        QTest::newRow("2 ms, polled") << FakePulse::Driver::Poll << 2 << true;
        QTest::newRow("1 ms, waited on") << FakePulse::Driver::Wait << 1 << true;
        QTest::newRow("microseconds, waited on") << FakePulse::Driver::Wait << 0 << true;
    }

    void width()
    {
        QFETCH(FakePulse::Driver, driver);
        QFETCH(int, widthMs);
        QFETCH(bool, tick);
        Open(1);
        FakePulse pulse(*port, driver);
        QList<bool> got;
        for (int k = 0; k < 3; ++k)
            got << pulse.NextSecond(widthMs);
        QCOMPARE(got, QList<bool>(3, tick));
        QCOMPARE(port->EdgeMs(), pulse.Ms());
        QCOMPARE(port->LineWatch().CurrentMode(),
                 driver == FakePulse::Driver::Wait ? ModemLineWatch::Mode::Wait : ModemLineWatch::Mode::Poll);
    }

    // The edge's own time, wherever in the second it falls, whenever it is handed on.
    void phase_data()
    {
        QTest::addColumn<int>("phaseMs");
        QTest::newRow("on the second") << 0;
        QTest::newRow("250 ms in") << 250;
        QTest::newRow("999 ms in") << 999;
    }

    void phase()
    {
        QFETCH(int, phaseMs);
        Open(3);
        FakePulse pulse(*port, FakePulse::Driver::Wait, 5'000'000 + phaseMs);
        QVERIFY(pulse.Edge());
        QCOMPARE(port->EdgeMs(), 5'000'000 + phaseMs);
        pulse.Advance(1000);
        QVERIFY(pulse.Edge());
        QCOMPARE(port->EdgeMs(), 5'001'000 + phaseMs);
    }

    void glitchGivesNoTick()
    {
        Open(1);
        FakePulse pulse(*port);
        QVERIFY(pulse.Edge());
        pulse.Advance(500);
        QTest::ignoreMessage(QtDebugMsg, "1PPS glitch on DCD: an edge 0.500 s after the last pulse is no pulse, no tick");
        QVERIFY(!pulse.Edge());
        QCOMPARE(port->EdgeMs(), pulse.Ms() - 500);
        pulse.Advance(500);
        QVERIFY(pulse.Edge());
        QCOMPARE(ticks->count(), 2);
    }

    // A driver that waits wakes at each change from the moment its wait is armed. A
    // narrow pulse under load may fall before the wait is armed again: the next wake
    // finds the line low where it was last high, a second later; that is a pulse too.
    // The port opened between a pulse and a glitch that comes every second: the glitch
    // is the first edge seen. The receiver's messages follow the other edges; neither
    // series takes the other's place: the first seen keeps the ticks, in doubt.
    void glitchSeenFirstGivesWayToThePulse()
    {
        Open(1);
        OpenReceiverEnd();
        FakePulse pulse(*port);
        int messages = 0;
        connect(port.get(), &GpsSerialPortThread::newGpsText, this, [&] { ++messages; });
        const QByteArray zda = FrameBuilders::Nmea("$GPZDA,1") + "\r\n";
        QString got;
        for (int k = 0; k < 4; ++k) {
            got += pulse.Edge() ? QLatin1Char('P') : QLatin1Char('g');  // the glitch, at .5
            pulse.Advance(500);
            got += pulse.Edge() ? QLatin1Char('P') : QLatin1Char('g');  // the pulse, at .0
            pulse.Advance(100);
            rx->write(zda), rx->flush();
            QVERIFY(TestSupport::WaitFor([&] { return messages == k + 1; }, 10000));
            pulse.Advance(400);
        }
        QCOMPARE(got, QString("PgPgPgPg"));
        QVERIFY(port->PulseInDoubt());
    }

    void fallNotWaitedFor_data()
    {
        QTest::addColumn<bool>("bFallSeen");
        QTest::newRow("fall waited for") << true;
        QTest::newRow("fall while no wait was armed") << false;
    }

    void fallNotWaitedFor()
    {
        QFETCH(bool, bFallSeen);
        Open(1);
        FakePulse pulse(*port, FakePulse::Driver::Wait);
        pulse.Hold(1, true);
        QVERIFY(TestSupport::WaitFor([&] { return pulse.Ticks() == 1; }, 2000));
        if (bFallSeen)
            pulse.Hold(1, false);
        else
            pulse.FallUnseen(1);
        pulse.Advance(1000);
        QVERIFY(pulse.Edge(0));
        QCOMPARE(pulse.Ticks(), 2);
    }

    // An extra edge 0.12 s after each pulse, as the port sees it, waited on: said in the
    // line's note, whether it came after the pulse had come alone (the pulse keeps its
    // place) or from the start (the pulse is in doubt); gone when the extra edge stops.
    void secondSeriesSaid_data()
    {
        QTest::addColumn<int>("aloneSeconds");
        QTest::addColumn<QString>("said");
        QTest::addColumn<bool>("bDoubt");
        QTest::newRow("after the pulse came alone")
            << 3 << "1PPS on DCD: a second edge every second, 0.12 s after the pulse" << false;
        QTest::newRow("from the start")
            << 0 << "1PPS in doubt on DCD: two edges every second, 0.12 s apart, either may be the pulse" << true;
    }

    void secondSeriesSaid()
    {
        QFETCH(int, aloneSeconds);
        QFETCH(QString, said);
        QFETCH(bool, bDoubt);
        Open(1);
        FakePulse pulse(*port, FakePulse::Driver::Wait);
        QList<int64_t> tickEdges;
        connect(port.get(), &GpsSerialPortThread::PpsTick, this, [&] { tickEdges << port->EdgeMs(); });
        QTest::ignoreMessage(QtDebugMsg, "1PPS glitch on DCD: an edge 0.120 s after the last pulse is no pulse, no tick");
        QTest::ignoreMessage(QtWarningMsg, qPrintable(said));
        const int64_t startMs = pulse.Ms();
        int k = 0;
        for (; k < aloneSeconds + 4; ++k) {
            pulse.SetMs(startMs + 1000 * k);
            QVERIFY(pulse.Edge());
            pulse.Advance(120);
            if (k >= aloneSeconds)
                QVERIFY(!pulse.Edge(5));
        }
        QTest::qWait(20);
        QCOMPARE(Note(), said);
        QCOMPARE(port->PulseInDoubt(), bDoubt);
        for (int64_t ms : tickEdges)
            QCOMPARE(ms % 1000, 0);
        for (; k < aloneSeconds + 7; ++k) {
            pulse.SetMs(startMs + 1000 * k);
            pulse.Edge();  // a tick, but in doubt for the first of these
        }
        QTest::qWait(20);
        QCOMPARE(Note(), QString());
        QVERIFY(!port->PulseInDoubt());
    }

    // A pulse high all but 50 ms of each second: its rise, at the end of the dip, is the
    // tick, waited on as polled.
    void lowGoingPulse_data()
    {
        QTest::addColumn<FakePulse::Driver>("driver");
        QTest::newRow("waited on") << FakePulse::Driver::Wait;
        QTest::newRow("polled") << FakePulse::Driver::Poll;
    }

    void lowGoingPulse()
    {
        QFETCH(FakePulse::Driver, driver);
        Open(1);
        FakePulse pulse(*port, driver);
        pulse.SetMs(1'000'050);
        pulse.Hold(1, true);
        QVERIFY(TestSupport::WaitFor([&] { return pulse.Ticks() == 1; }, 10000));
        for (int k = 1; k <= 3; ++k) {
            pulse.SetMs(1'000'000 + 1000 * k);
            pulse.Hold(1, false);
            pulse.Advance(50);
            pulse.Hold(1, true);
            QVERIFY(TestSupport::WaitFor([&] { return pulse.Ticks() == k + 1; }, 10000));
            QCOMPARE(port->EdgeMs(), pulse.Ms());
        }
        QTest::qWait(20);
        QCOMPARE(pulse.Ticks(), 4);
    }

    // A driver whose wait returns at once with nothing changed: no edge is counted, and the
    // line is read every 1 ms instead of asking again and again.
    void waitReturningAtOnce()
    {
        Open(1);
        QTest::ignoreMessage(QtInfoMsg, "1PPS line: the driver's wait returns at once with nothing changed; "
                                        "the line is read every 1 ms");
        FakePulse pulse(*port, FakePulse::Driver::WaitReturnsAtOnce);
        QVERIFY(TestSupport::WaitFor([&] { return port->LineWatch().CurrentMode() == ModemLineWatch::Mode::Poll; }, 10000));
        QTest::qWait(50);
        QCOMPARE(port->EdgesHandled(), 0);
        QVERIFY(pulse.Edge());
        QCOMPARE(port->EdgesHandled(), 1);
    }

    // A pulse that stops, or comes on another line than the one chosen: a lasting note
    // with the line and the PC time it was due, gone when the pulse comes.
    void missingPulseNote_data()
    {
        QTest::addColumn<int>("pulseLine");  // 0: none
        QTest::addColumn<int>("pauseMs");
        QTest::addColumn<QString>("said");
        QTest::newRow("stopped for 10 s") << 0 << 10000 << "1PPS missing on DCD since 08:12:01 UTC";
        QTest::newRow("stopped for 2 s") << 0 << 2000 << QString();
        QTest::newRow("on CTS") << 2 << 3000 << "1PPS missing on DCD since 08:12:01 UTC";
    }

    void missingPulseNote()
    {
        QFETCH(int, pulseLine);
        QFETCH(int, pauseMs);
        QFETCH(QString, said);
        Open(1);
        FakePulse pulse(*port);
        QVERIFY(pulse.Edge());  // at 08:12:00 of the PC clock
        for (int k = 0; k < pauseMs / 1000; ++k) {
            pulse.Advance(1000);
            PcTime::SetFixedUtc(PcTime::CurrentUtc().addSecs(1));
            if (pulseLine != 0)
                pulse.Edge(100, pulseLine);
        }
        QTest::qWait(20);
        QCOMPARE(Note(), said);
        if (!said.isEmpty())
            QTest::ignoreMessage(QtInfoMsg, "1PPS back on DCD");
        QVERIFY(pulse.NextSecond());
        QTest::qWait(20);
        QCOMPARE(Note(), QString());
    }

    // The pulse missing, then no line chosen and DCD again, or the port opened again: the
    // wait begins afresh, and the old "since" is not said again, neither at once nor
    // through the pulses that follow.
    void missingNoteAfterAPause_data()
    {
        QTest::addColumn<bool>("bReopen");
        QTest::newRow("None, then DCD again") << false;
        QTest::newRow("the port opened again") << true;
    }

    void missingNoteAfterAPause()
    {
        QFETCH(bool, bReopen);
        Open(1);
        FakePulse pulse(*port);
        QVERIFY(pulse.Edge());
        QTest::ignoreMessage(QtWarningMsg, "1PPS missing on DCD since 08:11:58 UTC");
        pulse.Advance(3000);
        QTest::qWait(20);
        QCOMPARE(Note(), QStringLiteral("1PPS missing on DCD since 08:11:58 UTC"));
        if (bReopen) {
            port->OpenGpsPort();
        } else {
            port->SetPpsInterface(0);
            port->SetPpsInterface(1);
        }
        QTest::qWait(20);
        QCOMPARE(Note(), QString());
        for (int k = 0; k < 3; ++k) {
            QVERIFY(pulse.NextSecond());
            QTest::qWait(20);
            QCOMPARE(Note(), QString());
        }
    }

    // Nothing is missing on a port that is closed or has no line; waiting starts afresh
    // with another line.
    void nothingMissingWithoutALine()
    {
        Open(0);
        FakePulse pulse(*port);
        pulse.Advance(10000);
        QTest::qWait(20);
        QCOMPARE(Note(), QString());
        port->SetPpsInterface(2);
        pulse.Advance(1000);
        QTest::qWait(20);
        QCOMPARE(Note(), QString());
        pulse.Advance(1000);
        QTest::qWait(20);
        // Due since the line was chosen, 2 s before the PC's 08:12:00.
        QCOMPARE(Note(), QStringLiteral("1PPS missing on CTS since 08:11:58 UTC"));
        QSettings().setValue("GpsPortDialog/GPS Serial Port", "OFF");
        port->OpenGpsPort();
        QCOMPARE(Note(), QString());
    }

    // The GUI thread held up while an edge and a message's bytes both wait: they are
    // handed on in the order they came.
    void orderOfTicksAndMessages_data()
    {
        QTest::addColumn<bool>("bEdgeFirst");
        QTest::newRow("edge, then bytes") << true;
        QTest::newRow("bytes, then edge") << false;
    }

    void orderOfTicksAndMessages()
    {
        QFETCH(bool, bEdgeFirst);
        Open(1);
        OpenReceiverEnd();
        FakePulse pulse(*port);
        QStringList order;
        connect(port.get(), &GpsSerialPortThread::PpsTick, this, [&] { order << "tick"; });
        connect(port.get(), &GpsSerialPortThread::newGpsText, this, [&] { order << "message"; });
        const QByteArray gga = FrameBuilders::Nmea("$GPGGA,1,2,3") + "\r\n";
        // The GUI thread is held while the watch sees each, 30 ms apart on the steady clock.
        const ModemLineWatch& watch = port->LineWatch();
        for (int k = 0; k < 2; ++k) {
            if (bEdgeFirst == (k == 0)) {
                pulse.Raise(1, true);
                QVERIFY(HoldGuiThreadUntil([&] { return watch.LineHigh(); }));
            } else {
                rx->write(gga), rx->flush();
                QVERIFY(HoldGuiThreadUntil([&] { return watch.BytesNotedBefore(pulse.Ms() + 1); }));
            }
            pulse.Advance(30);
        }
        QVERIFY(TestSupport::WaitFor([&] { return order.size() == 2; }, 10000));
        QCOMPARE(order, bEdgeFirst ? QStringList({"tick", "message"}) : QStringList({"message", "tick"}));
    }

    // A counter answering 50 ms after the pulse while the window is held 100 ms: its
    // reading comes to the window before the port's timer hands on the edge. The tick of
    // that pulse goes first (the counter's age is counted, then the reading clears it).
    void counterReadingAfterItsPulse()
    {
        port.reset();  // the window's own port opens the pair's end
        MainWindow w;
        w.gpsPortThread.SetPpsInterface(1);
        w.gpsPortThread.startGpsSerialPort(false);
        FakePulse pulse(w);
        QVERIFY(pulse.NextSecond());
        w.OnNewTicText("1 1.5E-7");
        QCOMPARE(w.ticDataAge[0], 0);
        pulse.Advance(1000);
        pulse.Raise(1, true);
        QVERIFY(HoldGuiThreadUntil([&] { return w.gpsPortThread.LineWatch().LineHigh(); }));
        pulse.Advance(50);
        HoldGuiThread(100);
        w.OnNewTicText("1 1.6E-7");
        QCOMPARE(pulse.Ticks(), 2);
        QCOMPARE(w.ticDataAge[0], 0);
        pulse.Hold(1, false);
    }

    // The time a message's bytes reached the port, not the time the GUI thread got to
    // them: two sentences 300 ms apart while the GUI thread was held.
    void arrivalOfTheBytes()
    {
        Open(0);
        OpenReceiverEnd();
        QList<int64_t> arrivals;
        connect(port.get(), &GpsSerialPortThread::newGpsText, this, [&] { arrivals << port->ArrivalMs(); });
        QList<int64_t> sent;
        sent << UtcDateTime::SteadyMSecs();
        rx->write(FrameBuilders::Nmea("$GPZDA,1") + "\r\n"), rx->flush();
        HoldGuiThread(300);
        sent << UtcDateTime::SteadyMSecs();
        rx->write(FrameBuilders::Nmea("$GPRMC,1") + "\r\n"), rx->flush();
        HoldGuiThread(900);
        QVERIFY(TestSupport::WaitFor([&] { return arrivals.size() == 2; }, 10000));
        QCOMPARE(port->ArrivalMs(), -1);  // none being handed on now
        // The GUI thread got to them 900 ms after the last was sent, at the earliest; on a
        // loaded machine the watching thread may be late by some hundred ms.
        for (int k = 0; k < 2; ++k)
            QVERIFY2(arrivals[k] >= sent[k] && arrivals[k] - sent[k] < 600,
                     qPrintable(QString("%1: %2 ms after it was sent").arg(k).arg(arrivals[k] - sent[k])));
    }

private:
    void Open(int line)
    {
        port->SetPpsInterface(line);
        port->startGpsSerialPort(false);
        QVERIFY(port->Port().isOpen());
    }

    void OpenReceiverEnd()
    {
        rx = std::make_unique<QSerialPort>();
        rx->setPortName(pair->ReceiverEnd());
        QVERIFY(rx->open(QIODevice::ReadWrite));
    }

    QString Note() const { return notes->isEmpty() ? QString() : notes->last().at(0).toString(); }

    std::unique_ptr<SocatPair> pair;
    std::unique_ptr<GpsSerialPortThread> port;
    std::unique_ptr<QSignalSpy> ticks;
    std::unique_ptr<QSignalSpy> notes;
    std::unique_ptr<QSerialPort> rx;
};

HORALUX_TEST(TestPpsPulse);
#include "tst_ppspulse.moc"
