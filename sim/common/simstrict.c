/* SPDX-License-Identifier: MIT */
/* Only system calls and plain arithmetic here: the preload runs this inside signal
 * handlers and before a program's own constructors. */
#define _GNU_SOURCE
#include "simstrict.h"

#include <errno.h>
#include <fcntl.h>
#include <stddef.h>
#include <string.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>

#define STATE_UNKNOWN 0
#define STATE_OFF 1
#define STATE_ON 2

static int g_state = STATE_UNKNOWN;
static uint64_t g_seed;
static uint64_t *g_counts; /* ORVO_STRICT_KINDS counters shared by every process */
static unsigned g_threads; /* threads of this program that have drawn so far */
static __thread uint64_t t_rng;

static const char *const kKindNames[ORVO_STRICT_KINDS] = {
    "eintr",       "short_read",    "short_write",  "pause",        "other_thread",
    "late_answer", "double_answer", "split_record", "slow_command", "kernel_failure",
};

/* "seed N" on the first line of the control file. */
static int read_seed(uint64_t *seed) {
    int fd = open(ORVO_SIM_STRICT_FILE, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    char text[64];
    ssize_t n = pread(fd, text, sizeof text - 1, 0); /* not read: the preload wraps it */
    close(fd);
    if (n < 6 || memcmp(text, "seed ", 5) != 0)
        return 0;
    text[n] = '\0';
    uint64_t value = 0;
    const char *p = text + 5;
    if (*p < '0' || *p > '9')
        return 0;
    for (; *p >= '0' && *p <= '9'; ++p)
        value = value * 10 + (uint64_t)(*p - '0');
    *seed = value;
    return 1;
}

static void map_counts(void) {
    int fd = open(ORVO_SIM_STRICT_COUNTS, O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return;
    void *shared =
        mmap(NULL, ORVO_STRICT_KINDS * sizeof(uint64_t), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    if (shared == MAP_FAILED)
        return;
    uint64_t *expected = NULL;
    if (!__atomic_compare_exchange_n(&g_counts, &expected, (uint64_t *)shared, 0, __ATOMIC_ACQ_REL,
                                     __ATOMIC_ACQUIRE))
        munmap(shared, ORVO_STRICT_KINDS * sizeof(uint64_t)); /* another thread was first */
}

static void settle(void) {
    if (__atomic_load_n(&g_state, __ATOMIC_ACQUIRE) != STATE_UNKNOWN)
        return;
    int saved = errno;
    uint64_t seed = 0;
    int on = read_seed(&seed);
    if (on) {
        g_seed = seed;
        map_counts();
    }
    __atomic_store_n(&g_state, on ? STATE_ON : STATE_OFF, __ATOMIC_RELEASE);
    errno = saved;
}

__attribute__((constructor)) static void settle_early(void) {
    settle();
}

int orvo_sim_strict(void) {
    settle();
    return __atomic_load_n(&g_state, __ATOMIC_ACQUIRE) == STATE_ON;
}

uint64_t orvo_sim_strict_seed(void) {
    return orvo_sim_strict() ? g_seed : 0;
}

static uint64_t mix(uint64_t z) {
    z += 0x9e3779b97f4a7c15ULL;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

static uint64_t name_hash(void) {
    uint64_t hash = 1469598103934665603ULL;
    for (const char *p = program_invocation_short_name; p && *p; ++p)
        hash = (hash ^ (unsigned char)*p) * 1099511628211ULL;
    return hash;
}

uint32_t orvo_sim_strict_draw(uint32_t bound) {
    if (bound == 0 || !orvo_sim_strict())
        return 0;
    if (t_rng == 0) {
        unsigned place = __atomic_fetch_add(&g_threads, 1, __ATOMIC_RELAXED);
        t_rng = mix(g_seed ^ mix(name_hash() + place)) | 1;
    }
    /* xorshift64* */
    t_rng ^= t_rng >> 12;
    t_rng ^= t_rng << 25;
    t_rng ^= t_rng >> 27;
    return (uint32_t)(((t_rng * 2685821657736338717ULL) >> 32) % bound);
}

int orvo_sim_strict_chance(unsigned per_mille) {
    return per_mille > 0 && orvo_sim_strict() && orvo_sim_strict_draw(1000) < per_mille;
}

void orvo_sim_strict_pause(unsigned per_mille, unsigned max_us) {
    if (max_us == 0 || !orvo_sim_strict_chance(per_mille))
        return;
    int saved = errno;
    uint32_t us = 1 + orvo_sim_strict_draw(max_us);
    struct timespec delay = {(time_t)(us / 1000000), (long)(us % 1000000) * 1000};
    while (nanosleep(&delay, &delay) != 0 && errno == EINTR) {
    }
    orvo_sim_strict_count(ORVO_STRICT_PAUSE);
    errno = saved;
}

void orvo_sim_strict_count(enum orvo_sim_strict_kind kind) {
    uint64_t *counts = __atomic_load_n(&g_counts, __ATOMIC_ACQUIRE);
    if (counts && kind >= 0 && kind < ORVO_STRICT_KINDS)
        __atomic_fetch_add(&counts[kind], 1, __ATOMIC_RELAXED);
}

uint64_t orvo_sim_strict_counted(enum orvo_sim_strict_kind kind) {
    settle();
    uint64_t *counts = __atomic_load_n(&g_counts, __ATOMIC_ACQUIRE);
    if (!counts || kind < 0 || kind >= ORVO_STRICT_KINDS)
        return 0;
    return __atomic_load_n(&counts[kind], __ATOMIC_RELAXED);
}

const char *orvo_sim_strict_kind_name(enum orvo_sim_strict_kind kind) {
    return kind >= 0 && kind < ORVO_STRICT_KINDS ? kKindNames[kind] : "?";
}
