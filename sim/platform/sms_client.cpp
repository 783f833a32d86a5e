// SPDX-License-Identifier: MIT
#include "sms_client.h"

#include "common/unique_fd.h"
#include "simctl.h"
#include "sms_store.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace sim::sms {

namespace {

constexpr int kServiceCheckMs = 100;

std::atomic<bool> g_open{false};
// The service's process when the client opened: a restarted service has forgotten it.
std::atomic<pid_t> g_service{0};
std::atomic<unsigned> g_session{0};
// Announcements before this offset of the arrivals file predate the open client.
std::atomic<off_t> g_session_start{0};

// Readable while the client is closed: wakes the waiters of this process.
int closed_event() {
    static int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    return fd;
}

off_t arrivals_size() {
    struct stat st {};
    return stat(arrivals_path().c_str(), &st) == 0 ? st.st_size : 0;
}

// The announcement at cursor, advancing the cursor past it.
std::optional<int> next_arrival(off_t &cursor) {
    orvo::UniqueFd file = orvo::open_fd(arrivals_path().c_str(), O_RDONLY);
    if (file.get() < 0)
        return std::nullopt;
    char line[32];
    ssize_t n = pread(file.get(), line, sizeof line - 1, cursor);
    if (n <= 0)
        return std::nullopt;
    line[n] = '\0';
    char *end = nullptr;
    long index = std::strtol(line, &end, 10);
    if (end == line || *end != '\n')
        return std::nullopt; // not written whole yet
    cursor += end - line + 1;
    return static_cast<int>(index);
}

void drain(int fd) {
    char events[4096];
    while (read(fd, events, sizeof events) > 0) {
    }
}

} // namespace

bool open_client() {
    pid_t service = sim::service_pid("sms");
    if (service <= 0 || !prepare() || closed_event() < 0)
        return false;
    g_service = service;
    drain(closed_event());
    g_session_start = arrivals_size();
    ++g_session;
    g_open = true;
    return true;
}

void close_client() {
    g_open = false;
    uint64_t one = 1;
    ssize_t ignored = write(closed_event(), &one, sizeof one);
    (void)ignored;
}

bool client_open() {
    return g_open;
}

bool client_ready() {
    return g_open && sim::service_running("sms");
}

// Readable once the process has ended (a pidfd); none where the kernel has no pidfds.
orvo::UniqueFd end_of(pid_t pid) {
    return orvo::UniqueFd(static_cast<int>(syscall(SYS_pidfd_open, pid, 0)));
}

bool wait_arrival(int *index) {
    thread_local unsigned session = 0;
    thread_local off_t cursor = 0;
    if (session != g_session) {
        session = g_session;
        cursor = g_session_start;
    }
    // Watch before looking, so an announcement between the two is not missed.
    orvo::UniqueFd watch(inotify_init1(IN_CLOEXEC | IN_NONBLOCK));
    if (watch.get() < 0 || inotify_add_watch(watch.get(), arrivals_path().c_str(), IN_MODIFY) < 0)
        return false;
    for (;;) {
        if (auto arrived = next_arrival(cursor)) {
            *index = *arrived;
            return true;
        }
        if (!g_open || sim::service_pid("sms") != g_service)
            return false;
        // The service's end wakes the wait; without a pidfd, a look every kServiceCheckMs.
        orvo::UniqueFd service_end = end_of(g_service);
        pollfd fds[3] = {
            {watch.get(), POLLIN, 0}, {closed_event(), POLLIN, 0}, {service_end.get(), POLLIN, 0}};
        if (poll(fds, 3, service_end ? -1 : kServiceCheckMs) < 0 && errno != EINTR)
            return false;
        drain(watch.get());
    }
}

} // namespace sim::sms
