// The wake-up record shared between the feedback reader and waiting callers.
#pragma once

#include "liborvo-autosuspend.h"

#include <pthread.h>

namespace autosuspend {

// Guards the records below; the reader holds it while it reads a record.
extern pthread_mutex_t g_feedback_mutex;
// The record the reader is filling in.
extern wakeup_feedback g_current_record;

// Hands the current record to every caller waiting at this moment. Takes the mutex.
void announce_current_record();

// Blocks until the next announcement and copies that record into out. Takes the mutex.
void wait_for_next_record(wakeup_feedback &out);

} // namespace autosuspend
