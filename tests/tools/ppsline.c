/* A 1PPS pulse on a pseudo-terminal, for tests and trials of the receiver port: loaded
 * with LD_PRELOAD, it answers the modem-line ioctls of a pty as a serial driver would,
 * and passes every other call on.
 *
 *   TIOCMGET    the chosen line is high while a pulse (or an extra edge) lasts
 *   TIOCMIWAIT  (HORALUX_PPS_WAIT=1) returns at the next rise or fall of the chosen line,
 *               when the mask holds that line; with another mask only a signal ends it.
 *               HORALUX_PPS_WAIT=2: returns at once, nothing changed, as some drivers
 *               do. Otherwise it fails with EINVAL, as on a pty.
 *   TIOCGICOUNT (HORALUX_PPS_WAIT=1) the changes of the chosen line so far, counted as
 *               a serial driver counts them; HORALUX_PPS_NO_COUNT=1: fails with EINVAL.
 *
 * Pulses rise once a second of the PC clock (CLOCK_REALTIME). Environment:
 *   HORALUX_PPS_LINE           DCD (default), CTS or DSR
 *   HORALUX_PPS_WIDTH_US       width of each pulse, default 100000
 *   HORALUX_PPS_PHASE_US       rise after the whole second, default 0
 *   HORALUX_PPS_JITTER_US      each rise moved by up to this much either way, default 0
 *   HORALUX_PPS_INVERT         1: the line is low while a pulse lasts, high otherwise
 *   HORALUX_PPS_GLITCH_MS      an extra edge this long after each pulse, default none
 *   HORALUX_PPS_GLITCH_WIDTH_US  how long the extra edge holds the line, default 5000
 *   HORALUX_PPS_GLITCH_FILE    if set, the extra edge comes only while this file exists
 *   HORALUX_PPS_STOP_FILE      while this file exists, no pulse comes (extra edges do)
 *   HORALUX_PPS_WAIT           see TIOCMIWAIT
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <linux/serial.h>
#include <pthread.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

typedef int (*ioctl_fn)(int, unsigned long, ...);

static long EnvLong(const char* name, long fallback)
{
    const char* text = getenv(name);
    return text && *text ? strtol(text, NULL, 10) : fallback;
}

static int LineBit(void)
{
    const char* line = getenv("HORALUX_PPS_LINE");
    if (line && strcmp(line, "CTS") == 0)
        return TIOCM_CTS;
    if (line && strcmp(line, "DSR") == 0)
        return TIOCM_DSR;
    return TIOCM_CAR;
}

static int IsPty(int fd)
{
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode))
        return 0;
    const unsigned int m = major(st.st_rdev);
    return m >= 136 && m <= 143;
}

static int64_t NowNs(void)
{
    struct timespec t;
    clock_gettime(CLOCK_REALTIME, &t);
    return (int64_t)t.tv_sec * 1000000000 + t.tv_nsec;
}

static int FileSays(const char* variable, int fallback)
{
    const char* path = getenv(variable);
    if (!path || !*path)
        return fallback;
    return access(path, F_OK) == 0;
}

/* The rise of the pulse of second s, in ns of CLOCK_REALTIME. */
static int64_t RiseNs(int64_t s)
{
    const long jitterUs = EnvLong("HORALUX_PPS_JITTER_US", 0);
    int64_t moveNs = 0;
    if (jitterUs > 0) {
        uint64_t h = (uint64_t)s * 0x9E3779B97F4A7C15ull;
        h ^= h >> 29;
        moveNs = ((int64_t)(h % (uint64_t)(2 * jitterUs + 1)) - jitterUs) * 1000;
    }
    return s * 1000000000 + EnvLong("HORALUX_PPS_PHASE_US", 0) * 1000 + moveNs;
}

/* The spans in which the line is pulled (a pulse or an extra edge) near second s: up to
 * two, as start and end ns; the count is returned. */
static int Spans(int64_t s, int64_t starts[2], int64_t ends[2])
{
    int n = 0;
    if (!FileSays("HORALUX_PPS_STOP_FILE", 0)) {
        starts[n] = RiseNs(s);
        ends[n] = starts[n] + EnvLong("HORALUX_PPS_WIDTH_US", 100000) * 1000;
        ++n;
    }
    const int64_t glitchNs = EnvLong("HORALUX_PPS_GLITCH_MS", 0) * 1000000;
    if (glitchNs > 0 && FileSays("HORALUX_PPS_GLITCH_FILE", 1)) {
        starts[n] = RiseNs(s) + glitchNs;
        ends[n] = starts[n] + EnvLong("HORALUX_PPS_GLITCH_WIDTH_US", 5000) * 1000;
        ++n;
    }
    return n;
}

static int Level(int64_t ns)
{
    const int64_t s = ns / 1000000000;
    int pulled = 0;
    for (int64_t k = s - 2; k <= s + 2 && !pulled; ++k) {
        int64_t starts[2], ends[2];
        const int n = Spans(k, starts, ends);
        for (int i = 0; i < n; ++i)
            if (ns >= starts[i] && ns < ends[i])
                pulled = 1;
    }
    return pulled != (EnvLong("HORALUX_PPS_INVERT", 0) == 1);
}

/* The first change of the line after ns (before limit), or limit. */
static int64_t NextChange(int64_t ns, int64_t limit)
{
    int64_t next = limit;
    const int64_t s = ns / 1000000000;
    for (int64_t k = s - 2; k <= s + 3; ++k) {
        int64_t starts[2], ends[2];
        const int n = Spans(k, starts, ends);
        for (int i = 0; i < 2 * n; ++i) {
            const int64_t t = i < n ? starts[i] : ends[i - n];
            if (t > ns && t < next && Level(t) != Level(t - 1))
                next = t;
        }
    }
    return next;
}

/* The changes of the line so far, as a driver counts them from the first call. */
static int CountChanges(void)
{
    static pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
    static int64_t countedTo = -1;
    static int count = 0;
    pthread_mutex_lock(&lock);
    const int64_t now = NowNs();
    if (countedTo < 0 || now - countedTo > 60 * 1000000000LL)
        countedTo = now;
    while (countedTo < now) {
        const int64_t t = NextChange(countedTo, now + 1);
        if (t > now)
            break;
        ++count;
        countedTo = t;
    }
    countedTo = now;
    const int result = count;
    pthread_mutex_unlock(&lock);
    return result;
}

/* For tests: this library is loaded. */
int horalux_ppsline_loaded(void) { return 1; }

int ioctl(int fd, unsigned long request, ...)
{
    static ioctl_fn real = NULL;
    if (!real)
        real = (ioctl_fn)dlsym(RTLD_NEXT, "ioctl");
    va_list args;
    va_start(args, request);
    void* arg = va_arg(args, void*);
    va_end(args);
    if ((request != TIOCMGET && request != TIOCMIWAIT && request != TIOCGICOUNT) || !IsPty(fd))
        return real(fd, request, arg);
    if (request == TIOCMGET) {
        *(int*)arg = Level(NowNs()) ? LineBit() : 0;
        return 0;
    }
    const long wait = EnvLong("HORALUX_PPS_WAIT", 0);
    if (request == TIOCGICOUNT) {
        if (wait != 1 || EnvLong("HORALUX_PPS_NO_COUNT", 0) == 1) {
            errno = EINVAL;
            return -1;
        }
        struct serial_icounter_struct* counts = (struct serial_icounter_struct*)arg;
        memset(counts, 0, sizeof *counts);
        const int n = CountChanges();
        if (LineBit() == TIOCM_CAR)
            counts->dcd = n;
        else if (LineBit() == TIOCM_CTS)
            counts->cts = n;
        else
            counts->dsr = n;
        return 0;
    }
    if (wait == 2)
        return 0;
    if (wait != 1) {
        errno = EINVAL;
        return -1;
    }
    const int mask = (int)(intptr_t)arg;
    for (;;) {
        const int64_t now = NowNs();
        /* Nothing to wait for but a signal: look again in a second. */
        const int64_t change = (mask & LineBit()) ? NextChange(now, now + 1000000000) : now + 1000000000;
        struct timespec until = {(time_t)(change / 1000000000), (long)(change % 1000000000)};
        int r;
        while ((r = clock_nanosleep(CLOCK_REALTIME, TIMER_ABSTIME, &until, NULL)) != 0) {
            if (r == EINTR) {
                errno = EINTR;
                return -1;
            }
        }
        if ((mask & LineBit()) && Level(change) != Level(change - 1))
            return 0;
    }
}
