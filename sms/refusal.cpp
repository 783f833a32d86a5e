// SPDX-License-Identifier: MIT
#include "refusal.h"

#include "liborvo-kesl-sms.h"
#include "logger.h"

namespace kesl_sms {

int refuse_input() {
    library_log(kLevelError, "input error\n");
    return KESL_SMS_REFUSED;
}

int refuse_not_init() {
    library_log(kLevelError, "not init\n");
    return KESL_SMS_REFUSED;
}

int refusal(const void *record, int handle) {
    if (record == nullptr)
        return refuse_input();
    if (handle == 0)
        return refuse_not_init();
    return 0;
}

} // namespace kesl_sms
