// SPDX-License-Identifier: MIT
// orvo-sim-kesl-call: calls liborvo-kesl-autosuspend from the shell, one operation per word pair,
// printing each result as "<operation> <result>". For tests, the tour and benchmarks.
//
//   orvo-sim-kesl-call create NAME | lock N | unlock N | destroy N | whitelist-set STATE |
//             whitelist-get | whitelist-clear | autosuspend CHAR | monitor SECONDS | wait
#include "liborvo-kesl-autosuspend.h"
#include "orvo_uci.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

void print_edge(int edge_state) {
    std::printf("edge %d\n", edge_state);
    std::fflush(stdout);
}

int usage() {
    std::fprintf(stderr, "usage: orvo-sim-kesl-call OPERATION [ARGUMENT] ...\n"
                         "  create NAME, lock N, unlock N, destroy N, whitelist-set STATE,\n"
                         "  whitelist-get, whitelist-clear, autosuspend CHAR,\n"
                         "  monitor SECONDS (prints each edge), wait (until a line on stdin)\n");
    return 2;
}

} // namespace

int main(int argc, char **argv) {
    for (int i = 1; i < argc; ++i) {
        std::string op = argv[i];
        const char *arg = i + 1 < argc ? argv[i + 1] : nullptr;
        int result;
        if (op == "wait") {
            char line[16];
            if (!std::fgets(line, sizeof line, stdin))
                return 0;
            continue;
        } else if (op == "whitelist-get") {
            char state[ORVO_UCI_VALUE_MAX + 1] = {};
            result = kesl_whitelist_get(state);
            std::printf("%s %d %s\n", op.c_str(), result, state);
            continue;
        } else if (op == "whitelist-clear") {
            result = kesl_whitelist_clear();
        } else if (!arg) {
            return usage();
        } else if (++i, op == "create") {
            result = kesl_wakelock_create(arg, static_cast<int>(std::strlen(arg)));
        } else if (op == "lock") {
            result = kesl_wakelock_lock(std::atoi(arg));
        } else if (op == "unlock") {
            result = kesl_wakelock_unlock(std::atoi(arg));
        } else if (op == "destroy") {
            result = kesl_wakelock_destroy(std::atoi(arg));
        } else if (op == "whitelist-set") {
            result = kesl_whitelist_set(arg);
        } else if (op == "autosuspend") {
            result = kesl_autosuspend_enable(arg[0]);
        } else if (op == "monitor") {
            result = kesl_lpm_init(print_edge, nullptr);
            if (result == 0) {
                std::printf("monitor started\n");
                std::fflush(stdout);
                usleep(static_cast<useconds_t>(std::atof(arg) * 1e6));
                result = kesl_lpm_deinit();
            }
        } else {
            return usage();
        }
        std::printf("%s %d\n", op.c_str(), result);
        std::fflush(stdout);
    }
    return 0;
}
