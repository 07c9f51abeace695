#pragma once

#include <QMetaObject>

#include <cstdint>
#include <memory>

class GpsSerialPortThread;
class MainWindow;

// Gives a receiver port a 1PPS pulse as the port sees it: the modem lines that its
// watching threads read (TIOCMGET) or wait on (TIOCMIWAIT) are faked at the fd, and the
// steady clock (UtcDateTime::SteadyMSecs) stands still until the test moves it. The
// port's own detection, glitch rule, missing-pulse note and hand-on run as they do on a
// real line; only the line and the clock are the test's.
//
//     MainWindow w;                // the port open (a socat pty), a 1PPS line chosen
//     FakePulse pulse(w);          // declared after the window: gone before it
//     pulse.SetMs(10'000);
//     QVERIFY(pulse.Edge());       // one PpsTick, handed on; EdgeMs() is 10 000
//     pulse.Advance(150);          // a message handed on now arrived 150 ms after it
//     QVERIFY(pulse.NextSecond()); // the next pulse, at 11 000
//
// While it lives, the fake lines are the port's (also across re-opening) and the clock
// is the fake's; both are given back when it is destroyed. Everything runs in the GUI
// thread: each call returns once the port has done with what it did.
class FakePulse
{
public:
    // How the port's driver is: Poll, as on a pseudo-terminal (TIOCMIWAIT fails, the line
    // is read every ms); Wait, as on a serial driver that reports each change of a line
    // in the wait's mask, and counts the changes (TIOCGICOUNT); WaitReturnsAtOnce, a
    // driver whose wait returns at once with nothing changed.
    enum class Driver { Poll, Wait, WaitReturnsAtOnce };

    explicit FakePulse(GpsSerialPortThread& port, Driver driver = Driver::Poll, int64_t startMs = 1'000'000);
    explicit FakePulse(MainWindow& w, Driver driver = Driver::Poll, int64_t startMs = 1'000'000);
    ~FakePulse();
    FakePulse(const FakePulse&) = delete;
    FakePulse& operator=(const FakePulse&) = delete;

    // A rising edge now, on line (a PpsInterface: 1 DCD, 2 CTS, 3 DSR; 0 the one the port
    // has chosen): the line is raised, held until the port's watch has seen it and the
    // port has handed it on, then lowered. widthMs 0 is a pulse narrower than a poll: it
    // is lowered at once, so that only a driver that waits can catch it. The clock does
    // not move. True when a PpsTick came (false for a glitch, a line not chosen, a pulse
    // the port cannot see).
    bool Edge(int widthMs = 100, int line = 0);
    // The clock moves to the first whole second after the last edge that is not already
    // past, and an edge comes then.
    bool NextSecond(int widthMs = 100);
    // Raises or lowers line and holds it until the port has looked at it.
    void Hold(int line, bool bHigh);
    // Raises or lowers line and returns at once: the port sees it when its watch looks,
    // and hands it on when the GUI thread is free.
    void Raise(int line, bool bHigh);
    // Lowers line as a fall that came while no wait was armed: a driver that waits is
    // not woken by it, and only a look sees it.
    void FallUnseen(int line);
    // The line reads fail from now on ("Inappropriate ioctl for device"), or work again.
    void SetUnreadable(bool bUnreadable);

    int64_t Ms() const;
    void SetMs(int64_t ms);
    void Advance(int64_t ms);
    // PpsTicks of the port since this was made; reads of the fake lines so far.
    int Ticks() const { return ticks; }
    int64_t Reads() const;

    struct Lines;

private:
    void WaitUntilSeen(int line, bool bHigh, int64_t fromReads);

    GpsSerialPortThread& port;
    std::shared_ptr<Lines> lines;
    int64_t lastEdgeMs = -1;
    int ticks = 0;
    QMetaObject::Connection tickCount;
};
