#include "passthrough.h"

#include <cerrno>
#include <fcntl.h>

bool KernelFiles::open_root(const char *sys) {
    root_ = sim::Fd(open(sys, O_PATH | O_DIRECTORY | O_CLOEXEC));
    return static_cast<bool>(root_);
}

std::string KernelFiles::read(const std::string &path) const {
    sim::Fd fd(openat(root_.get(), path.c_str() + 1, O_RDONLY | O_CLOEXEC));
    std::string text;
    if (!fd)
        return text;
    char buf[4096];
    for (;;) {
        ssize_t n = ::read(fd.get(), buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        text.append(buf, static_cast<size_t>(n));
    }
    return text;
}

int KernelFiles::write(const std::string &path, const std::string &bytes) const {
    sim::Fd fd(openat(root_.get(), path.c_str() + 1, O_WRONLY | O_CLOEXEC));
    if (!fd)
        return -errno;
    ssize_t n;
    do {
        n = ::write(fd.get(), bytes.data(), bytes.size());
    } while (n < 0 && errno == EINTR);
    return n < 0 ? -errno : static_cast<int>(n);
}
