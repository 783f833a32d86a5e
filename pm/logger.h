// The library's logger, obtained once at load.
#pragma once

#include "orvo_log.h"

#define PM_EXPORT __attribute__((visibility("default")))

namespace pm {

// The lock table logs at 3, the monitor and the whitelist mostly at 1.
constexpr int kTableLevel = 3;
constexpr int kMonitorLevel = 1;

extern orvo_log_function_t g_log;

} // namespace pm
