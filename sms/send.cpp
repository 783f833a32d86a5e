// SPDX-License-Identifier: MIT
// Sending messages.
#include "liborvo-kesl-sms.h"
#include "logger.h"
#include "orvo_sms.h"
#include "refusal.h"

#include <cstring>

using namespace kesl_sms;

namespace {

constexpr unsigned kLastFormat = 2;

// The service reads `length` bytes of content and the number up to its terminator:
// both must stay inside the record.
bool fits_record(const kesl_sms_msg &msg) {
    return msg.length >= 0 && static_cast<size_t>(msg.length) <= sizeof msg.content &&
           memchr(msg.number, '\0', sizeof msg.number) != nullptr;
}

} // namespace

extern "C" {

ORVO_EXPORT int kesl_sms_send_sms(int handle, const kesl_sms_msg *msg) {
    if (int refused = refusal(msg, handle))
        return refused;
    if (static_cast<unsigned>(msg->format) > kLastFormat || !fits_record(*msg))
        return refuse_input();
    return orvo_send_sms(msg->number, msg->format, msg->content, msg->length);
}

// PDU mode is not offered by the service: the arguments are checked, nothing is sent.
ORVO_EXPORT int kesl_sms_send_smspdu(int handle, const char *pdu, int pdu_length) {
    if (pdu == nullptr)
        return refuse_input();
    if (pdu_length == 0)
        return refuse_input();
    if (handle == 0)
        return refuse_not_init();
    library_log(kLevelError, "not support\n");
    return 0;
}

} // extern "C"
