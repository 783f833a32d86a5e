/* SPDX-License-Identifier: MIT */
/**
 * @file liborvo-kesl-autosuspend.h
 * @brief liborvo-kesl-autosuspend: named wake locks shared by all processes, the
 * low-power-mode monitor, the wake-up whitelist and automatic suspend.
 *
 * A wake lock is registered once by name (kesl_wakelock_create()) in the lock table, a file
 * that every process reads and rewrites whole; any process then takes, releases or
 * destroys it by its slot number. Taking a lock takes the platform's wake lock of that name.
 *
 * @par Errors
 * The calls return 0 (or a slot number) on success and a negative code otherwise:
 * - -1: the slot is free, the platform refused, or a monitor already runs / none runs;
 * - -2: the lock table cannot be created, opened or read;
 * - -3: the lock table cannot be written;
 * - -4: the lock table is full (128 names);
 * - -5: the name is registered by a process that still runs;
 * - -6: a bad argument (null, out of range, an unknown character).
 *
 * Exceptions are given with each call. Each failure writes one line through the platform's
 * logger (tag "ORVO_KESL_AUTOSUSPEND").
 *
 * @par Threads
 * The lock-table calls may be made from any thread: within a process they run one at a
 * time, and between processes the table file is locked while it is read and rewritten
 * (a lock held elsewhere without the table changing for a second is given up on, and the
 * call goes on unlocked). They block for the file's I/O, and kesl_wakelock_create() and
 * check_pid() also for a "ps" pipeline. kesl_lpm_init() starts the monitor thread, which
 * calls the handler; kesl_lpm_deinit() cancels it. kesl_whitelist_set() and
 * kesl_whitelist_get() run the "uci" command. No call is safe in a signal handler; those
 * that run commands fork.
 */
#ifndef LIBORVO_KESL_AUTOSUSPEND_H
#define LIBORVO_KESL_AUTOSUSPEND_H

#include <pthread.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/** The lock table's file, read and rewritten whole by every process. */
#define KESL_LOCK_TABLE_PATH "/tmp/.lock_table"
/** Slots of the lock table. */
#define KESL_LOCK_MAX 128
/** A name of at most 63 characters and its terminator. */
#define KESL_LOCK_NAME_SIZE 64

/** The lock table file's layout: 8704 bytes, little-endian. */
typedef struct kesl_lock_table {
    /** Slot i's name at offset 64 * i; an empty name marks a free slot. */
    char lock_name[KESL_LOCK_MAX][KESL_LOCK_NAME_SIZE];
    /** Slot i's registrant's process id at 8192 + 4 * i (0 never used, -1 destroyed). */
    int32_t lock_pid[KESL_LOCK_MAX];
} kesl_lock_table;

/**
 * @brief Registers a wake lock by name and returns its slot.
 *
 * A name registered by a process that has ended is taken over.
 * @param name the lock's name, at most 63 characters
 * @param len not used
 * @return the slot, 0 to 127; -2, -3, -4 (table full), -5 (the name's registrant still
 *         runs) or -6 (null name).
 */
int kesl_wakelock_create(const char *name, int len);

/**
 * @brief Takes the wake lock of a slot: the system stays awake until it is released.
 * @param slot a slot from kesl_wakelock_create()
 * @return 0; -1 (free slot or the platform refused), -2, or -6 (slot out of range).
 */
int kesl_wakelock_lock(int slot);

/**
 * @brief Releases the wake lock of a slot.
 * @param slot a slot from kesl_wakelock_create()
 * @return 0; -1 (free slot or the platform refused), -2, or -6 (slot out of range).
 */
int kesl_wakelock_unlock(int slot);

/**
 * @brief Releases the wake lock of a slot and frees the slot.
 * @param slot a slot from kesl_wakelock_create()
 * @return 0; -1 (free slot or the platform refused), -2, -3, or -6 (slot out of range).
 */
int kesl_wakelock_destroy(int slot);

/** The low-power-mode handler: called on the monitor thread with each edge, 0 or 1. */
typedef void (*kesl_lpm_handler_t)(int edge_state);

/**
 * @brief Starts the low-power-mode monitor: a thread that waits for each edge of the
 * low-power-mode signal and calls the handler with it.
 * @param handler called on the monitor thread; must not call kesl_lpm_deinit()
 * @param config not read
 * @return 0; -1 when a monitor already runs; -6 for a null handler; else the error number
 *         of the failed thread creation.
 */
int kesl_lpm_init(kesl_lpm_handler_t handler, void *config);

/**
 * @brief Cancels the monitor thread and waits for it to end.
 * @return 0; -1 when no monitor runs; else the error number of the cancellation.
 */
int kesl_lpm_deinit(void);

/**
 * @brief Stores the wake-up whitelist state in the UCI store.
 * @param state exactly 4 characters, no quote or control character
 * @return 0; -1 for another length or a bad character; else the wait status of the
 *         failed "uci set" command.
 */
int kesl_whitelist_set(const char *state);

/**
 * @brief Reads the wake-up whitelist state from the UCI store.
 * @param[out] state the caller's buffer of at least 8 bytes: the state and its terminator
 * @return 0 with the state stored; else the UCI store's error.
 */
int kesl_whitelist_get(char *state);

/**
 * @brief Clears the platform's network wake-up whitelist.
 * @return 0, else the platform's code.
 */
int kesl_whitelist_clear(void);

/**
 * @brief Switches automatic suspend on ('1') or off ('0') through the autosuspend service.
 * @param enable '1' or '0'
 * @return 0; -1 when the autosuspend service failed; -6 for any other character.
 */
int kesl_autosuspend_enable(char enable);

/**
 * @name Kept for other deliverables and old callers
 * The lock-table helpers behind the kesl_wakelock_ calls, the table's image and the
 * monitor's state: the power console and older programs bind to them. Applications call
 * kesl_wakelock_create(), kesl_wakelock_lock(), kesl_wakelock_unlock(),
 * kesl_wakelock_destroy(), kesl_lpm_init() and kesl_lpm_deinit() instead.
 * @{
 */
/** Registers a name. @param name the name
 *  @return its slot, -2, -3, -4 or -5 (as kesl_wakelock_create()) */
int add_lock(const char *name);
/** Frees a slot. @param slot 0 to 127 @return 0 or -3 */
int delete_lock(int slot);
/** Looks a name up. @param name the name
 *  @return -1 absent, its slot when its registrant has ended, 129 while it runs */
int check_lock(const char *name);
/** Asks whether a process runs (through a "ps" pipeline). @param pid process id
 *  @return 0 when it runs, else the pipeline's status */
int check_pid(int pid);
/** Reads the file into lock_status. @return 0 or -2 */
int read_lock_table(void);
/** Writes lock_status to the file. @return 0 or -3 */
int save_lock_table(void);
/** Creates the file when it is missing. @return 0, -3, or -errno of the failed open */
int lock_table_init(void);
/** The in-memory image of the lock table, as last read or written. */
extern kesl_lock_table lock_status;
/** The descriptor of the latest open of the lock table. */
extern int file_fd;
/** The monitor thread's body; never returns. @param unused not read @return never */
void *check_dtr(void *unused);
/** 1 while a monitor runs. */
extern int g_init_flag;
/** The latest handler given to kesl_lpm_init(). */
extern kesl_lpm_handler_t g_lpm_handler;
/** The monitor thread. */
extern pthread_t thid;
/** @} */

#ifdef __cplusplus
}
#endif

#endif
