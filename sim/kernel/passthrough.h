/* SPDX-License-Identifier: MIT */
// The real kernel's files under the /sys that the simulated kernel is mounted over: on a
// kernel with wake locks (the emulated board) the simulated kernel serves the wake-lock
// files and wakeup_sources from there, and simulates only what that kernel lacks.
#pragma once

#include "common/unique_fd.h"

#include <string>

namespace sim::kernel {

class KernelFiles {
  public:
    // Opens the real /sys (with debugfs mounted on it) before the mount covers it.
    bool open_root(const char *sys);

    // path as the mount sees it, e.g. "/power/wake_lock".
    std::string read(const std::string &path) const;
    // One write of the bytes: their count or -errno.
    int write(const std::string &path, const std::string &bytes) const;

  private:
    orvo::UniqueFd root_;
};

} // namespace sim::kernel
