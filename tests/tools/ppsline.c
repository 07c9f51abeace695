/* A 1PPS pulse on a pseudo-terminal, for tests and trials of the receiver port: loaded
 * with LD_PRELOAD, it answers the modem-line ioctls of a pty as a serial driver would,
 * and passes every other call on.
 *
 *   TIOCMGET    the chosen line is high while a pulse lasts
 *   TIOCMIWAIT  (HORALUX_PPS_WAIT=1) returns at each rising edge of the chosen line;
 *               otherwise it fails with EINVAL, as on a pty
 *
 * Pulses rise once a second of the PC clock (CLOCK_REALTIME). Environment:
 *   HORALUX_PPS_LINE       DCD (default), CTS or DSR
 *   HORALUX_PPS_WIDTH_US   width of each pulse, default 100000
 *   HORALUX_PPS_PHASE_US   rise after the whole second, default 0
 *   HORALUX_PPS_JITTER_US  each rise moved by up to this much either way, default 0
 *   HORALUX_PPS_GLITCH_MS  a second edge this long after each pulse, default none
 *   HORALUX_PPS_STOP_FILE  while this file exists, no pulse comes
 *   HORALUX_PPS_WAIT       1: TIOCMIWAIT is answered
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
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

static int Stopped(void)
{
    const char* path = getenv("HORALUX_PPS_STOP_FILE");
    return path && *path && access(path, F_OK) == 0;
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

/* Whether the line is high at ns, and the next rise after ns. */
static int Level(int64_t ns, int64_t* nextRise)
{
    const int64_t widthNs = EnvLong("HORALUX_PPS_WIDTH_US", 100000) * 1000;
    const int64_t glitchNs = EnvLong("HORALUX_PPS_GLITCH_MS", 0) * 1000000;
    const int64_t s = ns / 1000000000;
    int high = 0;
    int64_t next = INT64_MAX;
    for (int64_t k = s - 2; k <= s + 2; ++k) {
        const int64_t rises[2] = {RiseNs(k), glitchNs > 0 ? RiseNs(k) + glitchNs : -1};
        for (int i = 0; i < 2; ++i) {
            if (rises[i] < 0)
                continue;
            if (ns >= rises[i] && ns < rises[i] + widthNs)
                high = 1;
            if (rises[i] > ns && rises[i] < next)
                next = rises[i];
        }
    }
    if (nextRise)
        *nextRise = next;
    return high && !Stopped();
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
    if ((request != TIOCMGET && request != TIOCMIWAIT) || !IsPty(fd))
        return real(fd, request, arg);
    if (request == TIOCMGET) {
        *(int*)arg = Level(NowNs(), NULL) ? LineBit() : 0;
        return 0;
    }
    if (EnvLong("HORALUX_PPS_WAIT", 0) != 1) {
        errno = EINVAL;
        return -1;
    }
    const int mask = (int)(intptr_t)arg;
    for (;;) {
        int64_t rise = 0;
        Level(NowNs(), &rise);
        if (!(mask & LineBit()))
            rise = NowNs() + 1000000000; /* nothing to wait for but a signal */
        struct timespec until = {(time_t)(rise / 1000000000), (long)(rise % 1000000000)};
        int r;
        while ((r = clock_nanosleep(CLOCK_REALTIME, TIMER_ABSTIME, &until, NULL)) != 0) {
            if (r == EINTR) {
                errno = EINTR;
                return -1;
            }
        }
        if ((mask & LineBit()) && !Stopped())
            return 0;
    }
}
