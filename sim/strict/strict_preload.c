/* SPDX-License-Identifier: MIT */
/* The kernel calls of a strict module (/etc/ld.so.preload inside it): calls made from the
 * module's own code (the objects and programs the control file names) get what the kernel
 * may legally give them, now and then:
 *   - read/recv on a stream socket or a pipe: fewer bytes than asked for;
 *   - write/send on a non-blocking stream socket or pipe: part of the bytes taken;
 *   - read/write/recv/send that would block, in a program with a handler installed without
 *     SA_RESTART: EINTR;
 *   - msgrcv with nothing of its type queued and msgsnd on a full queue, in a program with
 *     any handler installed: EINTR (the kernel never restarts them);
 *   - EINTR only for the module's libraries ("object" lines), which cannot know what signals
 *     the program around them takes; the module's programs ("program" lines, and the code
 *     serving one, "program-object") know every signal they handle, so an interruption
 *     there is real, never made up;
 *   - system() and popen(): slow to start;
 *   - a small delay at any of these.
 * Calls from elsewhere (libc's own, the simulators', the tests') pass straight through. */
#define _GNU_SOURCE
#include "common/export.h"
#include "simstrict.h"

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <link.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/msg.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#define EXPORT ORVO_EXPORT

/* Per thousand calls of the module's code. */
#define CHANCE_EINTR 100
#define CHANCE_SHORT 300
#define CHANCE_PAUSE 20
#define PAUSE_MAX_US 300
#define CHANCE_SLOW_COMMAND 200
#define SLOW_COMMAND_MAX_US 50000

#define MAX_NAMES 32
#define MAX_OBJECTS 256

/* Whose code a call comes from. */
enum owner { NOT_OURS, LIBRARY, PROGRAM };

/* The module's own objects (base names up to ".so", each a LIBRARY or PROGRAM) and programs
 * (paths). */
static char g_objects[MAX_NAMES][64];
static enum owner g_object_owner[MAX_NAMES];
static int g_object_count;
static char g_programs[MAX_NAMES][PATH_MAX];
static int g_program_count;

struct range {
    uintptr_t start, end;
    enum owner own;
};
static struct range g_ranges[MAX_OBJECTS];
static int g_range_count;
static int g_ranges_lock;

static void *next(const char *name) {
    return dlsym(RTLD_NEXT, name);
}

/* The next definition of the wrapped call (libc's), looked up once. */
#define REAL(name)                                                                                 \
    static __typeof__(&name) real_##name;                                                          \
    if (!real_##name)                                                                              \
        real_##name = (__typeof__(&name))next(#name);

/* Lines "object NAME", "program-object NAME" and "program PATH" of the control file. */
static void read_names(void) {
    static char text[16384];
    int fd = open(ORVO_SIM_STRICT_FILE, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    ssize_t n = pread(fd, text, sizeof text - 1, 0); /* not read: the preload wraps it */
    close(fd);
    if (n <= 0)
        return;
    text[n] = '\0';
    for (char *line = strtok(text, "\n"); line; line = strtok(NULL, "\n")) {
        int program_object = strncmp(line, "program-object ", 15) == 0;
        if ((program_object || strncmp(line, "object ", 7) == 0) && g_object_count < MAX_NAMES) {
            g_object_owner[g_object_count] = program_object ? PROGRAM : LIBRARY;
            snprintf(g_objects[g_object_count++], sizeof g_objects[0], "%s",
                     line + (program_object ? 15 : 7));
        } else if (strncmp(line, "program ", 8) == 0 && g_program_count < MAX_NAMES)
            snprintf(g_programs[g_program_count++], sizeof g_programs[0], "%s", line + 8);
    }
}

/* "libqxipc.so.1" and "libqxipc.so" both match the name "libqxipc.so". */
static enum owner own_object(const char *path) {
    const char *base = strrchr(path, '/');
    base = base ? base + 1 : path;
    for (int i = 0; i < g_object_count; i++) {
        size_t length = strlen(g_objects[i]);
        if (strncmp(base, g_objects[i], length) == 0 &&
            (base[length] == '\0' || base[length] == '.'))
            return g_object_owner[i];
    }
    return NOT_OURS;
}

/* The program itself: by its path, or as an object by its name. */
static enum owner own_program(void) {
    char exe[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0)
        return NOT_OURS;
    exe[n] = '\0';
    for (int i = 0; i < g_program_count; i++) {
        if (strcmp(exe, g_programs[i]) == 0)
            return PROGRAM;
    }
    return own_object(exe);
}

static int add_range(struct dl_phdr_info *info, size_t size, void *data) {
    (void)size;
    enum owner program = *(enum owner *)data;
    if (g_range_count == MAX_OBJECTS)
        return 1;
    uintptr_t start = UINTPTR_MAX, end = 0;
    for (int i = 0; i < info->dlpi_phnum; i++) {
        const ElfW(Phdr) *ph = &info->dlpi_phdr[i];
        if (ph->p_type != PT_LOAD)
            continue;
        uintptr_t from = info->dlpi_addr + ph->p_vaddr;
        if (from < start)
            start = from;
        if (from + ph->p_memsz > end)
            end = from + ph->p_memsz;
    }
    if (start >= end)
        return 0;
    const char *name = info->dlpi_name ? info->dlpi_name : "";
    struct range *r = &g_ranges[g_range_count];
    r->start = start;
    r->end = end;
    r->own = name[0] ? own_object(name) : program;
    __atomic_store_n(&g_range_count, g_range_count + 1, __ATOMIC_RELEASE);
    return 0;
}

/* Every loaded object's addresses, built again when a call comes from one not seen yet
 * (a plug-in loaded since). */
static void map_objects(void) {
    if (__atomic_exchange_n(&g_ranges_lock, 1, __ATOMIC_ACQUIRE))
        return; /* being built on another thread: this call passes through */
    static int known;
    static enum owner program;
    if (!known) {
        program = own_program();
        known = 1;
    }
    __atomic_store_n(&g_range_count, 0, __ATOMIC_RELEASE);
    dl_iterate_phdr(add_range, &program);
    __atomic_store_n(&g_ranges_lock, 0, __ATOMIC_RELEASE);
}

static enum owner from_module(const void *caller) {
    /* A caller that no object holds even after the map was built again: not looked for
     * again, so such a call site does not rebuild the map at every call. */
    static uintptr_t last_stranger;
    if (!orvo_sim_strict() || __atomic_load_n(&g_ranges_lock, __ATOMIC_ACQUIRE))
        return NOT_OURS;
    uintptr_t at = (uintptr_t)caller;
    for (int pass = 0; pass < 2; pass++) {
        int count = __atomic_load_n(&g_range_count, __ATOMIC_ACQUIRE);
        for (int i = 0; i < count; i++) {
            if (at >= g_ranges[i].start && at < g_ranges[i].end)
                return g_ranges[i].own;
        }
        if (pass == 0 && at != __atomic_load_n(&last_stranger, __ATOMIC_RELAXED))
            map_objects();
    }
    __atomic_store_n(&last_stranger, at, __ATOMIC_RELAXED);
    return NOT_OURS;
}

__attribute__((constructor)) static void start(void) {
    if (!orvo_sim_strict())
        return;
    read_names();
    map_objects();
}

/* A stream socket or a pipe: where bytes may come and go in any pieces. */
static int stream_like(int fd) {
    struct stat st;
    if (fstat(fd, &st) != 0)
        return 0;
    if (S_ISFIFO(st.st_mode))
        return 1;
    if (!S_ISSOCK(st.st_mode))
        return 0;
    int type = 0;
    socklen_t length = sizeof type;
    return getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &length) == 0 && type == SOCK_STREAM;
}

static int would_block(int fd, short events) {
    int saved = errno;
    struct pollfd p = {fd, events, 0};
    int ready = poll(&p, 1, 0);
    errno = saved;
    return ready == 0;
}

/* A signal with a handler: a blocked msgrcv or msgsnd may end with EINTR (they are never
 * restarted); with restarting_too 0, only a handler without SA_RESTART counts (reads and
 * writes are restarted after the others). */
static int handler_installed(int restarting_too) {
    for (int signum = 1; signum < NSIG; signum++) {
        struct sigaction action;
        if (signum == SIGKILL || signum == SIGSTOP || sigaction(signum, NULL, &action) != 0)
            continue;
        if (action.sa_handler != SIG_DFL && action.sa_handler != SIG_IGN &&
            (restarting_too || !(action.sa_flags & SA_RESTART)))
            return 1;
    }
    return 0;
}

static int interrupted(void) {
    orvo_sim_strict_count(ORVO_STRICT_EINTR);
    errno = EINTR;
    return -1;
}

static int nonblocking(int fd, int flags) {
    return (flags & MSG_DONTWAIT) || (fcntl(fd, F_GETFL) & O_NONBLOCK);
}

/* The bytes a read from the module's code asks for, or -1: the call is to fail with EINTR. */
static ssize_t strict_read_size(enum owner owner, int fd, size_t count, int flags) {
    orvo_sim_strict_pause(CHANCE_PAUSE, PAUSE_MAX_US);
    if (flags & (MSG_PEEK | MSG_WAITALL))
        return (ssize_t)count;
    if (owner == LIBRARY && orvo_sim_strict_chance(CHANCE_EINTR) && !nonblocking(fd, flags) &&
        would_block(fd, POLLIN) && handler_installed(0))
        return -1;
    if (count > 1 && orvo_sim_strict_chance(CHANCE_SHORT) && stream_like(fd)) {
        orvo_sim_strict_count(ORVO_STRICT_SHORT_READ);
        return 1 + (ssize_t)orvo_sim_strict_draw((uint32_t)(count - 1));
    }
    return (ssize_t)count;
}

static ssize_t strict_write_size(enum owner owner, int fd, size_t count, int flags) {
    orvo_sim_strict_pause(CHANCE_PAUSE, PAUSE_MAX_US);
    int blocking = !nonblocking(fd, flags);
    if (owner == LIBRARY && orvo_sim_strict_chance(CHANCE_EINTR) && blocking &&
        would_block(fd, POLLOUT) && handler_installed(0))
        return -1;
    if (count > 1 && !blocking && orvo_sim_strict_chance(CHANCE_SHORT) && stream_like(fd)) {
        struct stat st;
        if (fstat(fd, &st) == 0 && S_ISFIFO(st.st_mode) && count <= PIPE_BUF)
            return (ssize_t)count; /* pipe writes this small are whole */
        orvo_sim_strict_count(ORVO_STRICT_SHORT_WRITE);
        return 1 + (ssize_t)orvo_sim_strict_draw((uint32_t)(count - 1));
    }
    return (ssize_t)count;
}

/* How the strict platform sizes a read or a write of the module's code. */
typedef ssize_t (*size_rule)(enum owner owner, int fd, size_t count, int flags);

/* The bytes a call from `caller` may move: all of them when the call is not the module's,
 * else what `rule` leaves; -1 (errno EINTR, counted) when the call is to fail. */
static ssize_t strict_count(const void *caller, size_rule rule, int fd, size_t count, int flags) {
    enum owner owner = from_module(caller);
    if (owner == NOT_OURS)
        return (ssize_t)count;
    ssize_t size = rule(owner, fd, count, flags);
    return size < 0 ? interrupted() : size;
}

EXPORT ssize_t read(int fd, void *buf, size_t count) {
    REAL(read);
    ssize_t size = strict_count(__builtin_return_address(0), strict_read_size, fd, count, 0);
    return size < 0 ? -1 : real_read(fd, buf, (size_t)size);
}

EXPORT ssize_t recv(int fd, void *buf, size_t count, int flags) {
    REAL(recv);
    ssize_t size = strict_count(__builtin_return_address(0), strict_read_size, fd, count, flags);
    return size < 0 ? -1 : real_recv(fd, buf, (size_t)size, flags);
}

EXPORT ssize_t write(int fd, const void *buf, size_t count) {
    REAL(write);
    ssize_t size = strict_count(__builtin_return_address(0), strict_write_size, fd, count, 0);
    return size < 0 ? -1 : real_write(fd, buf, (size_t)size);
}

EXPORT ssize_t send(int fd, const void *buf, size_t count, int flags) {
    REAL(send);
    ssize_t size = strict_count(__builtin_return_address(0), strict_write_size, fd, count, flags);
    return size < 0 ? -1 : real_send(fd, buf, (size_t)size, flags);
}

/* Whether a receive of this type would block: no message of the type is queued. Messages
 * are looked at in place (MSG_COPY); where the kernel cannot, only an empty queue counts. */
static int nothing_to_receive(int queue, long type) {
    struct msqid_ds info;
    int saved = errno;
    int nothing = 0;
    if (msgctl(queue, IPC_STAT, &info) != 0)
        goto done;
    nothing = 1;
    for (msgqnum_t at = 0; at < info.msg_qnum && nothing; at++) {
        static __thread struct {
            long mtype;
            char text[8192];
        } copy;
        REAL(msgrcv);
        if (real_msgrcv(queue, &copy, sizeof copy.text, (long)at,
                        IPC_NOWAIT | MSG_COPY | MSG_NOERROR) < 0) {
            nothing = 0; /* cannot tell: a queue with messages in it counts as busy */
            break;
        }
        nothing = !(type == 0 || copy.mtype == type || (type < 0 && copy.mtype <= -type));
    }
done:
    errno = saved;
    return nothing;
}

static int queue_full(int queue, size_t size) {
    struct msqid_ds info;
    int saved = errno;
    int full = msgctl(queue, IPC_STAT, &info) == 0 && info.__msg_cbytes + size > info.msg_qbytes;
    errno = saved;
    return full;
}

/* Whether a blocking queue call from `caller` may be made to fail with EINTR now (the module's
 * code pauses first; only the libraries' calls fail, where a handler could run). */
static int queue_call_may_fail(const void *caller, int flags) {
    enum owner owner = from_module(caller);
    if (owner == NOT_OURS)
        return 0;
    orvo_sim_strict_pause(CHANCE_PAUSE, PAUSE_MAX_US);
    return owner == LIBRARY && !(flags & IPC_NOWAIT) && orvo_sim_strict_chance(CHANCE_EINTR) &&
           handler_installed(1);
}

EXPORT ssize_t msgrcv(int queue, void *msg, size_t size, long type, int flags) {
    REAL(msgrcv);
    if (queue_call_may_fail(__builtin_return_address(0), flags) && nothing_to_receive(queue, type))
        return interrupted();
    return real_msgrcv(queue, msg, size, type, flags);
}

EXPORT int msgsnd(int queue, const void *msg, size_t size, int flags) {
    REAL(msgsnd);
    if (queue_call_may_fail(__builtin_return_address(0), flags) && queue_full(queue, size))
        return interrupted();
    return real_msgsnd(queue, msg, size, flags);
}

static void slow_start(void) {
    if (!orvo_sim_strict_chance(CHANCE_SLOW_COMMAND))
        return;
    orvo_sim_strict_count(ORVO_STRICT_SLOW_COMMAND);
    usleep(1 + orvo_sim_strict_draw(SLOW_COMMAND_MAX_US));
}

EXPORT int system(const char *command) {
    REAL(system);
    if (command && from_module(__builtin_return_address(0)))
        slow_start();
    return real_system(command);
}

EXPORT FILE *popen(const char *command, const char *type) {
    REAL(popen);
    if (from_module(__builtin_return_address(0)))
        slow_start();
    return real_popen(command, type);
}
