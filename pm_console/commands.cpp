// SPDX-License-Identifier: MIT
// The console's commands, each calling one operation of the power-management library.
#include "console.h"

#include "liborvo-kesl-autosuspend.h"
#include "orvo_uci.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace pm_console {

namespace {

// Handed to every kesl_lpm_init; lives until the process ends.
struct LpmConfig {
    int32_t words[4]; // the first two are set to 50 and 0, the rest is left as allocated
};
static_assert(sizeof(LpmConfig) == 16, "the record is 16 bytes");

LpmConfig *lpm_config() {
    static LpmConfig *config = [] {
        auto *record = new LpmConfig;
        record->words[0] = 50;
        record->words[1] = 0;
        return record;
    }();
    return config;
}

// Runs on the library's monitor thread.
void kesl_lpm_handler(int edge_state) {
    printf("this is kesl_lpm_handler, edge_state=%d\n", edge_state);
    fflush(stdout);
}

void report(int ret, const char *success, const char *failure) {
    if (ret == 0) {
        printf("%s\n", success);
    } else {
        printf("%s\n", failure);
        printf("ret=%d\n", ret);
    }
}

Next lpm_init(char *) {
    if (kesl_lpm_init(kesl_lpm_handler, lpm_config()) != 0) {
        printf("lpm init fail\n");
        return Next::quit;
    }
    printf("lpm init success\n");
    return Next::prompt;
}

Next autosuspend_enable(char *) {
    bool ok = kesl_autosuspend_enable('1') == 0;
    printf("%s\n", ok ? "kesl_autosuspend_enable success" : "kesl_autosuspend_enable fail");
    return Next::prompt;
}

// The name is taken as typed: a line feed that ends the line stays in it and is counted.
Next wakelock_create(char *name) {
    if (name == nullptr) {
        printf("name is null\n");
        return Next::prompt;
    }
    int len = static_cast<int>(strlen(name));
    printf("len =%d\n", len);
    int ret = kesl_wakelock_create(name, len);
    if (ret >= 0) {
        printf("wakelock create success\n");
        printf("fd=%d\n", ret);
    } else {
        printf("wakelock create fail\n");
        printf("ret=%d\n", ret);
    }
    return Next::prompt;
}

Next on_slot(char *num, int (*operation)(int), const char *success, const char *failure) {
    if (num == nullptr)
        printf("fd is null\n");
    else
        report(operation(atoi(num)), success, failure);
    return Next::prompt;
}

Next wakelock_lock(char *num) {
    return on_slot(num, kesl_wakelock_lock, "wakelock lock success", "wakelock lock fail");
}

Next wakelock_unlock(char *num) {
    return on_slot(num, kesl_wakelock_unlock, "wakelock unlock success", "wakelock unlock fail");
}

Next wakelock_destroy(char *num) {
    return on_slot(num, kesl_wakelock_destroy, "wakelock destroy success", "wakelock destroy fail");
}

Next whitelist_set(char *state) {
    if (state == nullptr) {
        printf("num is null\n");
        return Next::prompt;
    }
    state[strcspn(state, "\n")] = '\0';
    report(kesl_whitelist_set(state), "kesl_whitlist_set success", "kesl_whitlist_set fail");
    return Next::prompt;
}

Next whitelist_get(char *) {
    // Holds any value the store keeps.
    char state[ORVO_UCI_VALUE_MAX + 1] = {};
    int ret = kesl_whitelist_get(state);
    if (ret == 0)
        printf("ret=%d, whilelist state is %s\n", ret, state);
    return Next::prompt;
}

Next check_created_locks(char *) {
    report(list_lock_table(), "check lock success", "check lock fail");
    return Next::prompt;
}

Next check_lockup_locks(char *) {
    fflush(stdout); // the command writes to the same output
    if (system("cat /sys/power/wake_lock") != 0)
        printf("check created lock fail\n");
    return Next::prompt;
}

Next check_wakeup_sources(char *) {
    printf("start check active wakeup_sources  !!!\n");
    list_wakeup_sources();
    return Next::prompt;
}

Next lpm_deinit(char *) {
    printf("%s\n", kesl_lpm_deinit() == 0 ? "lpm deinit success" : "lpm deinit fail");
    return Next::prompt;
}

Next quit(char *) {
    return Next::quit;
}

struct Command {
    const char *word;
    Next (*run)(char *arg);
};

const Command kCommands[] = {
    {"-i", lpm_init},
    {"-e", autosuspend_enable},
    {"-cl", wakelock_create},
    {"-al", wakelock_lock},
    {"-rl", wakelock_unlock},
    {"-dl", wakelock_destroy},
    {"-ws", whitelist_set},
    {"-wg", whitelist_get},
    {"-ccl", check_created_locks},
    {"-cll", check_lockup_locks},
    {"-cws", check_wakeup_sources},
    {"-d", lpm_deinit},
    {"-q", quit},
};

} // namespace

Next run_command(const char *word, char *arg) {
    for (const Command &command : kCommands) {
        if (strcmp(word, command.word) == 0)
            return command.run(arg);
    }
    return Next::prompt;
}

} // namespace pm_console
