// SPDX-License-Identifier: MIT
// A caller of liborvo-autosuspend for the tour and shell tests: runs its arguments as a
// sequence of library calls and prints each result.
//   enable | disable | wait [COUNT] | lock NAME | unlock NAME | lpmode MODE | whitelist-clear
#include "liborvo-autosuspend.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int usage() {
    std::fprintf(stderr, "usage: orvo-sim-autosuspend-client enable|disable|wait [COUNT]|lock NAME|"
                         "unlock NAME|lpmode MODE|whitelist-clear ...\n");
    return 2;
}

bool wait_events(int count) {
    for (int i = 0; i < count; ++i) {
        int32_t sleep_start = 0;
        int32_t wakeup = 0;
        if (orvo_wait_wakeup_event(&sleep_start, &wakeup) != 0) {
            std::printf("orvo_wait_wakeup_event: -1\n");
            return false;
        }
        std::printf("wake-up: slept from %ld ms to %ld ms\n", static_cast<long>(sleep_start),
                    static_cast<long>(wakeup));
        std::fflush(stdout);
    }
    return true;
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 2)
        return usage();
    bool ok = true;
    for (int i = 1; i < argc; ++i) {
        const char *verb = argv[i];
        const char *arg = i + 1 < argc ? argv[i + 1] : nullptr;
        int result;
        if (std::strcmp(verb, "enable") == 0) {
            result = orvo_autosleep_enable();
            ok = ok && result == 1;
        } else if (std::strcmp(verb, "disable") == 0) {
            result = orvo_autosleep_disable();
            ok = ok && result == 1;
        } else if (std::strcmp(verb, "wait") == 0) {
            int count = arg && std::atoi(arg) > 0 ? std::atoi(arg) : 1;
            i += arg && std::atoi(arg) > 0 ? 1 : 0;
            ok = wait_events(count) && ok;
            continue;
        } else if (std::strcmp(verb, "lock") == 0 && arg) {
            result = acquire_wake_lock(0, arg);
            ok = ok && result == 1;
            ++i;
        } else if (std::strcmp(verb, "unlock") == 0 && arg) {
            result = release_wake_lock(arg);
            ok = ok && result == 1;
            ++i;
        } else if (std::strcmp(verb, "lpmode") == 0 && arg) {
            result = orvo_set_lpmode(std::atoi(arg));
            ++i;
        } else if (std::strcmp(verb, "whitelist-clear") == 0) {
            result = orvo_whitelist_clear();
            ok = ok && result == 0;
        } else {
            return usage();
        }
        std::printf("%s: %d\n", verb, result);
        std::fflush(stdout);
    }
    return ok ? 0 : 1;
}
