/* SPDX-License-Identifier: MIT */
// The plug-in's logger (the toolkit's binding, set by the load-time constructor).
#pragma once

#include "common/export.h"
#include "common/library_log.h"

namespace at_common {

using orvo::library_log;

// Trace levels of the plug-in's messages.
constexpr int kAtInfo = 1;
constexpr int kAtTrace = 4;

} // namespace at_common
