/* A clock recorder for the end-to-end tests, loaded with LD_PRELOAD into the program.
 * It takes the place of the calls that set the system clock: each call appends one line
 * to the file named by CLOCK_RECORD and reports success. The real clock is never set:
 * these functions do not reach the system's own.
 *
 * Line format: "<call> <seconds since the epoch> <nanoseconds> <local YYYY-MM-DD HH:MM:SS>"
 */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/time.h>
#include <sys/timex.h>
#include <time.h>
#include <unistd.h>

static void record(const char* call, long long seconds, long nanoseconds) {
    const char* path = getenv("CLOCK_RECORD");
    if (!path || !*path) return;
    char local[64] = "?";
    time_t t = (time_t)seconds;
    struct tm fields;
    if (localtime_r(&t, &fields)) strftime(local, sizeof local, "%Y-%m-%d %H:%M:%S", &fields);
    char line[160];
    int n = snprintf(line, sizeof line, "%s %lld %ld %s\n", call, seconds, nanoseconds, local);
    /* One write of the whole line with O_APPEND, so that lines never interleave. */
    int fd = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return;
    if (n > 0) (void)!write(fd, line, (size_t)n);
    close(fd);
}

int clock_settime(clockid_t clock, const struct timespec* tp) {
    (void)clock;
    record("clock_settime", (long long)tp->tv_sec, tp->tv_nsec);
    return 0;
}

int settimeofday(const struct timeval* tv, const struct timezone* tz) {
    (void)tz;
    if (tv) record("settimeofday", (long long)tv->tv_sec, (long)tv->tv_usec * 1000L);
    return 0;
}

int stime(const time_t* t) {
    if (t) record("stime", (long long)*t, 0);
    return 0;
}

/* Only a call that steps the clock is recorded, as the moment it would step to (now plus
 * the offset); a query or a frequency adjustment just answers "clock in sync". */
int clock_adjtime(clockid_t clock, struct timex* tx) {
    (void)clock;
    if (tx->modes & ADJ_SETOFFSET) {
        struct timespec now;
        clock_gettime(CLOCK_REALTIME, &now);
        long long offsetNanos = (long long)tx->time.tv_usec * ((tx->modes & ADJ_NANO) ? 1 : 1000);
        long long total = (long long)now.tv_nsec + offsetNanos;
        long long seconds = (long long)now.tv_sec + (long long)tx->time.tv_sec + total / 1000000000LL;
        long nanos = (long)(total % 1000000000LL);
        if (nanos < 0) { nanos += 1000000000L; --seconds; }
        record("clock_adjtime", seconds, nanos);
    }
    return 0;
}

int adjtimex(struct timex* tx) { return clock_adjtime(CLOCK_REALTIME, tx); }
