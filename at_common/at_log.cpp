// Load-time set-up: the plug-in's logger.
#include "at_log.h"

#include "liborvo-at-common.h"

orvo_log_function_t g_at_log = nullptr;

ORVO_AT_EXPORT __attribute__((constructor)) void ORVO_AT_COMMON_init() {
    g_at_log = orvo_log_function_init("ORVO_AT_COMMON");
}
