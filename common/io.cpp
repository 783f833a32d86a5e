#include "common/io.h"

#include <cerrno>
#include <unistd.h>

namespace orvo {

ssize_t read_all(int fd, void *buffer, size_t size) {
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::read(fd, static_cast<char *>(buffer) + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return done > 0 ? static_cast<ssize_t>(done) : -1;
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

ssize_t write_all(int fd, const void *buffer, size_t size) {
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::write(fd, static_cast<const char *>(buffer) + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return done > 0 ? static_cast<ssize_t>(done) : -1;
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

} // namespace orvo
