/* SPDX-License-Identifier: MIT */
// The owning file descriptor used everywhere: closed exactly once when it goes out of scope,
// also when a cancelled thread unwinds through it.
#pragma once

#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

namespace orvo {

class UniqueFd {
  public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd &&other) noexcept : fd_(other.release()) {}
    UniqueFd &operator=(UniqueFd &&other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueFd(const UniqueFd &) = delete;
    UniqueFd &operator=(const UniqueFd &) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    explicit operator bool() const { return valid(); }

    // Gives the descriptor up without closing it.
    int release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }

    // Closes the held descriptor (if any) and holds fd instead.
    void reset(int fd = -1) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }

    // Closes now and reports close's result. Never retried: after EINTR the descriptor
    // is gone on Linux, and a retry could close one that another thread just opened.
    int close() {
        int result = fd_ >= 0 ? ::close(fd_) : 0;
        fd_ = -1;
        return result;
    }

  private:
    int fd_ = -1;
};

// open(2) with O_CLOEXEC always added: no descriptor leaks into a started shell command.
UniqueFd open_fd(const char *path, int flags, mode_t mode = 0);

} // namespace orvo
