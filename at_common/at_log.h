// The plug-in's logger, set once at load.
#pragma once

#include "orvo_log.h"

#define ORVO_AT_EXPORT __attribute__((visibility("default")))

extern orvo_log_function_t g_at_log;

// Trace levels of the plug-in's messages.
constexpr int kAtInfo = 1;
constexpr int kAtTrace = 4;
