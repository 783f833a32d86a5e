// SPDX-License-Identifier: MIT
// The help menu: the command and its argument hint in a 20-column field, then "--".
#include "console.h"

#include <cstdio>

namespace pm_console {

namespace {

const char *const kHelpLines[] = {
    "-i                  --kesl_lpm_init",
    "-d                  --kesl_lpm_deinit",
    "-q                  --quit",
    "-e                  --kesl_autosuspend_enable",
    "-cl [wakelock name] --kesl_wakelock_create ",
    "-al [wakelock num]  --kesl_wakelock_lock ",
    "-rl [wakelock num]  --kesl_wakelock_unlock ",
    "-dl [wakelock num]  --kesl_wakelock_destroy",
    "-ws [whitelist num] --kesl_whitelist_set",
    "-wg                 --kesl_whitelist_get",
    "-ccl                --check created locks",
    "-cll                --check lockup locks",
    "-cws                --check wakeup sources",
};

} // namespace

void print_menu() {
    for (const char *line : kHelpLines)
        printf("%s\n", line);
}

} // namespace pm_console
