/* SPDX-License-Identifier: MIT */
// The logger of a library that logs through liborvo-log: one per shared library (each links
// its own hidden copy of this), set once by the library's load-time constructor before any
// of its operations can run, and never changed.
#pragma once

#include "orvo_log.h"

namespace orvo {

extern orvo_log_function_t library_log;

// Called by the library's constructor with its tag.
void bind_library_log(const char *tag);

} // namespace orvo
