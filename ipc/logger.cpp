// SPDX-License-Identifier: MIT
// The library's own log lines, printed to standard output.
#include "libqxipc.h"

#include "common/export.h"

#include <cstdarg>
#include <cstdio>

extern "C" ORVO_EXPORT void qx_ipc_log(const char *prefix, int level, const char *format, ...) {
    if (format == nullptr)
        return;
    char text[1024] = {};
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text - 1, format, args);
    va_end(args);
    if (prefix == nullptr)
        prefix = "";
    if (level == 3)
        std::printf("%s Err:%s\n", prefix, text);
    else
        std::printf("%s %s\n", prefix, text);
    // Lines must reach a log file or pipe even if the process dies soon after.
    std::fflush(stdout);
}
