// SPDX-License-Identifier: MIT
// Opening and closing the service client.
#include "common/export.h"
#include "liborvo-kesl-sms.h"
#include "orvo_sms.h"
#include "refusal.h"

#include <unistd.h>

using namespace kesl_sms;

extern "C" {

ORVO_EXPORT int h_sms = 0;

ORVO_EXPORT int kesl_sms_client_init(int *handle) {
    if (handle == nullptr)
        return refuse_input();
    int pid = static_cast<int>(getpid());
    *handle = pid;
    h_sms = pid;
    return orvo_sms_init(pid);
}

// Closes the service side only: the handler and receive threads stay.
ORVO_EXPORT int kesl_sms_client_deinit(int handle) {
    if (handle == 0)
        return refuse_not_init();
    return orvo_sms_deinit();
}

} // extern "C"
