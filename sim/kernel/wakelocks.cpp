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

// kstrtou64 base 10: digits, optionally one trailing line feed.
bool parse_timeout_ns(const std::string &text, uint64_t &value) {
    size_t end = text.size();
    if (end > 0 && text[end - 1] == '\n')
        --end;
    if (end == 0)
        return false;
    value = 0;
    for (size_t i = 0; i < end; ++i) {
        if (!isdigit(static_cast<unsigned char>(text[i])))
            return false;
        uint64_t digit = static_cast<uint64_t>(text[i] - '0');
        if (value > (UINT64_MAX - digit) / 10)
            return false;
        value = value * 10 + digit;
    }
    return true;
}

} // namespace

int WakeLocks::lock(const std::string &text) {
    size_t name_end = 0;
    while (name_end < text.size() && !isspace(static_cast<unsigned char>(text[name_end])))
        ++name_end;
    if (name_end == 0)
        return -EINVAL;
    std::string rest = text.substr(name_end);
    uint64_t timeout_ns = 0;
    if (!rest.empty() && rest != "\n") {
        size_t start = 0;
        while (start < rest.size() && isspace(static_cast<unsigned char>(rest[start])) &&
               rest[start] != '\n')
            ++start;
        if (!parse_timeout_ns(rest.substr(start), timeout_ns))
            return -EINVAL;
    }
    std::lock_guard<std::mutex> guard(mutex_);
    int64_t now = monotonic_ms();
    expire_timeouts(now);
    Source &source = sources_[text.substr(0, name_end)];
    source.event_count++;
    if (!source.active) {
        source.active = true;
        source.active_count++;
        source.active_since_ms = now;
        source.last_change_ms = now;
    }
    source.expires_ms = timeout_ns ? now + static_cast<int64_t>(timeout_ns / 1000000) + 1 : 0;
    return 0;
}

int WakeLocks::unlock(const std::string &text) {
    std::string name = text;
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
    source.prevent_suspend_ms += held;
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

std::string WakeLocks::sources_table() {
    std::lock_guard<std::mutex> guard(mutex_);
    int64_t now = monotonic_ms();
    expire_timeouts(now);
    std::string text = "name\t\tactive_count\tevent_count\twakeup_count\texpire_count\t"
                       "active_since\ttotal_time\tmax_time\tlast_change\tprevent_suspend_time\n";
    for (const auto &[name, s] : sources_) {
        int64_t active_ms = s.active ? now - s.active_since_ms : 0;
        int64_t total = s.total_ms + active_ms;
        int64_t max = active_ms > s.max_ms ? active_ms : s.max_ms;
        int64_t prevent = s.prevent_suspend_ms + active_ms;
        char row[512];
        snprintf(row, sizeof row,
                 "%-12s\t%" PRIu64 "\t\t%" PRIu64 "\t\t%" PRIu64 "\t\t%" PRIu64 "\t\t%" PRId64
                 "\t\t%" PRId64 "\t\t%" PRId64 "\t\t%" PRId64 "\t\t%" PRId64 "\n",
                 name.c_str(), s.active_count, s.event_count, s.wakeup_count, s.expire_count,
                 active_ms, total, max, s.last_change_ms, prevent);
        text += row;
    }
    return text;
}

} // namespace sim::kernel
