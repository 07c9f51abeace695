#pragma once

#include <QString>

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

// Watches the receiver port's 1PPS modem line, and the arrival of the bytes in its
// input queue, in threads of its own: a GUI thread held up by a slow disk or a modal
// wait must lose no edge, nor the time at which bytes came. Only calls on the raw fd
// are made here, never through QSerialPort, which belongs to the GUI thread.
//
// What runs where:
// - The arrival thread sleeps in poll() until the fd has bytes to read, notes how many
//   came and when, and while they wait unread (the GUI thread reads them at its next
//   event) looks again every 1 ms for more; then it sleeps in poll() again.
// - The line thread, only while a line is chosen, sleeps in the driver's wait for a
//   change of that line (TIOCMIWAIT, woken at each rise and each fall). Where the
//   driver cannot wait (a pseudo-terminal), or its wait returns at once with nothing
//   changed, it reads the line every 1 ms instead.
// - The GUI thread starts and stops the threads and takes what they saw (TakeEdges,
//   TakeArrivals, TakeLineNote); those, and BytesNotedBefore, are the only calls that
//   cross, under the mutex.
// Every time here is on the one steady clock, UtcDateTime::SteadyMSecs, read in the
// thread that saw the event.
class ModemLineWatch
{
public:
    // How the fd is asked; tests put fakes here. Each returns 0, or -1 with errno set.
    // readLines, waitLines and countChanges are called from the line thread only.
    // bytesWaiting is called from the arrival thread and, as the owner takes what was
    // read, from the GUI thread: both under the watch's mutex, never at once.
    struct Access
    {
        std::function<int(int fd, int* lines)> readLines;     // TIOCMGET: TIOCM_* bits
        std::function<int(int fd, int mask)> waitLines;       // TIOCMIWAIT: until a line of mask changes
        // TIOCGICOUNT: how many times the line of lineBits has changed so far; -1 where
        // the driver does not count.
        std::function<int(int fd, int lineBits, int* count)> countChanges;
        std::function<int(int fd, int* count)> bytesWaiting;  // FIONREAD
    };
    static Access SystemAccess();

    // A 1PPS line of the PpsInterface numbering (1 DCD, 2 CTS, 3 DSR) as TIOCM_* bits; 0
    // for none.
    static int LineBits(int line);

    // How the line is watched: not at all (no watch, or no line), by the driver's wait,
    // or read every 1 ms.
    enum class Mode { Stopped, NoLine, Wait, Poll };

    // Whether the line can be read, and the system's words when it cannot.
    struct LineNote
    {
        bool bReadable = true;
        QString reason;
    };

    ModemLineWatch();
    ~ModemLineWatch();
    ModemLineWatch(const ModemLineWatch&) = delete;
    ModemLineWatch& operator=(const ModemLineWatch&) = delete;

    // Starts watching fd: the line bits lineBits (0: no line is read, only the bytes).
    void Start(int fd, int lineBits, Access access);
    // Wakes and joins the threads; afterwards the fd is not touched again, so the port
    // may be closed. The level last seen is kept: a port re-opened with the line still
    // high gives no edge.
    void Stop();
    bool Running() const { return !threads.empty(); }

    Mode CurrentMode() const { return mode.load(); }
    // The level last seen; an edge seen with it is already among TakeEdges.
    bool LineHigh() const { return bLineHigh.load(); }
    // Reads of the line so far (both ways of watching), for tests that wait for a look.
    int64_t LineReads() const { return lineReads.load(); }

    // The steady ms of the rising edges seen since the last call, oldest first.
    std::vector<int64_t> TakeEdges();
    // The line's readability when it changed since the last call.
    std::optional<LineNote> TakeLineNote();

    // Whether bytes noted as waiting had come by ms and are not yet taken.
    bool BytesNotedBefore(int64_t ms) const;
    // The owner has read count bytes from the port: the pieces they make, oldest first,
    // each with the steady ms by which it had come. Bytes that no look saw waiting came
    // after the last look: now. When the fd's queue is empty, what is left noted was
    // of bytes already read.
    std::vector<std::pair<int, int64_t>> TakeArrivals(int count);

private:
    void ArrivalLoop();
    void LineLoop();
    // Why the wait for the line ended: the watch stops, the driver cannot wait, or the
    // line cannot be read.
    enum class WaitEnd { Stopped, CannotWait, Unreadable };
    WaitEnd WaitLoop();
    void PollLoop();
    // Reads the line into bHigh; false (and the line said unreadable) when it cannot be.
    bool Look(bool& bHigh);
    void AddEdge(int64_t ms);
    // Notes the bytes waiting; their count.
    int NoteBytes();
    void Note(LineNote note);

    int fd = -1;
    int lineBits = 0;
    Access access;
    std::vector<std::thread> threads;
    std::vector<std::unique_ptr<std::atomic<bool>>> exited;
    std::atomic<bool> bStop{false};
    std::atomic<Mode> mode{Mode::Stopped};
    std::atomic<bool> bLineHigh{false};
    std::atomic<int64_t> lineReads{0};

    mutable std::mutex lock;
    std::vector<int64_t> edges;
    std::optional<LineNote> lineNote;
    bool bLastReadable = true;
    bool bNoteFirst = true;
    // Bytes seen waiting: (count that came, steady ms by which it came), oldest first.
    std::deque<std::pair<int, int64_t>> arrivals;
    int lastQueued = 0;
};
