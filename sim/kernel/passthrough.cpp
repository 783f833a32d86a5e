// SPDX-License-Identifier: MIT
#include "passthrough.h"

#include "common/io.h"

#include <cerrno>
#include <fcntl.h>

namespace sim::kernel {

bool KernelFiles::open_root(const char *sys) {
    root_ = orvo::open_fd(sys, O_PATH | O_DIRECTORY);
    return root_.valid();
}

std::string KernelFiles::read(const std::string &path) const {
    orvo::UniqueFd fd(openat(root_.get(), path.c_str() + 1, O_RDONLY | O_CLOEXEC));
    std::string text;
    if (!fd)
        return text;
    char buf[4096];
    ssize_t n;
    while ((n = orvo::read_all(fd.get(), buf, sizeof buf)) > 0)
        text.append(buf, static_cast<size_t>(n));
    return text;
}

// One write, as the kernel takes it: no second write for a rest.
int KernelFiles::write(const std::string &path, const std::string &bytes) const {
    orvo::UniqueFd fd(openat(root_.get(), path.c_str() + 1, O_WRONLY | O_CLOEXEC));
    if (!fd)
        return -errno;
    ssize_t n;
    do {
        n = ::write(fd.get(), bytes.data(), bytes.size());
    } while (n < 0 && errno == EINTR);
    return n < 0 ? -errno : static_cast<int>(n);
}

} // namespace sim::kernel
