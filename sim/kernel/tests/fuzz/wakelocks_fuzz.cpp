// SPDX-License-Identifier: MIT
// Writes of arbitrary bytes to wake_lock and wake_unlock keep the listing consistent.
#include "wakelocks.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    sim::kernel::WakeLocks locks;
    std::string text(reinterpret_cast<const char *>(data), size);
    size_t split = text.find('|');
    std::string first = text.substr(0, split);
    locks.lock(first);
    if (split != std::string::npos)
        locks.unlock(text.substr(split + 1));
    std::string held = locks.held_list();
    if (held.empty() || held.back() != '\n')
        abort();
    locks.sources_table();
    return 0;
}
