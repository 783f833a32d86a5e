// SPDX-License-Identifier: MIT
#include "wakelocks.h"

#include <cctype>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <ctime>

namespace sim::kernel {

int64_t monotonic_ms() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

namespace {

// kstrtou64 base 10: an optional '+', digits, optionally one trailing line feed.
bool parse_timeout_ns(const std::string &text, uint64_t &value) {
    size_t start = !text.empty() && text[0] == '+' ? 1 : 0;
    size_t end = text.size();
    if (end > start && text[end - 1] == '\n')
        --end;
    if (end == start)
        return false;
    value = 0;
    for (size_t i = start; i < end; ++i) {
        if (!isdigit(static_cast<unsigned char>(text[i])))
            return false;
        uint64_t digit = static_cast<uint64_t>(text[i] - '0');
        if (value > (UINT64_MAX - digit) / 10)
            return false;
        value = value * 10 + digit;
    }
    return true;
}

// The kernel handles the written bytes as a C string.
std::string c_string(const std::string &text) {
    return text.substr(0, text.find('\0'));
}

} // namespace

int WakeLocks::lock(const std::string &written) {
    std::string text = c_string(written);
    size_t name_end = 0;
    while (name_end < text.size() && !isspace(static_cast<unsigned char>(text[name_end])))
        ++name_end;
    if (name_end == 0)
        return -EINVAL;
    // A time-out follows the name unless a line feed does.
    uint64_t timeout_ns = 0;
    if (name_end < text.size() && text[name_end] != '\n') {
        size_t start = name_end;
        while (start < text.size() && isspace(static_cast<unsigned char>(text[start])))
            ++start;
        if (!parse_timeout_ns(text.substr(start), timeout_ns))
            return -EINVAL;
    }
    std::lock_guard<std::mutex> guard(mutex_);
    int64_t now = monotonic_ms();
    expire_timeouts(now);
    std::string name = text.substr(0, name_end);
    auto [it, added] = sources_.try_emplace(name);
    if (added)
        created_.push_back(name);
    Source &source = it->second;
    source.event_count++;
    if (!source.active) {
        source.active = true;
        source.active_count++;
        source.active_since_ms = now;
        source.last_change_ms = now;
    }
    if (timeout_ns == 0) {
        source.expires_ms = 0;
    } else {
        // A new time-out never shortens a running one.
        int64_t expires = now + static_cast<int64_t>((timeout_ns + 999999) / 1000000);
        if (source.expires_ms == 0 || expires > source.expires_ms)
            source.expires_ms = expires;
    }
    return 0;
}

int WakeLocks::unlock(const std::string &written) {
    std::string name = c_string(written);
    if (!name.empty() && name.back() == '\n')
        name.pop_back();
    if (name.empty())
        return -EINVAL;
    std::lock_guard<std::mutex> guard(mutex_);
    int64_t now = monotonic_ms();
    expire_timeouts(now);
    auto it = sources_.find(name);
    if (it == sources_.end())
        return -EINVAL;
    relax(it->second, now);
    return 0;
}

void WakeLocks::relax(Source &source, int64_t now) {
    if (!source.active)
        return;
    int64_t held = now - source.active_since_ms;
    source.active = false;
    source.total_ms += held;
    if (held > source.max_ms)
        source.max_ms = held;
    source.last_change_ms = now;
    source.expires_ms = 0;
}

void WakeLocks::expire_timeouts(int64_t now) {
    for (auto &[name, source] : sources_) {
        if (source.active && source.expires_ms != 0 && source.expires_ms <= now) {
            relax(source, now);
            source.expire_count++;
        }
    }
}

std::string WakeLocks::list(bool active) {
    std::lock_guard<std::mutex> guard(mutex_);
    expire_timeouts(monotonic_ms());
    std::string text;
    for (const auto &[name, source] : sources_) {
        if (source.active == active)
            text += name + " ";
    }
    if (!text.empty())
        text.pop_back();
    return text + "\n";
}

std::string WakeLocks::held_list() {
    return list(true);
}
std::string WakeLocks::released_list() {
    return list(false);
}

// One row of wakeup_sources. Without autosleep in force nothing prevents a suspend, so
// prevent_suspend_time stays 0.
std::string WakeLocks::row(const std::string &name, const Source &s, int64_t now) {
    int64_t active_ms = s.active ? now - s.active_since_ms : 0;
    int64_t total = s.total_ms + active_ms;
    int64_t max = active_ms > s.max_ms ? active_ms : s.max_ms;
    char row[512];
    snprintf(row, sizeof row,
             "%-12s\t%" PRIu64 "\t\t%" PRIu64 "\t\t%" PRIu64 "\t\t%" PRIu64 "\t\t%" PRId64
             "\t\t%" PRId64 "\t\t%" PRId64 "\t\t%" PRId64 "\t\t%" PRId64 "\n",
             name.c_str(), s.active_count, s.event_count, s.wakeup_count, s.expire_count, active_ms,
             total, max, s.last_change_ms, s.prevent_suspend_ms);
    return row;
}

// Newest source first, the kernel's autosleep source after the locks, and the totals of
// removed sources ("deleted") last.
std::string WakeLocks::sources_table() {
    std::lock_guard<std::mutex> guard(mutex_);
    int64_t now = monotonic_ms();
    expire_timeouts(now);
    std::string text = "name\t\tactive_count\tevent_count\twakeup_count\texpire_count\t"
                       "active_since\ttotal_time\tmax_time\tlast_change\tprevent_suspend_time\n";
    for (auto it = created_.rbegin(); it != created_.rend(); ++it)
        text += row(*it, sources_.at(*it), now);
    text += row("autosleep", autosleep_, now);
    text += row("deleted", Source{}, now);
    return text;
}

} // namespace sim::kernel
