// SPDX-License-Identifier: MIT OR GPL-2.0
/*
 * /sys/xp2xp/xp2xp_notify/xp2xp_state: a read waits for the next edge of the low-power-mode
 * signal and returns 5 bytes for state 0, 6 for state 1. The wait is interruptible (a
 * signal ends it with EINTR) and freezable, so a reader never holds off a suspend. Edges
 * raised while nobody reads wait for the next reader, in order. An edge is a wake-up event:
 * one raised at a time by the alarm wakes the board from suspend, as the modem's line would.
 */
#include <linux/alarmtimer.h>
#include <linux/device.h>
#include <linux/freezer.h>
#include <linux/kobject.h>
#include <linux/mutex.h>
#include <linux/slab.h>
#include <linux/spinlock.h>
#include <linux/sysfs.h>
#include <linux/wait.h>

#include "orvo_board.h"

#define ORVO_EDGES 64
#define ORVO_TIMED_EDGES 8
/* How long a woken board stays up for a reader to take the edge. */
#define ORVO_EDGE_AWAKE_MS 500

static struct kobject *xp2xp_dir;
static struct kobject *notify_dir;
static struct wakeup_source *edge_source;

/* Edges not yet read, oldest first: each the length its read returns. */
static int edges[ORVO_EDGES];
static unsigned int edges_head, edges_count;
static DEFINE_SPINLOCK(edges_lock);
static DECLARE_WAIT_QUEUE_HEAD(readers);

struct timed_edge {
	struct alarm alarm;
	int length;
	bool armed;
};

static struct timed_edge timed[ORVO_TIMED_EDGES];
/* Serialises the control writes that arm and cancel the timed edges. */
static DEFINE_MUTEX(timed_lock);

static bool edge_pending(void)
{
	return READ_ONCE(edges_count) != 0;
}

static int push_edge(int length)
{
	unsigned long flags;
	int ret = 0;

	spin_lock_irqsave(&edges_lock, flags);
	if (edges_count == ORVO_EDGES) {
		ret = -ENOSPC;
	} else {
		edges[(edges_head + edges_count) % ORVO_EDGES] = length;
		edges_count++;
	}
	spin_unlock_irqrestore(&edges_lock, flags);
	if (!ret) {
		pm_wakeup_ws_event(edge_source, ORVO_EDGE_AWAKE_MS, true);
		wake_up_interruptible_all(&readers);
	}
	return ret;
}

/* Takes the oldest edge; false when another reader took it first. */
static bool pop_edge(int *length)
{
	unsigned long flags;
	bool taken = false;

	spin_lock_irqsave(&edges_lock, flags);
	if (edges_count) {
		*length = edges[edges_head];
		edges_head = (edges_head + 1) % ORVO_EDGES;
		edges_count--;
		taken = true;
	}
	spin_unlock_irqrestore(&edges_lock, flags);
	return taken;
}

int orvo_xp2xp_queue(int length)
{
	if (length < -4095 || length >= (int)PAGE_SIZE)
		return -EINVAL;
	return push_edge(length);
}

static enum alarmtimer_restart timed_edge_fired(struct alarm *alarm, ktime_t now)
{
	struct timed_edge *edge = container_of(alarm, struct timed_edge, alarm);

	push_edge(edge->length);
	WRITE_ONCE(edge->armed, false);
	return ALARMTIMER_NORESTART;
}

/* An edge raised `ms` from now on the boot-time alarm clock, which runs and wakes in suspend. */
int orvo_xp2xp_queue_at(unsigned int ms, int length)
{
	int ret = -ENOSPC;
	int i;

	if (length < -4095 || length >= (int)PAGE_SIZE)
		return -EINVAL;
	mutex_lock(&timed_lock);
	for (i = 0; i < ORVO_TIMED_EDGES; i++) {
		if (READ_ONCE(timed[i].armed))
			continue;
		timed[i].length = length;
		WRITE_ONCE(timed[i].armed, true);
		alarm_start_relative(&timed[i].alarm, ms_to_ktime(ms));
		ret = 0;
		break;
	}
	mutex_unlock(&timed_lock);
	return ret;
}

void orvo_xp2xp_reset(void)
{
	unsigned long flags;
	int i;

	mutex_lock(&timed_lock);
	for (i = 0; i < ORVO_TIMED_EDGES; i++) {
		alarm_cancel(&timed[i].alarm);
		WRITE_ONCE(timed[i].armed, false);
	}
	mutex_unlock(&timed_lock);
	spin_lock_irqsave(&edges_lock, flags);
	edges_count = 0;
	spin_unlock_irqrestore(&edges_lock, flags);
}

static ssize_t xp2xp_state_show(struct kobject *kobj, struct kobj_attribute *attr,
				char *buf)
{
	int length;
	int ret;

	ret = orvo_fault_take("xp2xp_state");
	if (ret)
		return ret;
	do {
		if (wait_event_freezable(readers, edge_pending()))
			return -EINTR;
	} while (!pop_edge(&length));
	if (length < 0)
		return length;
	memset(buf, length == ORVO_EDGE_LOW_LENGTH ? '0' :
		    length == ORVO_EDGE_HIGH_LENGTH ? '1' : 'x', length);
	if (length > 0)
		buf[length - 1] = '\n';
	return length;
}

static struct kobj_attribute xp2xp_state = __ATTR_RO(xp2xp_state);

int orvo_xp2xp_init(void)
{
	int i;

	for (i = 0; i < ORVO_TIMED_EDGES; i++)
		alarm_init(&timed[i].alarm, ALARM_BOOTTIME, timed_edge_fired);
	edge_source = wakeup_source_register(NULL, "xp2xp");
	if (!edge_source)
		return -ENOMEM;
	xp2xp_dir = kobject_create_and_add("xp2xp", NULL);
	if (!xp2xp_dir)
		goto fail;
	notify_dir = kobject_create_and_add("xp2xp_notify", xp2xp_dir);
	if (!notify_dir)
		goto fail;
	if (sysfs_create_file(notify_dir, &xp2xp_state.attr))
		goto fail;
	return 0;

fail:
	orvo_xp2xp_exit();
	return -ENOMEM;
}

void orvo_xp2xp_exit(void)
{
	orvo_xp2xp_reset();
	kobject_put(notify_dir);
	kobject_put(xp2xp_dir);
	wakeup_source_unregister(edge_source);
	notify_dir = NULL;
	xp2xp_dir = NULL;
	edge_source = NULL;
}
