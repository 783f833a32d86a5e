/* SPDX-License-Identifier: MIT */
// The library's logger (the toolkit's binding, set by the load-time constructor).
#pragma once

#include "common/library_log.h"

namespace pm {

using orvo::library_log;

// The lock table logs at 3, the monitor and the whitelist mostly at 1.
constexpr int kTableLevel = 3;
constexpr int kMonitorLevel = 1;

} // namespace pm
