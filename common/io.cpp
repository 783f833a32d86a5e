// SPDX-License-Identifier: MIT
#include "common/io.h"

#include <cerrno>
#include <unistd.h>

namespace orvo {

namespace {

// Repeats transfer (read or write) until size bytes have gone or it stops taking any (end
// of file, or 0 from a write). Async-signal-safe: nothing but the calls themselves.
template <typename Buffer, typename Transfer>
ssize_t transfer_all(int fd, Buffer *buffer, size_t size, Transfer transfer) {
    size_t done = 0;
    while (done < size) {
        ssize_t n = transfer(fd, buffer + done, size - done);
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

} // namespace

ssize_t read_all(int fd, void *buffer, size_t size) {
    return transfer_all(fd, static_cast<char *>(buffer), size, ::read);
}

ssize_t write_all(int fd, const void *buffer, size_t size) {
    return transfer_all(fd, static_cast<const char *>(buffer), size, ::write);
}

} // namespace orvo
