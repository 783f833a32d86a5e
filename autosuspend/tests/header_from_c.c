/* SPDX-License-Identifier: MIT */
/* The public header is usable from C: these helpers are compiled as C. */
#include "liborvo-autosuspend.h"

#include <stddef.h>

size_t c_record_size(void) {
    return sizeof(wakeup_feedback);
}

size_t c_wakeup_offset(void) {
    return offsetof(wakeup_feedback, wakeup);
}

int c_acquire_empty(void) {
    return acquire_wake_lock(0, "");
}
