#include "modemlinewatch.h"

#include "utcdatetime.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <csignal>
#include <ctime>
#include <system_error>

#include <pthread.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/ioctl.h>
#include <termios.h>

namespace {

// Polls between two reads of a line that could not be read: the failing call costs
// more than the poll it stands in for.
constexpr int kUnreadablePolls = 1000;

// No pulse of a 1 Hz series stays high this long: a line found low this long after it
// was found rising did not just fall.
constexpr int64_t kLongestHighMs = 900;

// The signal that wakes a thread blocked in TIOCMIWAIT or asleep. Its handler does
// nothing: it is there so that the blocking call returns with EINTR.
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

// A look that comes late misses a narrow pulse: the watching threads ask to run before
// ordinary work (they sleep all but microseconds a millisecond). Refused without the
// privilege, and then they run as any thread.
void RunAhead()
{
    sched_param param{};
    param.sched_priority = 1;
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
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

int64_t ModemLineWatch::RealMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

int64_t ModemLineWatch::ToSteady(int64_t realMs)
{
    const int64_t real = RealMs();
    const int64_t steady = UtcDateTime::SteadyMSecs();
    // The steady clock is the real one unless a test fixed it; then the time is the
    // test's, read now (the watching threads never call a test's clock).
    return std::llabs(steady - real) <= 1 ? realMs : steady;
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
    unreadablePause = 0;
    {
        std::lock_guard<std::mutex> guard(lock);
        arrivals.clear();
        lastQueued = 0;
        lineNote.reset();
        bNoteFirst = true;
    }
    if (fd < 0)
        return;
    // Until the driver has said whether it can wait, the poll leaves the line alone.
    mode = lineBits != 0 ? Mode::Wait : Mode::Poll;
    exited.push_back(std::make_unique<std::atomic<bool>>(false));
    threads.emplace_back([this, done = exited.back().get()] {
        RunAhead();
        PollLoop();
        *done = true;
    });
    if (lineBits != 0) {
        exited.push_back(std::make_unique<std::atomic<bool>>(false));
        threads.emplace_back([this, done = exited.back().get()] {
            RunAhead();
            WaitLoop();
            *done = true;
        });
    }
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

void ModemLineWatch::PollLoop()
{
    timespec next{};
    clock_gettime(CLOCK_MONOTONIC, &next);
    while (!bStop) {
        NoteBytes();
        if (lineBits != 0 && mode == Mode::Poll) {
            if (unreadablePause > 0)
                --unreadablePause;
            else
                ReadLevel(false);
        }
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

void ModemLineWatch::WaitLoop()
{
    if (!ReadLevel(false)) {
        mode = Mode::Poll;
        return;
    }
    while (!bStop) {
        if (access.waitLines(fd, lineBits) != 0) {
            if (errno == EINTR)
                continue;
            // The driver cannot wait for the line (a pseudo-terminal, some adapters):
            // it is read every millisecond from here.
            mode = Mode::Poll;
            return;
        }
        if (!ReadLevel(true)) {
            mode = Mode::Poll;
            return;
        }
    }
}

bool ModemLineWatch::ReadLevel(bool bWoken)
{
    // A wake is stamped as it returns, before the line is read.
    const int64_t ms = RealMs();
    int lines = 0;
    ++lineReads;
    if (access.readLines(fd, &lines) != 0) {
        Note(LineNote{false, SystemWords(errno)});
        unreadablePause = kUnreadablePolls;
        return false;
    }
    Note(LineNote{true, QString()});
    const bool bHigh = (lines & lineBits) != 0;
    const bool bWasHigh = bLineHigh.exchange(bHigh);
    // A look finds the level; a wake says the line changed since the last look. Low
    // after low on a wake is a pulse narrower than the wake took; high after high a
    // fall and a rise in between. Low after high is the fall, unless the rise was found
    // a second ago: then the fall came while no wait was armed (a narrow pulse under
    // load), and this wake is the next pulse, gone before it was read.
    const bool bFell = bWasHigh && !bHigh && ms - lastRiseMs.load() < kLongestHighMs;
    const bool bEdge = bWoken ? !bFell : (bHigh && !bWasHigh);
    if (bEdge) {
        lastRiseMs = ms;
        std::lock_guard<std::mutex> guard(lock);
        edges.push_back(ms);
    }
    return true;
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

void ModemLineWatch::NoteBytes()
{
    const int64_t ms = RealMs();
    std::lock_guard<std::mutex> guard(lock);
    int queued = 0;
    if (access.bytesWaiting(fd, &queued) != 0)
        return;
    // A smaller count: the owner read the port. Bytes that came in between and left
    // the count no smaller go unnoted, and so are placed later, never earlier.
    if (queued > lastQueued)
        arrivals.emplace_back(queued - lastQueued, ms);
    lastQueued = queued;
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
    const int64_t nowMs = RealMs();
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
