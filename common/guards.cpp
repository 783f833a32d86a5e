#include "common/guards.h"

#include <cerrno>
#include <sys/file.h>
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

FileLock::FileLock(int fd, Mode mode, int patience_ms) : fd_(fd) {
    if (fd_ < 0)
        return;
    // The pauses are cancellation points; the caller may hold locks of its own (the lock
    // table's mutex) around this one.
    CancellationOff no_cancel;
    int operation = (mode == Mode::exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
    constexpr int kPauseMs = 10;
    for (int waited = 0;; waited += kPauseMs) {
        if (flock(fd_, operation) == 0) {
            locked_ = true;
            return;
        }
        if ((errno != EWOULDBLOCK && errno != EINTR) || waited >= patience_ms)
            return;
        usleep(kPauseMs * 1000);
    }
}

FileLock::~FileLock() {
    if (locked_)
        flock(fd_, LOCK_UN);
}

} // namespace orvo
