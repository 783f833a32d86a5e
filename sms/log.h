// The library's logger, set by the load-time constructor before any call can run.
#pragma once

#include "orvo_log.h"

#define KESL_SMS_EXPORT __attribute__((visibility("default")))

namespace kesl_sms {

extern orvo_log_function_t logger;

constexpr int kLevelError = 1;
constexpr int kLevelTrace = 4;

// The two refusals every checking operation shares; both answer KESL_SMS_REFUSED.
int refuse_input();
int refuse_not_init();

} // namespace kesl_sms

KESL_SMS_EXPORT void ORVO_KESL_SMS_init();
