// Closes a file descriptor when it goes out of scope, also when a cancelled thread unwinds.
#pragma once

#include <unistd.h>

namespace pm {

class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0)
            close(fd_);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

} // namespace pm
