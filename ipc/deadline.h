/* SPDX-License-Identifier: MIT */
// The absolute deadline of a timed wait for an answer.
#pragma once

#include <ctime>

namespace qxipc {

constexpr long kNanosecondsPerSecond = 1000000000L;

inline timespec deadline_after(timespec now, unsigned int timeout_ms) {
    timespec deadline = now;
    deadline.tv_sec += timeout_ms / 1000;
    deadline.tv_nsec += static_cast<long>(timeout_ms % 1000) * 1000000L;
    if (deadline.tv_nsec >= kNanosecondsPerSecond) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= kNanosecondsPerSecond;
    }
    return deadline;
}

} // namespace qxipc
