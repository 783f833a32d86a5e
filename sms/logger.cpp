// SPDX-License-Identifier: MIT
#include "logger.h"

__attribute__((constructor)) void ORVO_KESL_SMS_init() {
    orvo::bind_library_log("ORVO_KESL_SMS");
}
