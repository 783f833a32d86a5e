#include "log.h"

#include "liborvo-kesl-sms.h"

namespace kesl_sms {

orvo_log_function_t logger;

int refuse_input() {
    logger(kLevelError, "input error\n");
    return KESL_SMS_REFUSED;
}

int refuse_not_init() {
    logger(kLevelError, "not init\n");
    return KESL_SMS_REFUSED;
}

} // namespace kesl_sms

__attribute__((constructor)) void ORVO_KESL_SMS_init() {
    kesl_sms::logger = orvo_log_function_init("ORVO_KESL_SMS");
}
