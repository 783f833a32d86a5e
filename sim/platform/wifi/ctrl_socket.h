/* SPDX-License-Identifier: MIT */
// A client of hostapd's and wpa_supplicant's control interface: datagrams over a local socket
// in the file system, so the daemon's network namespace does not matter.
#pragma once

#include "common/unique_fd.h"

#include <optional>
#include <string>

namespace sim::wifi {

class CtrlSocket {
  public:
    CtrlSocket() = default;
    ~CtrlSocket();
    CtrlSocket(const CtrlSocket &) = delete;
    CtrlSocket &operator=(const CtrlSocket &) = delete;

    // Connects to the daemon's socket SERVER from a reply socket of its own.
    bool open(const std::string &server);
    void close();
    bool is_open() const { return fd_.valid(); }
    int fd() const { return fd_.get(); }

    // The daemon's answer to COMMAND; none when it sent none within timeout_ms.
    std::optional<std::string> request(const std::string &command, int timeout_ms = 3000);
    // From now on the daemon sends its events here: read each with read_event once fd() is
    // readable ("AP-STA-CONNECTED 02:...", without the "<N>" level); none when none waits.
    bool attach();
    std::optional<std::string> read_event();

  private:
    orvo::UniqueFd fd_;
    std::string local_;
};

} // namespace sim::wifi
