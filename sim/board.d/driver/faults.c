// SPDX-License-Identifier: MIT OR GPL-2.0
/*
 * Scripted failures of the board's files, by file name: the next COUNT reads or writes
 * (or all of them) fail with CODE, counted down under a lock.
 */
#include <linux/err.h>
#include <linux/mm.h>
#include <linux/spinlock.h>
#include <linux/string.h>

#include "orvo_board.h"

#define ORVO_FAULTS 8
#define ORVO_FAULT_NAME 32

struct orvo_fault {
	char file[ORVO_FAULT_NAME];
	int code;
	int count;
};

static struct orvo_fault faults[ORVO_FAULTS];
static DEFINE_SPINLOCK(faults_lock);

static struct orvo_fault *find(const char *file)
{
	int i;

	for (i = 0; i < ORVO_FAULTS; i++)
		if (faults[i].count && !strcmp(faults[i].file, file))
			return &faults[i];
	return NULL;
}

int orvo_fault_set(const char *file, int code, int count)
{
	struct orvo_fault *fault;
	int i;

	if (strlen(file) >= ORVO_FAULT_NAME || code <= 0 || !count)
		return -EINVAL;
	spin_lock(&faults_lock);
	fault = find(file);
	for (i = 0; !fault && i < ORVO_FAULTS; i++)
		if (!faults[i].count)
			fault = &faults[i];
	if (fault) {
		strscpy(fault->file, file, sizeof(fault->file));
		fault->code = code;
		fault->count = count;
	}
	spin_unlock(&faults_lock);
	return fault ? 0 : -ENOSPC;
}

void orvo_fault_clear(const char *file)
{
	struct orvo_fault *fault;

	spin_lock(&faults_lock);
	fault = find(file);
	if (fault)
		fault->count = 0;
	spin_unlock(&faults_lock);
}

/* 0, or the negative errno the call fails with. */
int orvo_fault_take(const char *file)
{
	struct orvo_fault *fault;
	int code = 0;

	spin_lock(&faults_lock);
	fault = find(file);
	if (fault) {
		code = -fault->code;
		if (fault->count > 0)
			fault->count--;
	}
	spin_unlock(&faults_lock);
	return code;
}

void orvo_faults_reset(void)
{
	spin_lock(&faults_lock);
	memset(faults, 0, sizeof(faults));
	spin_unlock(&faults_lock);
}

/* A write's text, copied in; an ERR_PTR when FILE fails as scripted or the text is too long. */
char *orvo_write_text(const char *file, const char __user *buf, size_t count)
{
	int ret = orvo_fault_take(file);

	if (ret)
		return ERR_PTR(ret);
	if (count > PAGE_SIZE)
		return ERR_PTR(-EINVAL);
	return memdup_user(buf, count);
}
