// The library's logger, obtained once at load.
#pragma once

#include "orvo_log.h"

namespace autosuspend {

// Every message of this library goes out at this level.
constexpr int kLogLevel = 3;

extern orvo_log_function_t g_log;

} // namespace autosuspend
