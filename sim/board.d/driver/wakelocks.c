// SPDX-License-Identifier: MIT OR GPL-2.0
/*
 * The kernel's wake-lock files with scripted failures: debugfs files orvo_board/wake_lock
 * and orvo_board/wake_unlock that a simulated module binds over /sys/power's, so that
 * "fail wake_lock CODE [COUNT]" works on the real kernel's wake locks. Everything else
 * goes to the kernel's own files, opened once at load: opened later by path, from a
 * module's mount namespace, the path would lead back here.
 */
#include <linux/debugfs.h>
#include <linux/err.h>
#include <linux/fs.h>
#include <linux/slab.h>

#include "orvo_board.h"

struct orvo_wakelock_file {
	const char *name;
	const char *path;
	struct file *real;
};

static struct orvo_wakelock_file wakelock_files[] = {
	{ .name = "wake_lock", .path = "/sys/power/wake_lock" },
	{ .name = "wake_unlock", .path = "/sys/power/wake_unlock" },
};

/* What the kernel's file reads as when it is opened: the text of the lock names. */
struct orvo_snapshot {
	size_t len;
	char text[];
};

static int wakelock_open(struct inode *inode, struct file *file)
{
	struct orvo_wakelock_file *wf = inode->i_private;
	struct orvo_snapshot *snapshot;
	loff_t pos = 0;
	ssize_t len;

	file->private_data = NULL;
	if (!(file->f_mode & FMODE_READ))
		return 0;
	snapshot = kmalloc(sizeof(*snapshot) + PAGE_SIZE, GFP_KERNEL);
	if (!snapshot)
		return -ENOMEM;
	len = kernel_read(wf->real, snapshot->text, PAGE_SIZE, &pos);
	if (len < 0) {
		kfree(snapshot);
		return len;
	}
	snapshot->len = len;
	file->private_data = snapshot;
	return 0;
}

static int wakelock_release(struct inode *inode, struct file *file)
{
	kfree(file->private_data);
	return 0;
}

static ssize_t wakelock_read(struct file *file, char __user *buf, size_t count, loff_t *ppos)
{
	struct orvo_wakelock_file *wf = file_inode(file)->i_private;
	struct orvo_snapshot *snapshot = file->private_data;
	int ret = orvo_fault_take(wf->name);

	if (ret)
		return ret;
	if (!snapshot)
		return -EBADF;
	return simple_read_from_buffer(buf, count, ppos, snapshot->text, snapshot->len);
}

static ssize_t wakelock_write(struct file *file, const char __user *buf, size_t count,
			      loff_t *ppos)
{
	struct orvo_wakelock_file *wf = file_inode(file)->i_private;
	char *text = orvo_write_text(wf->name, buf, count);
	loff_t pos = 0;
	ssize_t ret;

	if (IS_ERR(text))
		return PTR_ERR(text);
	ret = kernel_write(wf->real, text, count, &pos);
	kfree(text);
	return ret;
}

static const struct file_operations wakelock_fops = {
	.owner = THIS_MODULE,
	.open = wakelock_open,
	.release = wakelock_release,
	.read = wakelock_read,
	.write = wakelock_write,
	.llseek = no_llseek,
};

/* Without the kernel's wake locks (CONFIG_PM_WAKELOCKS) there is nothing to stand over. */
int orvo_wakelocks_init(struct dentry *dir)
{
	struct orvo_wakelock_file *wf;
	int i;

	for (i = 0; i < ARRAY_SIZE(wakelock_files); i++) {
		wf = &wakelock_files[i];
		wf->real = filp_open(wf->path, O_RDWR, 0);
		if (IS_ERR(wf->real)) {
			pr_info("orvo_board: no %s (%ld)\n", wf->path, PTR_ERR(wf->real));
			wf->real = NULL;
			continue;
		}
		debugfs_create_file(wf->name, 0644, dir, wf, &wakelock_fops);
	}
	return 0;
}

void orvo_wakelocks_exit(void)
{
	int i;

	for (i = 0; i < ARRAY_SIZE(wakelock_files); i++) {
		if (wakelock_files[i].real)
			filp_close(wakelock_files[i].real, NULL);
		wakelock_files[i].real = NULL;
	}
}
