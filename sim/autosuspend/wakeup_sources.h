/* SPDX-License-Identifier: MIT */
// The kernel's wakeup sources (debugfs wakeup_sources: the wake locks and every other source
// of wake-up events), read before and after a sleep to tell what woke the board and what
// held it awake.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace sim::autosuspend {

struct SourceCounts {
    uint64_t wakeups = 0; // events while a suspend was under way (from writing wakeup_count)
    int64_t total_ms = 0; // time active, the current activation included
    bool active = false;
};
using Sources = std::map<std::string, SourceCounts>;

// What the kernel lists now; empty where it cannot be read.
Sources read_wakeup_sources(const char *path = "/sys/kernel/debug/wakeup_sources");
// The sources with wake-up events between the two readings: across a sleep, what woke it
// (the kernel counts those only from the write of wakeup_count to the end of the resume).
std::string woke(const Sources &before, const Sources &after);
// The sources active at either reading or for some time between them: across an awake
// period, what held it awake.
std::string held(const Sources &before, const Sources &after);

} // namespace sim::autosuspend
