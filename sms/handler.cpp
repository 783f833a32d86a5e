// Registration of the receive handler: each one starts one more receive thread.
#include "log.h"
#include "receive.h"

#include <pthread.h>

using namespace kesl_sms;

static_assert(std::atomic<kesl_sms_rx_handler>::is_always_lock_free);
// C applications see tmp as a plain handler pointer.
static_assert(sizeof(std::atomic<kesl_sms_rx_handler>) == sizeof(kesl_sms_rx_handler));

extern "C" {

KESL_SMS_EXPORT std::atomic<kesl_sms_rx_handler> tmp{nullptr};

KESL_SMS_EXPORT int kesl_sms_addrxmsghandler(kesl_sms_rx_handler handler) {
    if (handler == nullptr)
        return KESL_SMS_REFUSED;
    tmp.store(handler, std::memory_order_release);
    pthread_t thread;
    if (pthread_create(&thread, nullptr, receive_thread, nullptr) != 0) {
        logger(kLevelTrace, "kesl_sms_addrxmsghandler pthread_create error!!!\n");
        return -1;
    }
    // Never joined: a receive thread ends only when the service stops announcing.
    pthread_detach(thread);
    return 0;
}

} // extern "C"
