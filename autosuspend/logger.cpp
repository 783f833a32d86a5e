// SPDX-License-Identifier: MIT
#include "logger.h"

#include "common/export.h"

// Load-time constructor: obtains the logger and does nothing else.
extern "C" ORVO_EXPORT __attribute__((constructor)) void LIBORVO_AUTOSUSPEND_init(void) {
    orvo::bind_library_log("LIBORVO_AUTOSUSPEND");
}
