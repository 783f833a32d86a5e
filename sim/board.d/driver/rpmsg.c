// SPDX-License-Identifier: MIT OR GPL-2.0
/*
 * The rpmsg channel to the modem core, as a pair of character devices:
 * /dev/armps_rpmsgch8 is the module's end (paramlinkd's), /dev/armps_rpmsgch8_modem the
 * simulated modem core's. Each write on one end is one frame that one read on the other
 * end returns whole (a smaller read gets its first bytes, the rest is dropped); reads wait
 * (freezable, interruptible) unless the file is non-blocking, and poll says when a frame
 * waits. The module's end takes the channel's three int-argument ioctls. The modem's end
 * reads records: a 32-bit kind (ORVO_RPMSG_*) and, for a frame, its bytes; so the modem
 * core learns when the module's end opens and closes. Scripted failures by name:
 * rpmsg_open, rpmsg_write and the ioctls' names; "rpmsg_write_max N" caps the bytes one
 * write of the module's end takes. orvo_board/channel logs what the module's end did.
 */
#include <linux/freezer.h>
#include <linux/fs.h>
#include <linux/list.h>
#include <linux/miscdevice.h>
#include <linux/mutex.h>
#include <linux/poll.h>
#include <linux/slab.h>
#include <linux/uaccess.h>
#include <linux/wait.h>

#include "orvo_board.h"

#define ORVO_FRAME_MAX 65536
#define ORVO_FRAMES_MAX 256

/* The kinds of the modem end's records. */
#define ORVO_RPMSG_FRAME 0
#define ORVO_RPMSG_OPENED 1
#define ORVO_RPMSG_CLOSED 2

struct frame {
	struct list_head link;
	size_t len;
	u8 bytes[];
};

struct channel_end {
	struct miscdevice misc;
	bool open;
	struct list_head frames; /* to be read at this end */
	unsigned int count;
	wait_queue_head_t wait;
	struct channel_end *peer;
};

static struct channel_end module_end, modem_end;
/* Guards both ends' state and frames. */
static DEFINE_MUTEX(channel_lock);
static unsigned int write_max;

static const struct {
	unsigned int cmd;
	const char *name;
} ioctls[] = {
	{ 0x40045201, "RPMSG_CREATE_CHANNEL" },
	{ 0x40045204, "RPMSG_SET_INT_FLAG" },
	{ 0x40045207, "RPMSG_CLEAR_POLL_FLAG" },
};

static void drop_frames(struct channel_end *end)
{
	struct frame *frame, *next;

	list_for_each_entry_safe(frame, next, &end->frames, link) {
		list_del(&frame->link);
		kfree(frame);
	}
	end->count = 0;
}

/* Queues bytes for `end` to read, after a kind word on the modem's end. Under the lock. */
static int queue_frame(struct channel_end *end, int kind, const void *bytes, size_t len,
		       bool from_user)
{
	size_t head = end == &modem_end ? sizeof(u32) : 0;
	struct frame *frame;

	if (end->count == ORVO_FRAMES_MAX)
		return -ENOBUFS;
	frame = kmalloc(sizeof(*frame) + head + len, GFP_KERNEL);
	if (!frame)
		return -ENOMEM;
	if (head)
		*(u32 *)frame->bytes = kind;
	if (from_user) {
		if (copy_from_user(frame->bytes + head, (const void __user *)bytes, len)) {
			kfree(frame);
			return -EFAULT;
		}
	} else if (len) {
		memcpy(frame->bytes + head, bytes, len);
	}
	frame->len = head + len;
	list_add_tail(&frame->link, &end->frames);
	end->count++;
	wake_up_interruptible_all(&end->wait);
	return 0;
}

static struct channel_end *end_of(struct file *file)
{
	return container_of(file->private_data, struct channel_end, misc);
}

static int module_open(void)
{
	int ret = orvo_fault_take("rpmsg_open");

	/* No modem core: no channel, as on the module, whose node is there only with one. */
	if (!ret && !modem_end.open)
		ret = -ENOENT;
	if (!ret && module_end.open)
		ret = -EBUSY;
	if (!ret)
		ret = queue_frame(&modem_end, ORVO_RPMSG_OPENED, NULL, 0, false);
	if (ret) {
		orvo_channel_note("open failed %d", -ret);
		return ret;
	}
	drop_frames(&module_end);
	module_end.open = true;
	orvo_channel_note("open");
	return 0;
}

static int channel_open(struct inode *inode, struct file *file)
{
	struct channel_end *end = end_of(file);
	int ret = 0;

	mutex_lock(&channel_lock);
	if (end == &module_end) {
		ret = module_open();
	} else if (end->open) {
		ret = -EBUSY;
	} else {
		drop_frames(end);
		end->open = true;
		wake_up_interruptible_all(&end->peer->wait);
	}
	mutex_unlock(&channel_lock);
	return ret ? ret : nonseekable_open(inode, file);
}

static int channel_release(struct inode *inode, struct file *file)
{
	struct channel_end *end = end_of(file);

	mutex_lock(&channel_lock);
	end->open = false;
	drop_frames(end);
	if (end == &module_end) {
		orvo_channel_note("close");
		queue_frame(&modem_end, ORVO_RPMSG_CLOSED, NULL, 0, false);
	}
	wake_up_interruptible_all(&end->peer->wait);
	mutex_unlock(&channel_lock);
	return 0;
}

/* A frame waits, or the module's end has lost the modem core (reads end with 0). */
static bool readable(struct channel_end *end)
{
	return READ_ONCE(end->count) || (end == &module_end && !READ_ONCE(modem_end.open));
}

static ssize_t channel_read(struct file *file, char __user *buf, size_t count,
			    loff_t *ppos)
{
	struct channel_end *end = end_of(file);
	struct frame *frame;
	ssize_t ret;

	mutex_lock(&channel_lock);
	while (list_empty(&end->frames)) {
		mutex_unlock(&channel_lock);
		if (end == &module_end && !READ_ONCE(modem_end.open))
			return 0;
		if (file->f_flags & O_NONBLOCK)
			return -EAGAIN;
		if (wait_event_freezable(end->wait, readable(end)))
			return -ERESTARTSYS;
		mutex_lock(&channel_lock);
	}
	frame = list_first_entry(&end->frames, struct frame, link);
	list_del(&frame->link);
	end->count--;
	mutex_unlock(&channel_lock);
	ret = min(count, frame->len);
	if (copy_to_user(buf, frame->bytes, ret))
		ret = -EFAULT;
	kfree(frame);
	return ret;
}

static ssize_t channel_write(struct file *file, const char __user *buf, size_t count,
			     loff_t *ppos)
{
	struct channel_end *end = end_of(file);
	int ret = 0;

	if (count > ORVO_FRAME_MAX)
		return -EMSGSIZE;
	mutex_lock(&channel_lock);
	if (end == &module_end) {
		ret = orvo_fault_take("rpmsg_write");
		if (ret)
			orvo_channel_note("write failed %d", -ret);
		else if (write_max && count > write_max)
			count = write_max;
	}
	if (!ret && !end->peer->open)
		ret = -EPIPE; /* reported, never a SIGPIPE */
	if (!ret)
		ret = queue_frame(end->peer, ORVO_RPMSG_FRAME, buf, count, true);
	mutex_unlock(&channel_lock);
	return ret ? ret : count;
}

static __poll_t channel_poll(struct file *file, poll_table *wait)
{
	struct channel_end *end = end_of(file);
	__poll_t mask = 0;

	poll_wait(file, &end->wait, wait);
	mutex_lock(&channel_lock);
	if (end->count)
		mask |= EPOLLIN | EPOLLRDNORM;
	if (end->peer->open)
		mask |= EPOLLOUT | EPOLLWRNORM;
	else if (end == &module_end)
		mask |= EPOLLHUP | EPOLLIN;
	mutex_unlock(&channel_lock);
	return mask;
}

static long channel_ioctl(struct file *file, unsigned int cmd, unsigned long arg)
{
	int value = (int)arg;
	size_t i;
	int ret;

	if (end_of(file) != &module_end)
		return -ENOTTY;
	for (i = 0; i < ARRAY_SIZE(ioctls); i++) {
		if (ioctls[i].cmd != cmd)
			continue;
		ret = orvo_fault_take(ioctls[i].name);
		if (ret)
			orvo_channel_note("ioctl %s %d failed %d", ioctls[i].name, value, -ret);
		else
			orvo_channel_note("ioctl %s %d", ioctls[i].name, value);
		return ret;
	}
	return -ENOTTY;
}

static const struct file_operations channel_fops = {
	.owner = THIS_MODULE,
	.open = channel_open,
	.release = channel_release,
	.read = channel_read,
	.write = channel_write,
	.poll = channel_poll,
	.unlocked_ioctl = channel_ioctl,
	.llseek = no_llseek,
};

void orvo_rpmsg_set_write_max(unsigned int bytes)
{
	WRITE_ONCE(write_max, bytes);
}

static int end_add(struct channel_end *end, const char *name, struct channel_end *peer)
{
	INIT_LIST_HEAD(&end->frames);
	init_waitqueue_head(&end->wait);
	end->peer = peer;
	end->misc.minor = MISC_DYNAMIC_MINOR;
	end->misc.name = name;
	end->misc.fops = &channel_fops;
	end->misc.mode = 0600;
	return misc_register(&end->misc);
}

int orvo_rpmsg_init(void)
{
	int ret;

	ret = end_add(&module_end, "armps_rpmsgch8", &modem_end);
	if (ret)
		return ret;
	ret = end_add(&modem_end, "armps_rpmsgch8_modem", &module_end);
	if (ret)
		misc_deregister(&module_end.misc);
	return ret;
}

void orvo_rpmsg_exit(void)
{
	misc_deregister(&modem_end.misc);
	misc_deregister(&module_end.misc);
	drop_frames(&modem_end);
	drop_frames(&module_end);
}
