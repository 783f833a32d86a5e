#include "logger.h"

namespace pm {

orvo_log_function_t g_log = nullptr;

} // namespace pm

// Load-time constructor: obtains the logger and does nothing else.
extern "C" __attribute__((constructor)) PM_EXPORT void ORVO_KESL_AUTOSUSPEND_init(void) {
    pm::g_log = orvo_log_function_init("ORVO_KESL_AUTOSUSPEND");
}
