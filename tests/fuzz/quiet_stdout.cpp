// SPDX-License-Identifier: MIT
// Start-up of the targets whose code under test prints on standard output (the AT
// handlers' shell commands, the daemon's lines, the console's listing): nobody reads it.
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    if (!freopen("/dev/null", "w", stdout))
        abort();
    return 0;
}
