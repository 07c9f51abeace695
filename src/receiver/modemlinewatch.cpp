#include "modemlinewatch.h"

#include "utcdatetime.h"

#include <QtGlobal>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <ctime>
#include <system_error>

#include <linux/serial.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <termios.h>

namespace {

// How long a line that could not be read is left before it is read again: the failing
// call tells nothing new every millisecond.
constexpr int kUnreadablePauseMs = 1000;

// A wait for the line that returns sooner than this with nothing changed was not a wait.
// Some drivers answer so; after this many in a row the line is read every 1 ms instead.
constexpr int64_t kInstantWaitUs = 1000;
constexpr int kInstantWaits = 3;

// While a hung-up fd reports itself readable with nothing to read, the arrival thread
// looks this seldom: the GUI thread closes the port on its error.
constexpr int kHungUpPauseMs = 20;

// The signal that wakes a watching thread from its wait, its poll() or its sleep. Its
// handler does nothing: it is there so that the blocking call returns with EINTR.
int WakeSignal() { return SIGRTMIN + 4; }

void OnWake(int) {}

void InstallWakeHandler()
{
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action = {};
        action.sa_handler = OnWake;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;  // no SA_RESTART: the wait must end
        sigaction(WakeSignal(), &action, nullptr);
    });
}

// A look that comes late misses a narrow pulse, and a late stamp moves a set: the
// watching threads ask to run before ordinary work (they sleep all but microseconds).
// Refused without the privilege, and then they run as any thread.
void RunAhead()
{
    sched_param param{};
    param.sched_priority = 1;
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
}

int64_t MonotonicUs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

// Sleeps ms, or until the wake signal.
void Pause(int ms)
{
    const timespec span{ms / 1000, long(ms % 1000) * 1000000L};
    clock_nanosleep(CLOCK_MONOTONIC, 0, &span, nullptr);
}

QString SystemWords(int error)
{
    return QString::fromStdString(std::error_code(error, std::generic_category()).message());
}

}  // namespace

ModemLineWatch::Access ModemLineWatch::SystemAccess()
{
    Access a;
    a.readLines = [](int fd, int* lines) { return ioctl(fd, TIOCMGET, lines); };
    a.waitLines = [](int fd, int mask) { return ioctl(fd, TIOCMIWAIT, mask); };
    a.countChanges = [](int fd, int bits, int* count) {
        serial_icounter_struct counts{};
        if (ioctl(fd, TIOCGICOUNT, &counts) != 0)
            return -1;
        *count = bits == TIOCM_CAR ? counts.dcd : bits == TIOCM_CTS ? counts.cts : counts.dsr;
        return 0;
    };
    a.bytesWaiting = [](int fd, int* count) { return ioctl(fd, FIONREAD, count); };
    return a;
}

int ModemLineWatch::LineBits(int line)
{
    switch (line) {
    case 1:
        return TIOCM_CAR;
    case 2:
        return TIOCM_CTS;
    case 3:
        return TIOCM_DSR;
    default:
        return 0;
    }
}

ModemLineWatch::ModemLineWatch() { InstallWakeHandler(); }

ModemLineWatch::~ModemLineWatch() { Stop(); }

void ModemLineWatch::Start(int portFd, int bits, Access how)
{
    Stop();
    fd = portFd;
    lineBits = bits;
    access = std::move(how);
    bStop = false;
    {
        std::lock_guard<std::mutex> guard(lock);
        arrivals.clear();
        lastQueued = 0;
        lineNote.reset();
        bNoteFirst = true;
    }
    if (fd < 0)
        return;
    mode = lineBits != 0 ? Mode::Wait : Mode::NoLine;
    const auto run = [this](void (ModemLineWatch::*loop)()) {
        exited.push_back(std::make_unique<std::atomic<bool>>(false));
        threads.emplace_back([this, loop, done = exited.back().get()] {
            RunAhead();
            (this->*loop)();
            *done = true;
        });
    };
    run(&ModemLineWatch::ArrivalLoop);
    if (lineBits != 0)
        run(&ModemLineWatch::LineLoop);
}

void ModemLineWatch::Stop()
{
    bStop = true;
    for (size_t i = 0; i < threads.size(); ++i) {
        // A wake may come just before the thread blocks: it is sent again until the
        // thread is out.
        while (!exited[i]->load()) {
            pthread_kill(threads[i].native_handle(), WakeSignal());
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        threads[i].join();
    }
    threads.clear();
    exited.clear();
    mode = Mode::Stopped;
    fd = -1;
}

void ModemLineWatch::ArrivalLoop()
{
    while (!bStop) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, -1) < 0)
            continue;  // the wake signal, or a stray one
        // The bytes stay in the queue until the GUI thread reads them, and poll() would
        // return at once meanwhile: look every 1 ms instead, so that more bytes coming in
        // between get their own time, until the queue has been read.
        while (!bStop && NoteBytes() > 0)
            Pause(1);
        if ((p.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0)
            Pause(kHungUpPauseMs);
    }
}

void ModemLineWatch::LineLoop()
{
    const WaitEnd end = WaitLoop();
    if (end == WaitEnd::Stopped)
        return;
    mode = Mode::Poll;
    if (end == WaitEnd::Unreadable)
        Pause(kUnreadablePauseMs);
    PollLoop();
}

ModemLineWatch::WaitEnd ModemLineWatch::WaitLoop()
{
    // The first look finds the level: a line already high is a rise, as a poll's would
    // be, unless it was high when the last watch ended.
    // A driver that counts the line's changes tells how many came between two wakes:
    // a fall that came while no wait was armed is not taken for the next pulse. Counted
    // before the first look, so that a change between the two is looked at again.
    int count = 0;
    bool bCounts = access.countChanges && access.countChanges(fd, lineBits, &count) == 0;
    bool bHigh = false;
    const int64_t firstMs = UtcDateTime::SteadyMSecs();
    if (!Look(bHigh))
        return WaitEnd::Unreadable;
    if (bHigh && !bLineHigh.load())
        AddEdge(firstMs);
    bLineHigh = bHigh;
    int instantWaits = 0;
    while (!bStop) {
        const int64_t armedUs = MonotonicUs();
        // A change since the last look, before the wait is armed, would wake no wait
        // (the driver waits for the next one): it is looked at now.
        int armedCount = 0;
        const bool bChangedUnwaited =
            bCounts && access.countChanges(fd, lineBits, &armedCount) == 0 && armedCount != count;
        if (!bChangedUnwaited && access.waitLines(fd, lineBits) != 0) {
            if (errno == EINTR)
                continue;
            return WaitEnd::CannotWait;  // a pseudo-terminal
        }
        const bool bInstant = !bChangedUnwaited && MonotonicUs() - armedUs < kInstantWaitUs;
        // A wake is stamped as it returns, before the line is read.
        const int64_t ms = UtcDateTime::SteadyMSecs();
        if (!Look(bHigh))
            return WaitEnd::Unreadable;
        const bool bWasHigh = bLineHigh.load();
        int changes = -1;
        int newCount = 0;
        if (bCounts && access.countChanges(fd, lineBits, &newCount) == 0)
            changes = newCount - count, count = newCount;
        else
            bCounts = false;
        // The rises among the changes since the last look. Without counts: low after
        // low, or high after high, is a pulse narrower than the wake took, or a fall and
        // a rise; high after low a rise; low after high the fall.
        const bool bNoChange = changes >= 0 ? changes == 0 : bHigh == bWasHigh && bInstant;
        const bool bRise = changes >= 0 ? (bWasHigh ? changes / 2 : (changes + 1) / 2) > 0
                                        : !bNoChange && !(bWasHigh && !bHigh);
        if (bNoChange && bInstant) {
            if (++instantWaits >= kInstantWaits) {
                qInfo("1PPS line: the driver's wait returns at once with nothing changed; the line is read every 1 ms");
                return WaitEnd::CannotWait;
            }
            Pause(1);
            continue;
        }
        instantWaits = 0;
        if (bRise)
            AddEdge(ms);
        bLineHigh = bHigh;
    }
    return WaitEnd::Stopped;
}

void ModemLineWatch::PollLoop()
{
    timespec next{};
    clock_gettime(CLOCK_MONOTONIC, &next);
    while (!bStop) {
        bool bHigh = false;
        if (!Look(bHigh)) {
            Pause(kUnreadablePauseMs);
            clock_gettime(CLOCK_MONOTONIC, &next);
            continue;
        }
        const int64_t ms = UtcDateTime::SteadyMSecs();
        if (bHigh && !bLineHigh.load())
            AddEdge(ms);
        bLineHigh = bHigh;
        // Every millisecond on the monotonic clock; after a stall the next look is now,
        // not a burst of the ones missed.
        next.tv_nsec += 1000000L;
        if (next.tv_nsec >= 1000000000L)
            next.tv_nsec -= 1000000000L, ++next.tv_sec;
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        if (now.tv_sec > next.tv_sec || (now.tv_sec == next.tv_sec && now.tv_nsec > next.tv_nsec))
            next = now;
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
    }
}

bool ModemLineWatch::Look(bool& bHigh)
{
    int lines = 0;
    ++lineReads;
    if (access.readLines(fd, &lines) != 0) {
        Note(LineNote{false, SystemWords(errno)});
        return false;
    }
    Note(LineNote{true, QString()});
    bHigh = (lines & lineBits) != 0;
    return true;
}

void ModemLineWatch::AddEdge(int64_t ms)
{
    std::lock_guard<std::mutex> guard(lock);
    edges.push_back(ms);
}

void ModemLineWatch::Note(LineNote note)
{
    std::lock_guard<std::mutex> guard(lock);
    // The first look of a watch is always told: the owner may hold an older word.
    if (!bNoteFirst && note.bReadable == bLastReadable)
        return;
    bNoteFirst = false;
    bLastReadable = note.bReadable;
    lineNote = std::move(note);
}

int ModemLineWatch::NoteBytes()
{
    const int64_t ms = UtcDateTime::SteadyMSecs();
    std::lock_guard<std::mutex> guard(lock);
    int queued = 0;
    if (access.bytesWaiting(fd, &queued) != 0)
        return 0;
    // A smaller count: the owner read the port. Bytes that came in between and left
    // the count no smaller go unnoted, and so are placed later, never earlier.
    if (queued > lastQueued)
        arrivals.emplace_back(queued - lastQueued, ms);
    lastQueued = queued;
    return queued;
}

std::vector<int64_t> ModemLineWatch::TakeEdges()
{
    std::lock_guard<std::mutex> guard(lock);
    std::vector<int64_t> taken;
    taken.swap(edges);
    return taken;
}

std::optional<ModemLineWatch::LineNote> ModemLineWatch::TakeLineNote()
{
    std::lock_guard<std::mutex> guard(lock);
    std::optional<LineNote> taken;
    taken.swap(lineNote);
    return taken;
}

bool ModemLineWatch::BytesNotedBefore(int64_t ms) const
{
    std::lock_guard<std::mutex> guard(lock);
    return !arrivals.empty() && arrivals.front().second < ms;
}

std::vector<std::pair<int, int64_t>> ModemLineWatch::TakeArrivals(int count)
{
    const int64_t nowMs = UtcDateTime::SteadyMSecs();
    std::vector<std::pair<int, int64_t>> pieces;
    std::lock_guard<std::mutex> guard(lock);
    while (count > 0 && !arrivals.empty()) {
        auto& [noted, ms] = arrivals.front();
        const int taken = std::min(count, noted);
        pieces.emplace_back(taken, std::min(ms, nowMs));
        count -= taken;
        noted -= taken;
        if (noted == 0)
            arrivals.pop_front();
    }
    if (count > 0)
        pieces.emplace_back(count, nowMs);
    // Everything that came has been read: notes left are of bytes read already (a read
    // and new bytes between two looks), and would date later bytes too early.
    int queued = 0;
    if (Running() && access.bytesWaiting(fd, &queued) == 0 && queued == 0) {
        arrivals.clear();
        lastQueued = 0;
    }
    return pieces;
}
