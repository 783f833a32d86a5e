/* SPDX-License-Identifier: MIT */
// An AT port: lines in, response bytes out, over standard input and output or over a
// pseudo-terminal that the port creates.
#pragma once

#include "common/unique_fd.h"

#include <functional>
#include <string>

namespace sim {

class AtPort {
  public:
    // Standard input and output.
    AtPort();
    // A new pseudo-terminal in raw mode; link, when not empty, becomes a symbolic link to it.
    explicit AtPort(const std::string &link);
    ~AtPort();
    AtPort(const AtPort &) = delete;
    AtPort &operator=(const AtPort &) = delete;

    bool ok() const { return in_fd_ >= 0; }
    const std::string &device() const { return device_; }

    // Calls on_line for each line without its end (LF, CR or CR LF) until the input ends
    // or stop is set.
    void serve(const std::function<void(std::string &)> &on_line, const volatile bool &stop);

    // Writes all bytes; false when the port is gone.
    bool write_all(const char *data, size_t length);

  private:
    orvo::UniqueFd pty_;   // the pseudo-terminal's master side, when the port is one
    orvo::UniqueFd slave_; // held open so the port outlives each terminal session
    int in_fd_ = -1;
    int out_fd_ = -1;
    std::string device_;
    std::string link_;
};

} // namespace sim
