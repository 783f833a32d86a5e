// SPDX-License-Identifier: MIT
// Real sleep, measured where the kernel suspends (the emulated board): from the release of
// the last wake lock to the suspend's start, from the wake-up to orvo_wait_wakeup_event
// returning in the application, and sleeps per minute with nothing held. Times are
// CLOCK_BOOTTIME, as the wake-up records'. Runs in a simulated module there:
// bench/sleep/run.sh.
// Usage: sleep_bench [ROUNDS] [SECONDS of the cycle count]
#include "liborvo-autosuspend.h"
#include "liborvo-kesl-autosuspend.h"
#include "spread.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <unistd.h>
#include <vector>

namespace {

double boot_ms() {
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

struct Sleep {
    int32_t start, wakeup; // as the record gives them
    double returned;       // when orvo_wait_wakeup_event returned
};

// The next sleep that started at or after `since`; earlier records are passed over.
bool next_sleep(double since, Sleep &sleep) {
    while (orvo_wait_wakeup_event(&sleep.start, &sleep.wakeup) == 0) {
        sleep.returned = boot_ms();
        if (sleep.start >= static_cast<int32_t>(since))
            return true;
    }
    return false;
}

void report(const char *what, const std::vector<double> &samples) {
    if (samples.empty()) {
        std::printf("figure\tsleep: %s: no samples\t-\t-\t-\t-\n", what);
        return;
    }
    bench::Spread s = bench::spread(samples);
    std::printf("%-56s %8.1f (%.1f-%.1f)\n", what, s.median, s.q1, s.q3);
    std::printf("figure\tsleep: %s\t%.1f\t%.1f\t%.1f\t-\n", what, s.median, s.q1, s.q3);
}

} // namespace

int main(int argc, char **argv) {
    int rounds = std::max(1, argc > 1 ? std::atoi(argv[1]) : 20);
    int seconds = std::max(1, argc > 2 ? std::atoi(argv[2]) : 60);
    int slot = kesl_wakelock_create("sleep_bench", 0);
    int locked = slot < 0 ? slot : kesl_wakelock_lock(slot);
    int enabled = locked != 0 ? locked : kesl_autosuspend_enable('1');
    if (enabled != 0) {
        std::fprintf(stderr, "sleep_bench: create %d, lock %d, autosuspend on %d\n", slot, locked,
                     enabled);
        return 1;
    }
    std::vector<double> to_entry, to_return;
    for (int round = 0; round < rounds; ++round) {
        usleep(300000); // awake, held, as an application at work
        double released = boot_ms();
        kesl_wakelock_unlock(slot);
        Sleep sleep{};
        if (!next_sleep(released, sleep))
            break;
        kesl_wakelock_lock(slot);
        to_entry.push_back(sleep.start - released);
        to_return.push_back(sleep.returned - sleep.wakeup);
    }
    kesl_wakelock_unlock(slot);
    double from = boot_ms();
    int sleeps = 0;
    Sleep sleep{};
    while (next_sleep(from, sleep) && sleep.wakeup < from + seconds * 1000.0)
        ++sleeps;
    double minutes = (sleep.returned - from) / 60000.0;
    kesl_autosuspend_enable('0');
    kesl_wakelock_destroy(slot);

    report("last lock released to suspend start (ms)", to_entry);
    report("wake-up to orvo_wait_wakeup_event returning (ms)", to_return);
    std::printf("figure\tsleep: sleeps per minute, nothing held\t%.1f\t-\t-\t-\n",
                minutes > 0 ? sleeps / minutes : 0.0);
    return to_entry.size() == static_cast<std::size_t>(rounds) ? 0 : 1;
}
