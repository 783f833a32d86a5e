// SPDX-License-Identifier: MIT
#include "common/guards.h"
#include "common/lock_holder.h"

#include <cerrno>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvo {

FileLock::FileLock(int fd, Mode mode) : fd_(fd) {
    if (fd_ < 0)
        return;
    int operation = mode == Mode::exclusive ? LOCK_EX : LOCK_SH;
    int result;
    do
        result = flock(fd_, operation);
    while (result != 0 && errno == EINTR);
    locked_ = result == 0;
}

namespace {

// When the file's data or inode last changed.
bool changed_at(int fd, timespec (&when)[2]) {
    struct stat st {};
    if (fstat(fd, &st) != 0)
        return false;
    when[0] = st.st_mtim;
    when[1] = st.st_ctim;
    return true;
}

bool same_time(const timespec &a, const timespec &b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

} // namespace

FileLock::FileLock(int fd, Mode mode, int quiet_ms) : fd_(fd) {
    if (fd_ < 0)
        return;
    // The pauses are cancellation points; the caller may hold locks of its own (the lock
    // table's mutex) around this one.
    CancellationOff no_cancel;
    int operation = (mode == Mode::exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
    constexpr int kPauseMs = 10;
    timespec last[2] = {};
    changed_at(fd_, last);
    for (int quiet = 0;; quiet += kPauseMs) {
        if (flock(fd_, operation) == 0) {
            locked_ = true;
            return;
        }
        if (errno != EWOULDBLOCK && errno != EINTR)
            return;
        // Holders that change the file are others at work: wait for them as long as it takes.
        timespec now[2] = {};
        if (changed_at(fd_, now) && !(same_time(now[0], last[0]) && same_time(now[1], last[1]))) {
            last[0] = now[0];
            last[1] = now[1];
            quiet = 0;
        } else if (quiet >= quiet_ms && !trusted_process(flock_holder(fd_))) {
            // No holder of our own named: perhaps it let go since the try above.
            locked_ = flock(fd_, operation) == 0;
            return;
        }
        usleep(kPauseMs * 1000);
    }
}

FileLock::~FileLock() {
    if (locked_)
        flock(fd_, LOCK_UN);
}

} // namespace orvo
