// SPDX-License-Identifier: MIT
// orvo-kesl-autosuspend-demo: drives the power-management library by hand, one command per
// input line.
#include "console.h"

#include <cstdio>

int main() {
    // Line by line, as on a terminal, so that lines of the shell commands that the console
    // and the library run fall in order on a pipe too.
    setvbuf(stdout, nullptr, _IOLBF, 0);
    return pm_console::run_console();
}
