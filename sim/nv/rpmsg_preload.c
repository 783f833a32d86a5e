/* SPDX-License-Identifier: MIT */
/* Preloaded into paramlinkd inside the simulated module: "/dev/armps_rpmsgch8" becomes a
 * SOCK_SEQPACKET connection to the modem-core simulator (one frame per record, select works
 * as on the device), and the channel's three int-argument ioctls, which a FUSE file cannot
 * serve, are answered here. Scripted failures (sim/module ctl fail CALL ERRNO [COUNT]):
 *   RPMSG_CREATE_CHANNEL, RPMSG_SET_INT_FLAG, RPMSG_CLEAR_POLL_FLAG   the ioctls
 *   rpmsg_open       opening the device
 *   rpmsg_write      writes to the channel
 *   msgget, msgsnd, msgrcv   the calls on queue 4134
 * and one setting (sim/module ctl set rpmsg_write_max N): the most bytes one channel write
 * takes, so that the daemon's answers go out in pieces; on a strict platform a write takes
 * a random part of a frame now and then.
 */
#define _GNU_SOURCE
#include "common/export.h"
#include "nv_paths.h"
#include "simconnect.h"
#include "simfail.h"
#include "simstrict.h"

#include <dirent.h>
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/inotify.h>
#include <sys/msg.h>
#include <sys/socket.h>
#include <unistd.h>

#define EXPORT ORVO_EXPORT

static const char kDevice[] = "/dev/armps_rpmsgch8";
static const int kQueueKey = 4134;
/* On a strict platform: calls delayed (per thousand, up to so many us) and channel writes
 * cut short (per thousand). */
static const unsigned kStrictPauseChance = 200, kStrictPauseMaxUs = 1000;
static const unsigned kStrictShortWriteChance = 300;
static const char kFailDir[] = "/run/orvo-sim/fail";
static const char kSettingsDir[] = "/run/orvo-sim/settings";
static int g_channel = -1;

static void *next(const char *name) {
    return dlsym(RTLD_NEXT, name);
}

static int real_open(const char *path, int flags, mode_t mode) {
    static int (*fn)(const char *, int, ...);
    if (!fn)
        fn = (int (*)(const char *, int, ...))next("open");
    return fn(path, flags, mode);
}

static ssize_t real_write(int fd, const void *buf, size_t count) {
    static ssize_t (*fn)(int, const void *, size_t);
    if (!fn)
        fn = (ssize_t(*)(int, const void *, size_t))next("write");
    return fn(fd, buf, count);
}

static void note(const char *format, ...) {
    char line[256];
    va_list args;
    va_start(args, format);
    int n = vsnprintf(line, sizeof line - 1, format, args);
    va_end(args);
    if (n < 0)
        return;
    if (n > (int)sizeof line - 2)
        n = (int)sizeof line - 2;
    line[n++] = '\n';
    int saved = errno;
    int fd = real_open(NV_SIM_CHANNEL_LOG, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd >= 0) {
        real_write(fd, line, (size_t)n);
        close(fd);
    }
    errno = saved;
}

static ssize_t real_read(int fd, void *buf, size_t count) {
    static ssize_t (*fn)(int, void *, size_t);
    if (!fn)
        fn = (ssize_t(*)(int, void *, size_t))next("read");
    return fn(fd, buf, count);
}

static int has_files(const char *folder) {
    DIR *dir = opendir(folder);
    if (!dir)
        return 0;
    int found = 0;
    struct dirent *entry;
    while (!found && (entry = readdir(dir)))
        found = entry->d_name[0] != '.';
    closedir(dir);
    return found;
}

/* Whether any call is scripted or any setting made at all. Looking for script files costs a
 * path lookup each, which would dominate the relay's own cost in the benchmark; an inotify
 * watch on the folders says when it is worth looking again. */
static int scripts_present(void) {
    static int watch = -1, present = -1;
    const uint32_t changes = IN_CREATE | IN_DELETE | IN_MOVED_TO | IN_MOVED_FROM;
    if (watch == -1) {
        watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (watch >= 0 && (inotify_add_watch(watch, kFailDir, changes) < 0 ||
                           inotify_add_watch(watch, kSettingsDir, changes) < 0)) {
            close(watch);
            watch = -2;
        }
        if (watch < 0)
            watch = -2;
    }
    if (watch == -2)
        return 1;
    char events[4096];
    while (real_read(watch, events, sizeof events) > 0)
        present = -1;
    if (present < 0)
        present = has_files(kFailDir) || has_files(kSettingsDir);
    return present;
}

/* The errno a call fails with now, 0 when none; errno itself is kept. */
static int scripted(const char *call) {
    orvo_sim_strict_pause(kStrictPauseChance, kStrictPauseMaxUs);
    int saved = errno;
    int error = scripts_present() ? orvo_sim_fail(call) : 0;
    errno = saved;
    return error;
}

/* The most bytes one channel write takes, 0 when unlimited. */
static long write_max(void) {
    int saved = errno;
    long most = 0;
    if (!scripts_present() || !orvo_sim_setting("rpmsg_write_max", &most) || most < 0)
        most = 0;
    errno = saved;
    return most;
}

static int open_channel(int flags) {
    int error = scripted("rpmsg_open");
    if (error) {
        note("open failed %d", error);
        errno = error;
        return -1;
    }
    int fd = orvo_sim_connect(NV_SIM_CHANNEL_SOCKET, SOCK_SEQPACKET, flags & O_CLOEXEC);
    if (fd < 0) {
        /* No modem core listening (none started, or its socket left behind): the device
         * is absent, as on the module without the channel. */
        error = errno == ENOENT || errno == ECONNREFUSED ? ENOENT : ENXIO;
        note("open failed %d", error);
        errno = error;
        return -1;
    }
    g_channel = fd;
    note("open");
    return fd;
}

static int is_device(const char *path) {
    return path && strcmp(path, kDevice) == 0;
}

static mode_t mode_argument(int flags, va_list args) {
    return (flags & (O_CREAT | O_TMPFILE)) ? (mode_t)va_arg(args, int) : 0;
}

EXPORT int open(const char *path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    mode_t mode = mode_argument(flags, args);
    va_end(args);
    return is_device(path) ? open_channel(flags) : real_open(path, flags, mode);
}

EXPORT int open64(const char *path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    mode_t mode = mode_argument(flags, args);
    va_end(args);
    return is_device(path) ? open_channel(flags) : real_open(path, flags | O_LARGEFILE, mode);
}

EXPORT int __open_2(const char *path, int flags) {
    return is_device(path) ? open_channel(flags) : real_open(path, flags, 0);
}

EXPORT int __open64_2(const char *path, int flags) {
    return is_device(path) ? open_channel(flags) : real_open(path, flags | O_LARGEFILE, 0);
}

static const char *ioctl_name(unsigned long request) {
    switch (request) {
    case 0x40045201:
        return "RPMSG_CREATE_CHANNEL";
    case 0x40045204:
        return "RPMSG_SET_INT_FLAG";
    case 0x40045207:
        return "RPMSG_CLEAR_POLL_FLAG";
    default:
        return NULL;
    }
}

EXPORT int ioctl(int fd, unsigned long request, ...) {
    va_list args;
    va_start(args, request);
    void *argument = va_arg(args, void *);
    va_end(args);
    const char *name = ioctl_name(request);
    if (fd != g_channel || fd < 0 || !name) {
        static int (*fn)(int, unsigned long, ...);
        if (!fn)
            fn = (int (*)(int, unsigned long, ...))next("ioctl");
        return fn(fd, request, argument);
    }
    int value = (int)(long)argument;
    int error = scripted(name);
    if (error) {
        note("ioctl %s %d failed %d", name, value, error);
        errno = error;
        return -1;
    }
    note("ioctl %s %d", name, value);
    return 0;
}

EXPORT int close(int fd) {
    static int (*fn)(int);
    if (!fn)
        fn = (int (*)(int))next("close");
    if (fd >= 0 && fd == g_channel) {
        g_channel = -1;
        note("close");
    }
    return fn(fd);
}

EXPORT ssize_t read(int fd, void *buf, size_t count) {
    static ssize_t (*fn)(int, void *, size_t);
    if (!fn)
        fn = (ssize_t(*)(int, void *, size_t))next("read");
    if (fd < 0)
        note("read without channel");
    return fn(fd, buf, count);
}

EXPORT ssize_t write(int fd, const void *buf, size_t count) {
    if (fd >= 0 && fd == g_channel) {
        int error = scripted("rpmsg_write");
        if (error) {
            note("write failed %d", error);
            errno = error;
            return -1;
        }
        long most = write_max();
        if (most > 0 && count > (size_t)most)
            count = (size_t)most;
        /* On a strict platform the device takes part of a frame now and then. */
        if (count > 1 && orvo_sim_strict_chance(kStrictShortWriteChance)) {
            orvo_sim_strict_count(ORVO_STRICT_SHORT_WRITE);
            count = 1 + orvo_sim_strict_draw((uint32_t)(count - 1));
        }
        /* The device reports a lost far end as an error, never as SIGPIPE. */
        return send(fd, buf, count, MSG_NOSIGNAL);
    }
    return real_write(fd, buf, count);
}

EXPORT int msgget(key_t key, int flags) {
    static int (*fn)(key_t, int);
    if (!fn)
        fn = (int (*)(key_t, int))next("msgget");
    int error = key == kQueueKey ? scripted("msgget") : 0;
    if (error) {
        errno = error;
        return -1;
    }
    return fn(key, flags);
}

EXPORT int msgsnd(int queue, const void *message, size_t size, int flags) {
    static int (*fn)(int, const void *, size_t, int);
    if (!fn)
        fn = (int (*)(int, const void *, size_t, int))next("msgsnd");
    int error = scripted("msgsnd");
    if (error) {
        errno = error;
        return -1;
    }
    return fn(queue, message, size, flags);
}

EXPORT ssize_t msgrcv(int queue, void *message, size_t size, long type, int flags) {
    static ssize_t (*fn)(int, void *, size_t, long, int);
    if (!fn)
        fn = (ssize_t(*)(int, void *, size_t, long, int))next("msgrcv");
    int error = scripted("msgrcv");
    if (error) {
        errno = error;
        return -1;
    }
    return fn(queue, message, size, type, flags);
}
