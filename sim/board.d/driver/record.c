// SPDX-License-Identifier: MIT OR GPL-2.0
/*
 * What the register files received: the last text written to each (read back from the
 * file) and a log of every write, "PATH TEXT" a line with line feeds written as "\n";
 * and the channel's log, a line for each thing the module's end of it did.
 */
#include <linux/fs.h>
#include <linux/kernel.h>
#include <linux/mm.h>
#include <linux/mutex.h>
#include <linux/slab.h>
#include <linux/string.h>

#include "orvo_board.h"

#define ORVO_REGISTERS 4
#define ORVO_LOG_MAX (1024 * 1024)

struct orvo_register {
	const char *path;
	char *text;
	size_t len;
};

struct orvo_log {
	char *text;
	size_t len;
};

static struct orvo_register registers[ORVO_REGISTERS];
static struct orvo_log writes_log, channel_log;
static DEFINE_MUTEX(record_lock);

static struct orvo_register *register_of(const char *path, bool add)
{
	int i;

	for (i = 0; i < ORVO_REGISTERS && registers[i].path; i++)
		if (!strcmp(registers[i].path, path))
			return &registers[i];
	if (!add || i == ORVO_REGISTERS)
		return NULL;
	registers[i].text = kmalloc(PAGE_SIZE, GFP_KERNEL);
	if (!registers[i].text)
		return NULL;
	registers[i].path = path;
	registers[i].len = 0;
	return &registers[i];
}

/* Room for `need` more bytes of the log; NULL once it has reached its limit. */
static char *log_room(struct orvo_log *log, size_t need)
{
	if (!log->text) {
		log->text = kvmalloc(ORVO_LOG_MAX, GFP_KERNEL);
		if (!log->text)
			return NULL;
	}
	if (log->len + need > ORVO_LOG_MAX)
		return NULL;
	return log->text + log->len;
}

/* Appends one line to the writes' log. */
static void log_write(const char *path, const char *text, size_t len)
{
	char *start = log_room(&writes_log, strlen(path) + 2 + 2 * len);
	char *at = start;
	size_t i;

	if (!at)
		return;
	at += sprintf(at, "%s ", path);
	for (i = 0; i < len; i++) {
		if (text[i] == '\n') {
			*at++ = '\\';
			*at++ = 'n';
		} else {
			*at++ = text[i];
		}
	}
	*at++ = '\n';
	writes_log.len += at - start;
}

void orvo_channel_note(const char *format, ...)
{
	char line[128];
	va_list args;
	int len;
	char *at;

	va_start(args, format);
	len = vscnprintf(line, sizeof(line) - 1, format, args);
	va_end(args);
	line[len++] = '\n';
	mutex_lock(&record_lock);
	at = log_room(&channel_log, len);
	if (at) {
		memcpy(at, line, len);
		channel_log.len += len;
	}
	mutex_unlock(&record_lock);
}

static ssize_t log_read(struct orvo_log *log, char __user *buf, size_t count, loff_t *ppos)
{
	ssize_t ret;

	mutex_lock(&record_lock);
	ret = simple_read_from_buffer(buf, count, ppos, log->text, log->len);
	mutex_unlock(&record_lock);
	return ret;
}

/* `path` must stay valid for the module's life (a string constant). */
void orvo_record_write(const char *path, const char *text, size_t len)
{
	struct orvo_register *reg;

	len = min_t(size_t, len, PAGE_SIZE);
	mutex_lock(&record_lock);
	reg = register_of(path, true);
	if (reg) {
		memcpy(reg->text, text, len);
		reg->len = len;
	}
	log_write(path, text, len);
	mutex_unlock(&record_lock);
}

/* The last text written to `path`, cut to `size` bytes; its length. */
ssize_t orvo_record_text(const char *path, char *buf, size_t size)
{
	struct orvo_register *reg;
	size_t len = 0;

	mutex_lock(&record_lock);
	reg = register_of(path, false);
	if (reg) {
		len = min(reg->len, size);
		memcpy(buf, reg->text, len);
	}
	mutex_unlock(&record_lock);
	return len;
}

ssize_t orvo_record_log_read(char __user *buf, size_t count, loff_t *ppos)
{
	return log_read(&writes_log, buf, count, ppos);
}

ssize_t orvo_channel_log_read(char __user *buf, size_t count, loff_t *ppos)
{
	return log_read(&channel_log, buf, count, ppos);
}

void orvo_record_reset(void)
{
	int i;

	mutex_lock(&record_lock);
	for (i = 0; i < ORVO_REGISTERS; i++)
		registers[i].len = 0;
	writes_log.len = 0;
	channel_log.len = 0;
	mutex_unlock(&record_lock);
}

void orvo_channel_log_clear(void)
{
	mutex_lock(&record_lock);
	channel_log.len = 0;
	mutex_unlock(&record_lock);
}

void orvo_record_exit(void)
{
	int i;

	for (i = 0; i < ORVO_REGISTERS; i++)
		kfree(registers[i].text);
	kvfree(writes_log.text);
	kvfree(channel_log.text);
}
