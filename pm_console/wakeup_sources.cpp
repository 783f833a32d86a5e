// SPDX-License-Identifier: MIT
// The kernel's active wake-up sources: time active and name, sorted by time.
#include "console.h"

#include "common/pipe_stream.h"

#include <cstdio>

namespace pm_console {

namespace {

// Sixth column (active_since) and name, tab-separated; sources not active are dropped.
constexpr const char *kActiveSources =
    "cat /sys/kernel/debug/wakeup_sources|sed -e 's/\"^ \"/\"unnamed\"/g' | "
    "awk '{print $6 \"\t\" $1}'| grep -v \"^0\" |sort -n \n";

} // namespace

void list_wakeup_sources() {
    char line[256] = {};
    fflush(stdout); // the pipeline's errors share the terminal
    orvo::PipeStream pipe(kActiveSources);
    if (!pipe) {
        printf("check wakeup sources fail\n");
        return;
    }
    while (fgets(line, sizeof line - 1, pipe.get()) != nullptr)
        printf("%s", line);
}

} // namespace pm_console
