/* SPDX-License-Identifier: MIT */
// Helpers for the library's tests inside a simulated module.
#pragma once

#include "simclient.h"
#include "tests/logger/log_capture.h"
#include "tests/support/kit.h"

#include <string>
#include <vector>

namespace support {

using testkit::contains;
using testkit::count_prefix;
using testkit::lines_of;
using testkit::read_file;
using testkit::write_file;

// A control line for the simulated kernel, e.g. "edge 1".
inline void kernel_control(const std::string &line) {
    sim::kernel_control(line);
}

// Scripted result of a platform stand-in call; 0 lets it succeed again.
inline void fail_call(const std::string &call, int code) {
    sim::fail(call, code);
}

// Releases every kernel wake lock that an earlier test left held.
inline void release_kernel_wake_locks() {
    for (const std::string &name : testkit::held_wake_locks())
        write_file("/sys/power/wake_unlock", name);
}

// The platform calls received, "<library> <call> <args>".
inline std::vector<std::string> calls() {
    return sim::calls();
}
inline void clear_calls() {
    sim::clear_calls();
}

} // namespace support
