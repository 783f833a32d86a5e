#include "logger.h"

namespace autosuspend {

orvo_log_function_t g_log = nullptr;

} // namespace autosuspend

// Load-time constructor: obtains the logger and does nothing else.
extern "C" __attribute__((constructor, visibility("default"))) void LIBORVO_AUTOSUSPEND_init(void) {
    autosuspend::g_log = orvo_log_function_init("LIBORVO_AUTOSUSPEND");
}
