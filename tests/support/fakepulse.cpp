#include "fakepulse.h"

#include "gpsserialportthread.h"
#include "mainwindow.h"
#include "testsupport.h"
#include "utcdatetime.h"

#include <QCoreApplication>

#include <atomic>
#include <cerrno>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

// The fake modem lines, shared with the port's watching threads.
struct FakePulse::Lines
{
    Lines() : wake(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~Lines() { close(wake); }

    static int Bits(int line) { return ModemLineWatch::LineBits(line); }

    void Set(int bits, bool bHigh)
    {
        if (((level.load() & bits) != 0) == bHigh)
            return;
        if (bHigh)
            level |= bits;
        else
            level &= ~bits;
        changes[Index(bits)] += 1;
        counted[Index(bits)] += 1;
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = write(wake, &one, sizeof one);
    }

    // A change no wait is woken by, as one that came before the wait was armed; the
    // driver counts it all the same.
    void SetUnseen(int bits, bool bHigh)
    {
        if (bHigh)
            level |= bits;
        else
            level &= ~bits;
        counted[Index(bits)] += 1;
    }
    static int Index(int bits) { return bits == 0x040 ? 0 : bits == 0x020 ? 1 : 2; }
    static uint64_t Sum(const std::atomic<uint64_t> (&by)[3], int mask)
    {
        return ((mask & 0x040) ? by[0].load() : 0) + ((mask & 0x020) ? by[1].load() : 0) +
               ((mask & 0x100) ? by[2].load() : 0);
    }
    // The changes a wait is woken by, and those the driver counts (TIOCGICOUNT).
    uint64_t ChangesOf(int mask) const { return Sum(changes, mask); }
    uint64_t CountedOf(int mask) const { return Sum(counted, mask); }

    int Read(int* bits)
    {
        ++reads;
        if (bUnreadable) {
            errno = ENOTTY;
            return -1;
        }
        *bits = level;
        return 0;
    }

    // As the driver does: from the call on, until a line of mask changes; a signal ends
    // it with EINTR.
    int Wait(int mask)
    {
        if (bWaitReturnsAtOnce)
            return 0;
        if (!bWait) {
            errno = EINVAL;
            return -1;
        }
        const uint64_t seen = ChangesOf(mask);
        ++waiting;
        for (;;) {
            if (ChangesOf(mask) != seen)
                break;
            pollfd p{wake, POLLIN, 0};
            if (poll(&p, 1, -1) < 0) {
                const int error = errno;
                --waiting;
                errno = error;
                return -1;
            }
            uint64_t count = 0;
            [[maybe_unused]] const ssize_t got = read(wake, &count, sizeof count);
        }
        --waiting;
        return 0;
    }

    const int wake;
    std::atomic<bool> bWait{false};
    std::atomic<bool> bWaitReturnsAtOnce{false};
    std::atomic<bool> bUnreadable{false};
    std::atomic<int> level{0};
    std::atomic<uint64_t> changes[3] = {0, 0, 0};
    std::atomic<uint64_t> counted[3] = {0, 0, 0};
    std::atomic<int64_t> reads{0};
    std::atomic<int> waiting{0};
    std::atomic<int64_t> ms{0};
};

FakePulse::FakePulse(MainWindow& w, Driver driver, int64_t startMs) : FakePulse(w.gpsPortThread, driver, startMs) {}

FakePulse::FakePulse(GpsSerialPortThread& p, Driver driver, int64_t startMs)
    : port(p), lines(std::make_shared<Lines>())
{
    lines->bWait = driver == Driver::Wait;
    lines->bWaitReturnsAtOnce = driver == Driver::WaitReturnsAtOnce;
    lines->ms = startMs;
    UtcDateTime::SetSteadyClock([l = lines] { return l->ms.load(); });
    ModemLineWatch::Access access = ModemLineWatch::SystemAccess();
    access.readLines = [l = lines](int, int* bits) { return l->Read(bits); };
    access.waitLines = [l = lines](int, int mask) { return l->Wait(mask); };
    access.countChanges = [l = lines](int, int bits, int* count) {
        *count = int(l->CountedOf(bits));
        return 0;
    };
    port.SetLineAccess(access);
    tickCount = QObject::connect(&port, &GpsSerialPortThread::PpsTick, [this] { ++ticks; });
}

FakePulse::~FakePulse()
{
    QObject::disconnect(tickCount);
    port.SetLineAccess(ModemLineWatch::SystemAccess());
    UtcDateTime::SetSteadyClock({});
}

int64_t FakePulse::Ms() const { return lines->ms; }
void FakePulse::SetMs(int64_t ms) { lines->ms = ms; }
void FakePulse::Advance(int64_t ms) { lines->ms += ms; }
int64_t FakePulse::Reads() const { return lines->reads; }
void FakePulse::SetUnreadable(bool bUnreadable) { lines->bUnreadable = bUnreadable; }

void FakePulse::WaitUntilSeen(int line, bool bHigh, int64_t fromReads)
{
    const ModemLineWatch& watch = port.LineWatch();
    const bool bChosen = line == port.GetPpsInterface() && line != 0;
    if (watch.Running() && !lines->bUnreadable) {
        if (bChosen) {
            TestSupport::WaitFor([&] { return watch.LineHigh() == bHigh; }, 10000);
            port.HandOnSeenEdges();  // as the port's 1 ms timer would
        }
        else if (watch.CurrentMode() == ModemLineWatch::Mode::Poll && port.GetPpsInterface() != 0)
            TestSupport::WaitFor([&] { return watch.LineReads() >= fromReads + 2; }, 10000);  // one may be in flight
        // A driver that waits is not woken by a line nobody waits on.
    }
    QCoreApplication::processEvents();
}

void FakePulse::Hold(int line, bool bHigh)
{
    const int64_t from = port.LineWatch().LineReads();
    lines->Set(Lines::Bits(line), bHigh);
    WaitUntilSeen(line, bHigh, from);
}

void FakePulse::Raise(int line, bool bHigh) { lines->Set(Lines::Bits(line), bHigh); }

void FakePulse::FallUnseen(int line) { lines->SetUnseen(Lines::Bits(line), false); }

bool FakePulse::Edge(int widthMs, int line)
{
    if (line == 0)
        line = port.GetPpsInterface() != 0 ? port.GetPpsInterface() : 1;
    const int bits = Lines::Bits(line);
    const int ticksBefore = ticks;
    const int64_t handledBefore = port.EdgesHandled();
    const bool bWaitDriver = lines->bWait;
    const bool bSeen = port.LineWatch().Running() && line == port.GetPpsInterface() && (widthMs > 0 || bWaitDriver);
    // A driver that waits sees a change from the moment the wait begins.
    if (bSeen && bWaitDriver)
        TestSupport::WaitFor([&] { return lines->waiting > 0; }, 10000);
    const int64_t from = port.LineWatch().LineReads();
    lines->Set(bits, true);
    if (widthMs == 0)
        lines->Set(bits, false);
    if (bSeen)
        TestSupport::WaitFor([&] { return port.EdgesHandled() > handledBefore; }, 10000);
    else
        WaitUntilSeen(line, widthMs > 0, from);
    lastEdgeMs = Ms();
    if (widthMs > 0)
        Hold(line, false);
    return ticks > ticksBefore;
}

bool FakePulse::NextSecond(int widthMs)
{
    if (lastEdgeMs >= 0) {
        int64_t next = lastEdgeMs + 1000;
        while (next < Ms())
            next += 1000;
        SetMs(next);
    }
    return Edge(widthMs);
}
