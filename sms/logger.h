/* SPDX-License-Identifier: MIT */
// The library's logger (the toolkit's binding, set by the load-time constructor before any
// call can run).
#pragma once

#include "common/export.h"
#include "common/library_log.h"

namespace kesl_sms {

using orvo::library_log;

constexpr int kLevelError = 1;
constexpr int kLevelTrace = 4;

} // namespace kesl_sms

ORVO_EXPORT void ORVO_KESL_SMS_init();
