// SPDX-License-Identifier: MIT
// Responses: each one complete CR LF line, handed to the host in one call.
#include "response.h"

#include "liborvo-at-common.h"
#include "logger.h"

#include <cstdio>
#include <cstring>

namespace at_common {

void at_emit(const char *line) {
    if (handle_output != nullptr)
        handle_output(line, static_cast<int>(strlen(line)), 0);
}

void at_answer(bool success) {
    if (success)
        orvo_response_ok();
    else
        orvo_response_error(kAtFailure);
}

char at_last_char(const char *text) {
    size_t length = text != nullptr ? strlen(text) : 0;
    return length > 0 ? text[length - 1] : '\0';
}

} // namespace at_common

using at_common::at_emit;

ORVO_EXPORT void orvo_response_ok() {
    at_emit("OK\r\n");
}

ORVO_EXPORT void orvo_response_error(int code) {
    char line[32] = {};
    snprintf(line, sizeof line, "+CME ERROR: %d\r\n", code);
    at_emit(line);
}
