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

// Watches the receiver port's 1PPS modem line, and the bytes waiting in its input
// queue, in threads of its own: a GUI thread held up by a slow disk or a modal wait
// must lose no edge, nor the time at which bytes came. Only ioctl calls on the raw fd
// are made here, never through QSerialPort, which belongs to the GUI thread.
//
// Where the driver can wait for a modem-line change (TIOCMIWAIT) that decides, however
// narrow the pulse; where it cannot (a pseudo-terminal), the line is read every 1 ms.
// The times here are RealMs, read in the watching threads; ToSteady turns one into
// UtcDateTime::SteadyMSecs when it is handed on.
class ModemLineWatch
{
public:
    // How the fd is asked; tests put fakes here. Each returns 0, or -1 with errno set.
    // The functions are called from the watching threads, never two of one kind at once.
    struct Access
    {
        std::function<int(int fd, int* lines)> readLines;     // TIOCMGET: TIOCM_* bits
        std::function<int(int fd, int mask)> waitLines;       // TIOCMIWAIT: until a line of mask changes
        std::function<int(int fd, int* count)> bytesWaiting;  // FIONREAD
    };
    static Access SystemAccess();

    // A 1PPS line of the PpsInterface numbering (1 DCD, 2 CTS, 3 DSR) as TIOCM_* bits; 0
    // for none.
    static int LineBits(int line);

    // The real steady clock in ms, on the epoch of UtcDateTime::SteadyMSecs.
    static int64_t RealMs();
    // A time of RealMs as UtcDateTime::SteadyMSecs: the same, unless a test has fixed
    // the steady clock; then the test's time now.
    static int64_t ToSteady(int64_t realMs);

    enum class Mode { Stopped, Wait, Poll };

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
    bool LineHigh() const { return bLineHigh.load(); }
    // Reads of the line so far (both ways of watching), for tests that wait for a look.
    int64_t LineReads() const { return lineReads.load(); }

    // The RealMs of the rising edges seen since the last call, oldest first.
    std::vector<int64_t> TakeEdges();
    // The line's readability when it changed since the last call.
    std::optional<LineNote> TakeLineNote();

    // Whether bytes noted as waiting had come by ms and are not yet taken.
    bool BytesNotedBefore(int64_t ms) const;
    // The owner has read count bytes from the port: the pieces they make, oldest first,
    // each with the RealMs by which it had come. Bytes that no look saw waiting came
    // after the last look: now. When the fd's queue is empty, what is left noted was
    // of bytes already read.
    std::vector<std::pair<int, int64_t>> TakeArrivals(int count);

private:
    void PollLoop();
    void WaitLoop();
    bool ReadLevel(bool bWoken);
    void NoteBytes();
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
    // The RealMs of the last rising edge seen.
    std::atomic<int64_t> lastRiseMs{0};
    // Polls left before an unreadable line is read again.
    std::atomic<int> unreadablePause{0};

    mutable std::mutex lock;
    std::vector<int64_t> edges;
    std::optional<LineNote> lineNote;
    bool bLastReadable = true;
    bool bNoteFirst = true;
    // Bytes seen waiting: (count that came, steady ms by which it came), oldest first.
    std::deque<std::pair<int, int64_t>> arrivals;
    int lastQueued = 0;
};
