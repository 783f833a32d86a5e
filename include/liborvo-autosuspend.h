/* SPDX-License-Identifier: MIT */
/**
 * @file liborvo-autosuspend.h
 * @brief liborvo-autosuspend: automatic suspend through the platform's autosuspend
 * service, its wake-up feedback, and the platform's wake-lock, low-power-mode and
 * whitelist calls.
 *
 * @par Errors
 * Every call returns its result: the values are given with each call (1 or 0 for success,
 * -1 for failure, as each call says). Each failure also writes one line through the
 * platform's logger, liborvo-log, with the tag "LIBORVO_AUTOSUSPEND". errno is not part of
 * the interface. orvo_set_lpmode() alone ends the process on failure.
 *
 * @par Threads
 * Every call may be made from any thread. The first orvo_autosleep_enable(),
 * orvo_autosleep_disable() or orvo_wait_wakeup_event() connects the two channels to the
 * autosuspend service and starts one detached reader thread, which lives until the process
 * ends; commands are serialised by a mutex. orvo_wait_wakeup_event() and
 * libautosuspend_get_feedback() block until the service's next record (no time-out); every
 * waiter receives it. No call is safe in a signal handler. After fork() the child has no
 * reader thread: use the calls in the parent, or exec.
 */
#ifndef LIBORVO_AUTOSUSPEND_H
#define LIBORVO_AUTOSUSPEND_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/** One wake-up, as the autosuspend service reports it after each sleep (8 bytes). */
typedef struct wakeup_feedback {
    int32_t sleep_start; /**< when the system went to sleep, ms of the service's clock */
    int32_t wakeup;      /**< when it woke up, ms of the same clock */
} wakeup_feedback;

/**
 * @brief Switches automatic suspend on: sends "enable" to the autosuspend service.
 *
 * Connects to the service first if no earlier call did.
 * @return 1 when the command was sent; -1 when the service cannot be reached or the send
 *         failed.
 */
int orvo_autosleep_enable(void);

/**
 * @brief Switches automatic suspend off: sends "disable"; as orvo_autosleep_enable().
 * @return 1 when the command was sent, -1 otherwise.
 */
int orvo_autosleep_disable(void);

/**
 * @brief Waits for the next wake-up and stores its times.
 *
 * Connects to the service first if no earlier call did, then blocks until the reader
 * thread receives the next record.
 * @param[out] sleep_start when the system went to sleep (ms)
 * @param[out] wakeup when it woke up (ms)
 * @return 0 with both times stored; -1 when a pointer is null or the service cannot be
 *         reached.
 */
int orvo_wait_wakeup_event(int32_t *sleep_start, int32_t *wakeup);

/**
 * @brief Waits for the next wake-up and copies its record.
 *
 * Does not connect to the service: it returns only after orvo_wait_wakeup_event() or a
 * command has connected and a record arrives.
 * @param[out] out the caller's record
 * @return 0 with the record copied; -1 for a null pointer.
 */
int libautosuspend_get_feedback(wakeup_feedback *out);

/**
 * @brief Takes a platform wake lock by name: the system stays awake while it is held.
 * @param lock_type not used; pass 0
 * @param name the lock's name, not empty
 * @return 1 when taken; -1 for a null or empty name or when the platform refuses.
 */
int acquire_wake_lock(int lock_type, const char *name);

/**
 * @brief Releases a platform wake lock taken with acquire_wake_lock().
 * @param name the lock's name, not empty
 * @return 1 when released; -1 for a null or empty name or when the platform refuses.
 */
int release_wake_lock(const char *name);

/**
 * @brief Sets the module's low-power mode through the platform.
 * @param mode the platform's low-power mode
 * @return 0 when set. When the platform refuses, the calling process exits with status 1.
 */
int orvo_set_lpmode(int mode);

/**
 * @brief Clears the platform's network wake-up whitelist.
 * @return the platform's result: 0 on success.
 */
int orvo_whitelist_clear(void);

/**
 * @name Kept for other deliverables and old callers
 * Applications do not need these.
 * @{
 */
/** While not 0, the next orvo_wait_wakeup_event() connects to the service first; initially
 *  1, cleared once connected. Read it, do not write it. */
extern unsigned char feedback_flag;
/** @} */

#ifdef __cplusplus
}
#endif

#endif
