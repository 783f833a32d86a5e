// SPDX-License-Identifier: MIT
#include "at_port.h"

#include "common/io.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace sim {

namespace {

// Longer lines are dropped: no AT command comes near it.
constexpr size_t kMaxLine = 1024;

} // namespace

AtPort::AtPort() : in_fd_(STDIN_FILENO), out_fd_(STDOUT_FILENO) {}

AtPort::AtPort(const std::string &link) {
    orvo::UniqueFd master(posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!master || grantpt(master.get()) != 0 || unlockpt(master.get()) != 0) {
        perror("orvo-sim-athost: pseudo-terminal");
        return;
    }
    device_ = ptsname(master.get());
    slave_ = orvo::open_fd(device_.c_str(), O_RDWR | O_NOCTTY);
    termios mode{};
    if (!slave_ || tcgetattr(slave_.get(), &mode) != 0) {
        perror("orvo-sim-athost: pseudo-terminal");
        return;
    }
    // Raw: no echo of responses back into the port, no CR/LF translation.
    cfmakeraw(&mode);
    tcsetattr(slave_.get(), TCSANOW, &mode);
    if (!link.empty()) {
        unlink(link.c_str());
        if (symlink(device_.c_str(), link.c_str()) != 0) {
            perror("orvo-sim-athost: link");
            return;
        }
        link_ = link;
    }
    pty_ = std::move(master);
    in_fd_ = out_fd_ = pty_.get();
}

AtPort::~AtPort() {
    if (!link_.empty())
        unlink(link_.c_str());
}

void AtPort::serve(const std::function<void(std::string &)> &on_line, const volatile bool &stop) {
    std::string line;
    bool after_cr = false;
    bool too_long = false;
    char buf[256];
    while (!stop) {
        ssize_t n = read(in_fd_, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        for (ssize_t i = 0; i < n; ++i) {
            char c = buf[i];
            if (c == '\n' && after_cr) {
                after_cr = false;
                continue;
            }
            after_cr = c == '\r';
            if (c == '\r' || c == '\n') {
                if (!too_long)
                    on_line(line);
                line.clear();
                too_long = false;
            } else if (line.size() < kMaxLine) {
                line += c;
            } else {
                too_long = true;
            }
        }
    }
    if (!line.empty() && !too_long && !stop)
        on_line(line);
}

bool AtPort::write_all(const char *data, size_t length) {
    return orvo::write_all(out_fd_, data, length) == static_cast<ssize_t>(length);
}

} // namespace sim
