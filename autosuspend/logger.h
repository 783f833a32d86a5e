/* SPDX-License-Identifier: MIT */
// The library's logger (the toolkit's binding, set by the load-time constructor).
#pragma once

#include "common/library_log.h"

namespace autosuspend {

using orvo::library_log;

// Every message of this library goes out at this level.
constexpr int kLogLevel = 3;

} // namespace autosuspend
