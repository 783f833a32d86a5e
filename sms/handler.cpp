// SPDX-License-Identifier: MIT
// Registration of the receive handler: each one starts one more receive thread.
#include "logger.h"
#include "receive.h"

#include <pthread.h>

using namespace kesl_sms;

extern "C" {

// A plain pointer for C callers; stored and loaded atomically because running receive
// threads read it.
ORVO_EXPORT kesl_sms_rx_handler tmp = nullptr;

ORVO_EXPORT int kesl_sms_addrxmsghandler(kesl_sms_rx_handler handler) {
    if (handler == nullptr)
        return KESL_SMS_REFUSED;
    __atomic_store_n(&tmp, handler, __ATOMIC_RELEASE);
    pthread_t thread;
    if (pthread_create(&thread, nullptr, receive_thread, nullptr) != 0) {
        library_log(kLevelTrace, "kesl_sms_addrxmsghandler pthread_create error!!!\n");
        return -1;
    }
    // Never joined: a receive thread ends only when the service stops announcing.
    pthread_detach(thread);
    return 0;
}

} // extern "C"
