/* SPDX-License-Identifier: MIT */
/* liborvo-autosuspend: the autosuspend service's channels and wake-up feedback, and the
 * platform's wake-lock, low-power-mode and whitelist calls. */
#ifndef LIBORVO_AUTOSUSPEND_H
#define LIBORVO_AUTOSUSPEND_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Sent by the autosuspend service after each wake-up: times in milliseconds of its clock. */
typedef struct wakeup_feedback {
    int32_t sleep_start;
    int32_t wakeup;
} wakeup_feedback;

/* While not 0, the next orvo_wait_wakeup_event first connects to the service. Initially 1. */
extern unsigned char feedback_flag;

/* Switch automatic suspend on or off: 1 when the command was sent, -1 otherwise. */
int orvo_autosleep_enable(void);
int orvo_autosleep_disable(void);

/* Waits for the next wake-up record: 0 with both times stored, -1 when the service cannot
 * be reached or a pointer is null. */
int orvo_wait_wakeup_event(int32_t *sleep_start, int32_t *wakeup);

/* Waits for the next wake-up record and copies it into *out: 0 (-1 for a null pointer).
 * Does not connect to the service. */
int libautosuspend_get_feedback(wakeup_feedback *out);

/* Take or release a platform wake lock by name: 1 on success, -1 for an empty or null
 * name or a platform failure. lock_type is not used (pass 0). */
int acquire_wake_lock(int lock_type, const char *name);
int release_wake_lock(const char *name);

/* Sets the low-power mode: 0 on success; if the platform refuses, the process exits with
 * status 1. */
int orvo_set_lpmode(int mode);

/* Clears the network wake-up whitelist: the platform's result, 0 on success. */
int orvo_whitelist_clear(void);

#ifdef __cplusplus
}
#endif

#endif
