// SPDX-License-Identifier: MIT
// orvo-sim-logger TAG LEVEL TEXT: writes one message through liborvo-log, like logger(1).
#include "orvo_log.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv) {
    if (argc != 4) {
        fprintf(stderr, "usage: orvo-sim-logger TAG LEVEL TEXT\n");
        return 2;
    }
    orvo_log_function_init(argv[1])(atoi(argv[2]), "%s\n", argv[3]);
    return 0;
}
