/* SPDX-License-Identifier: MIT */
// The wake-up record shared between the feedback reader and waiting callers.
#pragma once

#include "liborvo-autosuspend.h"

#include <cstdint>
#include <pthread.h>

namespace autosuspend {

// Guards the records below; the reader holds it while it reads a record.
extern pthread_mutex_t g_feedback_mutex;
// The record the reader is filling in.
extern wakeup_feedback g_current_record;

// Hands the current record to every caller waiting at this moment. Takes the mutex.
void announce_current_record();

// The number of the next record to be announced. Taken before waiting, so a caller that
// gets the mutex late still waits for the record announced after it came.
uint32_t next_announcement();

// Blocks until record number `awaited` has been announced and copies it into out.
void wait_for_record(uint32_t awaited, wakeup_feedback &out);

} // namespace autosuspend
