#include "sockets.h"

#include <cctype>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

namespace simautosuspend {

int listen_at(const char *path) {
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path, sizeof address.sun_path - 1);
    unlink(path);
    if (bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) < 0 ||
        listen(fd, 16) < 0) {
        close(fd);
        return -1;
    }
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
    int fd = open("/sys/power/wake_lock", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char text[256];
    ssize_t n = read(fd, text, sizeof text);
    close(fd);
    for (ssize_t i = 0; i < n; ++i) {
        if (!std::isspace(static_cast<unsigned char>(text[i])))
            return true;
    }
    return false;
}

bool send_all(int fd, const void *data, std::size_t size) {
    const char *bytes = static_cast<const char *>(data);
    while (size > 0) {
        ssize_t n = send(fd, bytes, size, MSG_NOSIGNAL);
        if (n < 0)
            return false;
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

void close_fd(int &fd) {
    if (fd >= 0)
        close(fd);
    fd = -1;
}

} // namespace simautosuspend
