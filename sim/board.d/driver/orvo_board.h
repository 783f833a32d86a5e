/* SPDX-License-Identifier: MIT OR GPL-2.0 */
/*
 * The board's stand-in for the module's kernel files: the low-power-mode edge
 * attribute, the PMU and GMAC register files, the rpmsg channel to the modem core, and
 * the debugfs controls that tests drive them with (the simulated kernel's control grammar).
 */
#ifndef ORVO_BOARD_H
#define ORVO_BOARD_H

#include <linux/dcache.h>
#include <linux/types.h>

/* Scripted failures by file name: "fail FILE CODE [COUNT]". */
#define ORVO_FAULT_FOREVER (-1)
int orvo_fault_set(const char *file, int code, int count);
void orvo_fault_clear(const char *file);
int orvo_fault_take(const char *file);
void orvo_faults_reset(void);
char *orvo_write_text(const char *file, const char __user *buf, size_t count);

/* What the register files received: the last text of each, and a log of every write. */
void orvo_record_write(const char *path, const char *text, size_t len);
ssize_t orvo_record_text(const char *path, char *buf, size_t size);
ssize_t orvo_record_log_read(char __user *buf, size_t count, loff_t *ppos);
void orvo_record_reset(void);
__printf(1, 2) void orvo_channel_note(const char *format, ...);
ssize_t orvo_channel_log_read(char __user *buf, size_t count, loff_t *ppos);
void orvo_channel_log_clear(void);
void orvo_record_exit(void);

/* The edge attribute: an edge of `length` bytes (negative: that errno) for the next read. */
#define ORVO_EDGE_LOW_LENGTH 5
#define ORVO_EDGE_HIGH_LENGTH 6
int orvo_xp2xp_queue(int length);
int orvo_xp2xp_queue_at(unsigned int ms, int length);
void orvo_xp2xp_reset(void);
int orvo_xp2xp_init(void);
void orvo_xp2xp_exit(void);

/* The rpmsg channel's two ends; the most bytes one write of the module's end takes. */
int orvo_rpmsg_init(void);
void orvo_rpmsg_exit(void);
void orvo_rpmsg_set_write_max(unsigned int bytes);

/* The kernel's wake-lock files, with scripted failures, under the debugfs folder. */
int orvo_wakelocks_init(struct dentry *dir);
void orvo_wakelocks_exit(void);

int orvo_registers_init(void);
void orvo_registers_exit(void);

int orvo_control_init(struct dentry *dir);

#endif
