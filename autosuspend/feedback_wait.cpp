// SPDX-License-Identifier: MIT
// Callers waiting for wake-up feedback.
#include "feedback_state.h"
#include "liborvo-autosuspend.h"
#include "logger.h"
#include "service_link.h"

#include "common/export.h"

static_assert(sizeof(wakeup_feedback) == 8, "the service sends 8-byte records");
static_assert(sizeof(feedback_flag) == 1, "feedback_flag is one byte");

// Callers may write it from any thread; the library reads and writes it atomically.
ORVO_EXPORT unsigned char feedback_flag = 1;

extern "C" ORVO_EXPORT int libautosuspend_get_feedback(wakeup_feedback *out) {
    using namespace autosuspend;
    if (out == nullptr)
        return -1;
    library_log(kLogLevel, "start get feedback from the service.\n");
    *out = wakeup_feedback{};
    uint32_t awaited = next_announcement();
    library_log(kLogLevel, "libautosuspend_get_feedback wait.\n");
    wait_for_record(awaited, *out);
    library_log(kLogLevel, "libautosuspend_get_feedback success.\n");
    return 0;
}

extern "C" ORVO_EXPORT int orvo_wait_wakeup_event(int32_t *sleep_start, int32_t *wakeup) {
    using namespace autosuspend;
    if (__atomic_load_n(&feedback_flag, __ATOMIC_ACQUIRE) != 0 && libautosuspend_init() != 0)
        return -1;
    __atomic_store_n(&feedback_flag, 0, __ATOMIC_RELEASE);
    if (sleep_start == nullptr || wakeup == nullptr) {
        library_log(kLogLevel, "orvo_wait_wakeup_event input errors.\n");
        return -1;
    }
    wakeup_feedback record;
    libautosuspend_get_feedback(&record);
    *sleep_start = record.sleep_start;
    *wakeup = record.wakeup;
    return 0;
}
