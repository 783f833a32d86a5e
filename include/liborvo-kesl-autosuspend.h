/* SPDX-License-Identifier: MIT */
/* liborvo-kesl-autosuspend: named wake locks shared between processes, the
 * low-power-mode monitor, the wake-up whitelist and automatic suspend. */
#ifndef LIBORVO_KESL_AUTOSUSPEND_H
#define LIBORVO_KESL_AUTOSUSPEND_H

#include <pthread.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The lock table, kept in this file and read and written whole. */
#define KESL_LOCK_TABLE_PATH "/tmp/.lock_table"
#define KESL_LOCK_MAX 128
#define KESL_LOCK_NAME_SIZE 64 /* a name of at most 63 characters and its terminator */

/* The file's layout (8704 bytes, little-endian): slot i's name at 64 * i, its registrant's
 * process id at 8192 + 4 * i (0 never used, -1 destroyed). A free slot's name is empty. */
typedef struct kesl_lock_table {
    char lock_name[KESL_LOCK_MAX][KESL_LOCK_NAME_SIZE];
    int32_t lock_pid[KESL_LOCK_MAX];
} kesl_lock_table;

/* Results: a slot number 0..127 (create) or 0 for success; -1 the slot is free or the
 * platform refused; -2 the table cannot be created, opened or read; -3 it cannot be
 * written; -4 the table is full; -5 the name is held by a running process; -6 a bad
 * argument. */

/* Registers a name (at most 63 characters; len is not used) and returns its slot. */
int kesl_wakelock_create(const char *name, int len);
/* Take, release or release and unregister the wake lock of a slot. */
int kesl_wakelock_lock(int slot);
int kesl_wakelock_unlock(int slot);
int kesl_wakelock_destroy(int slot);

/* The table helpers behind them. Each rereads the file into lock_status first. */
int add_lock(const char *name);   /* slot, -2, -4, -5 or -3 */
int delete_lock(int slot);        /* 0 or -3; slot must be 0..127 */
int check_lock(const char *name); /* -1 absent, the slot (registrant gone) or 129 (running) */
int check_pid(int pid);           /* 0 when a process with that id runs */
int read_lock_table(void);        /* 0 or -2 */
int save_lock_table(void);        /* 0 or -3 */
int lock_table_init(void);        /* 0, -3 or -errno of the failed open */

/* The in-memory image of the file, and the descriptor of the latest open of it. */
extern kesl_lock_table lock_status;
extern int file_fd;

/* Called on the monitor thread with the low-power-mode edge: 0 or 1. */
typedef void (*kesl_lpm_handler_t)(int edge_state);

/* Starts the monitor: 0; -1 when one already runs; -6 for a null handler; else the error
 * number of the failed thread creation. config is not read. */
int kesl_lpm_init(kesl_lpm_handler_t handler, void *config);
/* Cancels the monitor: 0; -1 when none runs; else the error number of the cancellation. */
int kesl_lpm_deinit(void);
/* The monitor thread's body; never returns. */
void *check_dtr(void *unused);

extern int g_init_flag;                  /* 1 while a monitor runs */
extern kesl_lpm_handler_t g_lpm_handler; /* the latest handler */
extern pthread_t thid;                   /* the monitor thread */

/* The wake-up whitelist state: exactly 4 characters, kept in the UCI store. set: 0, -1 for
 * another length or a quote or control character, else the failed command's wait status.
 * get: 0 with the state in the caller's buffer, else the store's error. */
int kesl_whitelist_set(const char *state);
int kesl_whitelist_get(char *state);
/* Clears the platform's network whitelist: 0 on success, else the platform's code. */
int kesl_whitelist_clear(void);

/* '1' switches automatic suspend on, '0' off: 0 on success, -1 when the autosuspend
 * service failed, -6 for any other character. */
int kesl_autosuspend_enable(char enable);

#ifdef __cplusplus
}
#endif

#endif
