/* SPDX-License-Identifier: MIT */
// Programs the Wi-Fi service starts and owns on the board (hostapd, wpa_supplicant, the DHCP
// server and client, iw and ip): each runs in a network namespace chosen by the service, with
// its output in a log file.
#pragma once

#include "common/unique_fd.h"

#include <string>
#include <sys/types.h>
#include <vector>

namespace sim::wifi {

class ChildProcess {
  public:
    ChildProcess() = default;
    ~ChildProcess() { stop(); }
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    // Starts ARGV in the network namespace NETNS (-1: the service's own), output to LOG.
    bool start(const std::vector<std::string> &argv, const std::string &log, int netns = -1);
    // SIGTERM, SIGKILL after three seconds; returns once it has ended.
    void stop();
    // Waits for it to end: its exit status, -1 when a signal ended it.
    int wait();
    // Whether it runs; an ended child is reaped here.
    bool running();
    pid_t pid() const { return pid_; }

  private:
    pid_t pid_ = 0;
};

// A network namespace of the service's own: a child waiting in it keeps it alive, so that
// a radio moved into it can be named by that child's pid; it ends with the object (its
// radios go back to the first namespace).
class NetNamespace {
  public:
    ~NetNamespace() { close(); }
    bool open();
    void close();
    bool is_open() const { return fd_.valid(); }
    int fd() const { return fd_.get(); }
    pid_t pid() const { return pid_; }

  private:
    pid_t pid_ = 0;
    orvo::UniqueFd fd_;
};

// Runs ARGV to its end in NETNS (-1: the service's own), output to LOG; true when it
// exited with 0.
bool run_command(const std::vector<std::string> &argv, const std::string &log, int netns = -1);

} // namespace sim::wifi
