// SPDX-License-Identifier: MIT
#include "sockets.h"

#include "common/io.h"
#include "common/kernel_wakelock.h"
#include "common/local_socket.h"

#include <cctype>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

namespace sim::autosuspend {

orvo::UniqueFd listen_at(const char *path) {
    orvo::UniqueFd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd || !orvo::local_path_fits(path))
        return {};
    sockaddr_un address = orvo::local_address(path);
    unlink(path);
    if (bind(fd.get(), orvo::as_sockaddr(address), sizeof address) < 0 || listen(fd.get(), 16) < 0)
        return {};
    return fd;
}

int64_t now_ms() {
    static const int64_t start = [] {
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
    }();
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000 - start;
}

bool wake_lock_held() {
    orvo::UniqueFd fd = orvo::open_fd(orvo::kWakeLockFile, O_RDONLY);
    if (!fd)
        return false;
    char text[256];
    ssize_t n = orvo::read_all(fd.get(), text, sizeof text);
    for (ssize_t i = 0; i < n; ++i) {
        if (!std::isspace(static_cast<unsigned char>(text[i])))
            return true;
    }
    return false;
}

bool send_all(int fd, const void *data, std::size_t size) {
    return orvo::write_all(fd, data, size) == static_cast<ssize_t>(size);
}

} // namespace sim::autosuspend
