// SPDX-License-Identifier: MIT
// Load-time set-up: the plug-in's logger.
#include "logger.h"

#include "liborvo-at-common.h"

ORVO_EXPORT __attribute__((constructor)) void ORVO_AT_COMMON_init() {
    orvo::bind_library_log("ORVO_AT_COMMON");
}
