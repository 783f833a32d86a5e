#include "common/guards.h"

#include <cerrno>
#include <sys/file.h>

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

FileLock::~FileLock() {
    if (locked_)
        flock(fd_, LOCK_UN);
}

} // namespace orvo
