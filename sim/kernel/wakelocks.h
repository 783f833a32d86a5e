/* SPDX-License-Identifier: MIT */
// The kernel's user-space wake locks (/sys/power/wake_lock, wake_unlock) and the
// wake-up sources behind them, as kernel/power/wakelock.c keeps them.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace sim::kernel {

class WakeLocks {
  public:
    // A write to wake_lock: 0 or -EINVAL.
    int lock(const std::string &text);
    // A write to wake_unlock: 0 or -EINVAL.
    int unlock(const std::string &text);

    std::string held_list();     // read of wake_lock
    std::string released_list(); // read of wake_unlock
    std::string sources_table(); // read of wakeup_sources

  private:
    struct Source {
        bool active = false;
        uint64_t active_count = 0;
        uint64_t event_count = 0;
        uint64_t wakeup_count = 0;
        uint64_t expire_count = 0;
        int64_t active_since_ms = 0;
        int64_t total_ms = 0;
        int64_t max_ms = 0;
        int64_t last_change_ms = 0;
        int64_t prevent_suspend_ms = 0;
        int64_t expires_ms = 0; // 0: no timeout
    };

    void expire_timeouts(int64_t now);
    void relax(Source &source, int64_t now);
    std::string list(bool active);
    static std::string row(const std::string &name, const Source &source, int64_t now);

    std::mutex mutex_;
    std::map<std::string, Source> sources_; // the wake locks, in name order
    std::vector<std::string> created_;      // their wake-up sources, oldest first
    Source autosleep_;                      // the kernel's own source, older than any lock
};

int64_t monotonic_ms();

} // namespace sim::kernel
