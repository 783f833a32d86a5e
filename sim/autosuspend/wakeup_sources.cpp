// SPDX-License-Identifier: MIT
#include "wakeup_sources.h"

#include <fstream>
#include <sstream>

namespace sim::autosuspend {

namespace {

// Names joined by commas; "-" for none.
std::string joined(const std::string &names) {
    return names.empty() ? "-" : names;
}

void add(std::string &names, const std::string &name) {
    names += (names.empty() ? "" : ",") + name;
}

} // namespace

// Rows of "name active_count event_count wakeup_count expire_count active_since total_time
// max_time last_change prevent_suspend_time", after a header line.
Sources read_wakeup_sources(const char *path) {
    Sources sources;
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        std::istringstream row(line);
        std::string name;
        uint64_t active_count = 0, events = 0, expires = 0;
        int64_t active_since = 0;
        SourceCounts counts;
        if (row >> name >> active_count >> events >> counts.wakeups >> expires >> active_since >>
            counts.total_ms) {
            counts.active = active_since > 0;
            sources[name] = counts;
        }
    }
    return sources;
}

std::string woke(const Sources &before, const Sources &after) {
    std::string names;
    for (const auto &[name, now] : after) {
        auto then = before.find(name);
        if (now.wakeups > (then == before.end() ? 0 : then->second.wakeups))
            add(names, name);
    }
    return joined(names);
}

std::string held(const Sources &before, const Sources &after) {
    std::string names;
    for (const auto &[name, now] : after) {
        auto then = before.find(name);
        bool was_active = then != before.end() && then->second.active;
        int64_t was_total = then == before.end() ? 0 : then->second.total_ms;
        if (now.active || was_active || now.total_ms > was_total)
            add(names, name);
    }
    return joined(names);
}

} // namespace sim::autosuspend
