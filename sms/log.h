/* SPDX-License-Identifier: MIT */
// The library's logger (the toolkit's binding, set by the load-time constructor before any
// call can run), and its two refusals.
#pragma once

#include "common/export.h"
#include "common/library_log.h"

namespace kesl_sms {

using orvo::library_log;

constexpr int kLevelError = 1;
constexpr int kLevelTrace = 4;

// The two refusals every checking operation shares; both answer KESL_SMS_REFUSED.
int refuse_input();
int refuse_not_init();

// The checks that come first in most operations: the record, then the client handle. 0 when
// both are good, else the refusal (logged) to answer with.
int refusal(const void *record, int handle);

} // namespace kesl_sms

ORVO_EXPORT void ORVO_KESL_SMS_init();
