// SPDX-License-Identifier: MIT
#include "common/kernel_wakelock.h"

#include "common/unique_fd.h"

#include <cerrno>

namespace orvo {

WakelockWrite write_wakelock_file(const char *file, const char *name, size_t len) {
    UniqueFd fd = open_fd(file, O_RDWR);
    if (!fd)
        return WakelockWrite::open_failed;
    ssize_t written;
    do
        written = ::write(fd.get(), name, len);
    while (written < 0 && errno == EINTR);
    return written == static_cast<ssize_t>(len) ? WakelockWrite::ok : WakelockWrite::short_write;
}

} // namespace orvo
