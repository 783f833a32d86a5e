// Helpers for the library's tests inside a simulated module.
#pragma once

#include "simclient.h"
#include "tests/logger/log_capture.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace support {

inline std::string read_file(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void write_file(const std::string &path, const std::string &text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// A control line for the simulated kernel, e.g. "edge 1".
inline void kernel_control(const std::string &line) { sim::kernel_control(line); }

// Scripted result of a platform stand-in call; 0 lets it succeed again.
inline void fail_call(const std::string &call, int code) { sim::fail(call, code); }

inline std::vector<std::string> lines_of(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Releases every kernel wake lock that an earlier test left held.
inline void release_kernel_wake_locks() {
    std::istringstream held(read_file("/sys/power/wake_lock"));
    for (std::string name; held >> name;)
        write_file("/sys/power/wake_unlock", name);
}

// The platform calls received, "<library> <call> <args>".
inline std::vector<std::string> calls() { return sim::calls(); }
inline void clear_calls() { sim::clear_calls(); }

inline bool contains(const std::vector<std::string> &lines, const std::string &line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

inline size_t count_prefix(const std::vector<std::string> &lines, const std::string &prefix) {
    return static_cast<size_t>(std::count_if(lines.begin(), lines.end(), [&](const auto &line) {
        return line.compare(0, prefix.size(), prefix) == 0;
    }));
}

inline bool wait_until(const std::function<bool()> &done, int seconds = 5) {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

} // namespace support
