// SPDX-License-Identifier: MIT OR GPL-2.0
/*
 * /sys/kernel/debug/orvo_board/control takes the simulated kernel's control lines:
 *   edge 0|1 [MS]            an edge for the next xp2xp_state read (MS: raised that many
 *                            milliseconds from now, at most a day, by an alarm that wakes
 *                            a sleeping board)
 *   xp2xp N                  the next read returns N bytes (negative: fails with errno -N)
 *   fail FILE CODE [COUNT]   the next COUNT reads or writes of FILE (all: no COUNT) fail
 *   unfail FILE              FILE works again
 *   rpmsg_write_max N        a write of the channel's module end takes N bytes at most
 *                            (0: all)
 *   channel_clear            the channel's log starts again (a new paramlinkd)
 *   reset                    no edges (timed ones included), failures, write limit or
 *                            recorded writes
 * A write fails with EINVAL at the first line it cannot take. orvo_board/writes lists
 * what the register files received, orvo_board/channel what the channel's module end did.
 */
#include <linux/debugfs.h>
#include <linux/fs.h>
#include <linux/kernel.h>
#include <linux/slab.h>
#include <linux/string.h>

#include "orvo_board.h"

#define ORVO_WORDS 5
#define ORVO_EDGE_DELAY_MAX_MS (24 * 60 * 60 * 1000)

static int split_words(char *line, char **words)
{
	char *word;
	int n = 0;

	while ((word = strsep(&line, " \t")) != NULL) {
		if (!*word)
			continue;
		if (n == ORVO_WORDS)
			return -EINVAL;
		words[n++] = word;
	}
	return n;
}

static int edge_length(const char *state)
{
	if (!strcmp(state, "0"))
		return ORVO_EDGE_LOW_LENGTH;
	if (!strcmp(state, "1"))
		return ORVO_EDGE_HIGH_LENGTH;
	return -EINVAL;
}

static int edge_command(char **words, int n)
{
	unsigned int ms;
	int length = edge_length(words[1]);

	if (length < 0)
		return length;
	if (n == 2)
		return orvo_xp2xp_queue(length);
	if (kstrtouint(words[2], 10, &ms) || ms > ORVO_EDGE_DELAY_MAX_MS)
		return -EINVAL;
	return orvo_xp2xp_queue_at(ms, length);
}

static int fail_command(char **words, int n)
{
	int code, count = ORVO_FAULT_FOREVER;

	if (kstrtoint(words[2], 0, &code) || code <= 0)
		return -EINVAL;
	if (n == 4 && (kstrtoint(words[3], 0, &count) || count <= 0))
		return -EINVAL;
	return orvo_fault_set(words[1], code, count);
}

static int run_line(char *line)
{
	char *words[ORVO_WORDS];
	unsigned int max;
	int length;
	int n = split_words(line, words);

	if (n <= 0)
		return n;
	if (!strcmp(words[0], "edge") && (n == 2 || n == 3))
		return edge_command(words, n);
	if (!strcmp(words[0], "xp2xp") && n == 2) {
		if (kstrtoint(words[1], 10, &length))
			return -EINVAL;
		return orvo_xp2xp_queue(length);
	}
	if (!strcmp(words[0], "fail") && (n == 3 || n == 4))
		return fail_command(words, n);
	if (!strcmp(words[0], "unfail") && n == 2) {
		orvo_fault_clear(words[1]);
		return 0;
	}
	if (!strcmp(words[0], "rpmsg_write_max") && n == 2) {
		if (kstrtouint(words[1], 10, &max))
			return -EINVAL;
		orvo_rpmsg_set_write_max(max);
		return 0;
	}
	if (!strcmp(words[0], "channel_clear") && n == 1) {
		orvo_channel_log_clear();
		return 0;
	}
	if (!strcmp(words[0], "reset") && n == 1) {
		orvo_rpmsg_set_write_max(0);
		orvo_xp2xp_reset();
		orvo_faults_reset();
		orvo_record_reset();
		return 0;
	}
	return -EINVAL;
}

static ssize_t control_write(struct file *file, const char __user *buf, size_t count,
			     loff_t *ppos)
{
	char *text, *rest, *line;
	int ret = 0;

	if (count >= PAGE_SIZE)
		return -EINVAL;
	text = memdup_user_nul(buf, count);
	if (IS_ERR(text))
		return PTR_ERR(text);
	rest = text;
	while (!ret && (line = strsep(&rest, "\n")) != NULL)
		ret = run_line(line);
	kfree(text);
	return ret < 0 ? ret : count;
}

static const struct file_operations control_fops = {
	.owner = THIS_MODULE,
	.write = control_write,
	.llseek = no_llseek,
};

static ssize_t writes_read(struct file *file, char __user *buf, size_t count, loff_t *ppos)
{
	return orvo_record_log_read(buf, count, ppos);
}

static ssize_t channel_read(struct file *file, char __user *buf, size_t count, loff_t *ppos)
{
	return orvo_channel_log_read(buf, count, ppos);
}

static const struct file_operations channel_fops = {
	.owner = THIS_MODULE,
	.read = channel_read,
	.llseek = default_llseek,
};

static const struct file_operations writes_fops = {
	.owner = THIS_MODULE,
	.read = writes_read,
	.llseek = default_llseek,
};

int orvo_control_init(struct dentry *dir)
{
	debugfs_create_file("control", 0200, dir, NULL, &control_fops);
	debugfs_create_file("writes", 0444, dir, NULL, &writes_fops);
	debugfs_create_file("channel", 0444, dir, NULL, &channel_fops);
	return 0;
}
