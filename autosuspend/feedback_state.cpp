// SPDX-License-Identifier: MIT
#include "feedback_state.h"

#include "common/guards.h"

#include <atomic>
#include <cstdint>

namespace autosuspend {

pthread_mutex_t g_feedback_mutex = PTHREAD_MUTEX_INITIALIZER;
wakeup_feedback g_current_record{};

namespace {

pthread_cond_t g_announced = PTHREAD_COND_INITIALIZER;
// Records announced so far: a waiter waits for this to reach its record's number, so a
// spurious wake-up never hands out a record that was not announced. Written under the
// mutex; read without it only to pick the record to wait for.
std::atomic<uint32_t> g_announcements{0};
// The last announced records by number, so a waiter that gets the mutex late still copies
// the record it waited for, not a newer one.
constexpr uint32_t kKeptRecords = 8;
wakeup_feedback g_announced_records[kKeptRecords];

} // namespace

void announce_current_record() {
    orvo::MutexGuard lock(g_feedback_mutex);
    uint32_t number = g_announcements.load() + 1;
    g_announced_records[number % kKeptRecords] = g_current_record;
    g_announcements.store(number);
    pthread_cond_broadcast(&g_announced);
}

uint32_t next_announcement() {
    return g_announcements.load() + 1;
}

void wait_for_record(uint32_t awaited, wakeup_feedback &out) {
    orvo::MutexGuard lock(g_feedback_mutex);
    // A cancellation point: the unwinding releases the mutex through the lock above.
    while (static_cast<int32_t>(g_announcements - awaited) < 0)
        pthread_cond_wait(&g_announced, &g_feedback_mutex);
    out = g_announced_records[awaited % kKeptRecords];
}

} // namespace autosuspend
