// SPDX-License-Identifier: MIT OR GPL-2.0
/*
 * What the register files received: the last text written to each (read back from the
 * file) and a log of every write, "PATH TEXT" a line with line feeds written as "\n".
 */
#include <linux/fs.h>
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

static struct orvo_register registers[ORVO_REGISTERS];
static char *log_text;
static size_t log_len;
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

/* Appends one line to the log; the log stops growing at its limit. */
static void log_write(const char *path, const char *text, size_t len)
{
	size_t need = strlen(path) + 2 + 2 * len;
	size_t i;
	char *at;

	if (!log_text) {
		log_text = kvmalloc(ORVO_LOG_MAX, GFP_KERNEL);
		if (!log_text)
			return;
	}
	if (log_len + need > ORVO_LOG_MAX)
		return;
	at = log_text + log_len;
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
	log_len = at - log_text;
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
	ssize_t ret;

	mutex_lock(&record_lock);
	ret = simple_read_from_buffer(buf, count, ppos, log_text, log_len);
	mutex_unlock(&record_lock);
	return ret;
}

void orvo_record_reset(void)
{
	int i;

	mutex_lock(&record_lock);
	for (i = 0; i < ORVO_REGISTERS; i++)
		registers[i].len = 0;
	log_len = 0;
	mutex_unlock(&record_lock);
}

void orvo_record_exit(void)
{
	int i;

	for (i = 0; i < ORVO_REGISTERS; i++)
		kfree(registers[i].text);
	kvfree(log_text);
}
