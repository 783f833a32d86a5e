#include "at_port.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Longer lines are dropped: no AT command comes near it.
constexpr size_t kMaxLine = 1024;

} // namespace

AtPort::AtPort() : in_fd_(STDIN_FILENO), out_fd_(STDOUT_FILENO) {}

AtPort::AtPort(const std::string &link) {
    int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        perror("orvo-sim-athost: pseudo-terminal");
        if (master >= 0)
            close(master);
        return;
    }
    device_ = ptsname(master);
    slave_fd_ = open(device_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios mode{};
    if (slave_fd_ < 0 || tcgetattr(slave_fd_, &mode) != 0) {
        perror("orvo-sim-athost: pseudo-terminal");
        close(master);
        return;
    }
    // Raw: no echo of responses back into the port, no CR/LF translation.
    cfmakeraw(&mode);
    tcsetattr(slave_fd_, TCSANOW, &mode);
    if (!link.empty()) {
        unlink(link.c_str());
        if (symlink(device_.c_str(), link.c_str()) != 0) {
            perror("orvo-sim-athost: link");
            close(master);
            return;
        }
        link_ = link;
    }
    in_fd_ = out_fd_ = master;
}

AtPort::~AtPort() {
    if (!link_.empty())
        unlink(link_.c_str());
    if (slave_fd_ >= 0)
        close(slave_fd_);
    if (in_fd_ > STDERR_FILENO)
        close(in_fd_);
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
    while (length > 0) {
        ssize_t n = write(out_fd_, data, length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}
