// SPDX-License-Identifier: MIT
// Registration with the AT host and the command callback it calls for each line.
#include "liborvo-at-common.h"
#include "logger.h"

#include <cstring>

extern "C" {
ORVO_EXPORT orvo_at_output_t handle_output = nullptr;
}

namespace at_common {

namespace {

// Lines begin with "AT+", which is skipped unexamined.
constexpr size_t kPrefixLength = 3;

} // namespace

} // namespace at_common

using namespace at_common;

extern "C" ORVO_EXPORT orvo_at_callback_t orvo_register_at_common(orvo_at_output_t output) {
    handle_output = output;
    library_log(kAtTrace, "function %s line %d\n", "orvo_register_at_common", 224);
    return orvo_at_common_cb;
}

ORVO_EXPORT void orvo_at_common_cb(char *line, int) {
    if (handle_output == nullptr)
        return;
    library_log(kAtTrace, "function %s line %d input %s\n", "orvo_at_common_cb", 197,
                line != nullptr ? line : "(null)");
    // A line too short to hold the prefix gets no response; nothing past its end is read.
    if (line == nullptr || strnlen(line, kPrefixLength) < kPrefixLength)
        return;
    char *text = line + kPrefixLength;
    library_log(kAtInfo, "%s\n", text);
    size_t length = strlen(text);
    if (length == 0) {
        library_log(kAtInfo, "function %s line %d strlen %d\n", "orvo_at_common_cb", 204,
                    static_cast<int>(length));
        return;
    }
    library_log(kAtTrace, "function %s line %d  handle_string %s\n", "orvo_at_common_cb", 207,
                text);
    const orvo_at_command *row = find_command(text);
    if (row == nullptr)
        return;
    library_log(kAtTrace, "function %s line %d\n", "orvo_at_common_cb", 211);
    row->func(text);
}
