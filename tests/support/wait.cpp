// SPDX-License-Identifier: MIT
#include "tests/support/kit.h"

#include <thread>

namespace testkit {

bool eventually(const std::function<bool()> &condition, std::chrono::milliseconds deadline) {
    auto end = std::chrono::steady_clock::now() + deadline;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

} // namespace testkit
