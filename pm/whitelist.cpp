// SPDX-License-Identifier: MIT
// The wake-up whitelist: its state in the UCI store, and the platform's network whitelist.
#include "liborvo-autosuspend.h"
#include "liborvo-kesl-autosuspend.h"
#include "logger.h"

#include "common/export.h"
#include "orvo_uci.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using pm::kMonitorLevel;
using pm::library_log;
constexpr int kWhitelistLevel = 3;
constexpr size_t kStateLength = 4;

// The state goes between single quotes in a shell command: a quote would end the quoting
// and a control character (a line feed) would end the command.
bool quotable(const char *state) {
    for (const char *c = state; *c; ++c)
        if (*c == '\'' || static_cast<unsigned char>(*c) < 0x20 || *c == 0x7f)
            return false;
    return true;
}

} // namespace

extern "C" ORVO_EXPORT int kesl_whitelist_set(const char *state) {
    if (!state || strnlen(state, kStateLength + 1) != kStateLength) {
        library_log(kWhitelistLevel, "string len is error\n");
        return -1;
    }
    if (!quotable(state)) {
        library_log(kWhitelistLevel, "whitelist state char is error\n");
        return -1;
    }
    char command[64];
    snprintf(command, sizeof command, "uci set orvo_uci.orvo_autosuspend.whitelist_state='%s'",
             state);
    int status = system(command);
    // The result is the set's; the commit's is not reported.
    int commit_status = system("uci commit");
    (void)commit_status;
    if (status != 0)
        library_log(kWhitelistLevel, "kesl_whitlist_set fail");
    return status;
}

extern "C" ORVO_EXPORT int kesl_whitelist_get(char *state) {
    if (!state)
        return -6;
    int result = orvo_get_value("orvo_uci", "orvo_autosuspend", "whitelist_state", state);
    // A failed read leaves the buffer as the caller set it, perhaps unterminated: the log
    // line shows no more than the store could have written, through a copy, so that the
    // logger gets its format as it always was.
    char shown[ORVO_UCI_VALUE_MAX + 1];
    size_t length = strnlen(state, ORVO_UCI_VALUE_MAX);
    memcpy(shown, state, length);
    shown[length] = '\0';
    library_log(kMonitorLevel, "ret =%d, whitelist_state is %s\n", result, shown);
    return result;
}

extern "C" ORVO_EXPORT int kesl_whitelist_clear(void) {
    int result = orvo_whitelist_clear();
    library_log(kMonitorLevel, "clear ret =%d\n", result);
    return result;
}
