// SPDX-License-Identifier: MIT
// Registration of wake-lock names in the table: who owns a name, and whether it still runs.
#include "liborvo-kesl-autosuspend.h"
#include "logger.h"

#include "common/export.h"
#include "table_session.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

using pm::kTableLevel;
using pm::library_log;

constexpr int kRunningOwner = 129;
constexpr int kBadArgument = -6;

bool valid_slot(int slot) {
    return static_cast<unsigned>(slot) < KESL_LOCK_MAX;
}

bool valid_name(const char *name) {
    return name && strnlen(name, KESL_LOCK_NAME_SIZE) < KESL_LOCK_NAME_SIZE;
}

int lowest_free_slot() {
    for (int i = 0; i < KESL_LOCK_MAX; ++i)
        if (lock_status.lock_name[i][0] == '\0')
            return i;
    return -1;
}

} // namespace

extern "C" ORVO_EXPORT int check_pid(int pid) {
    char command[64];
    snprintf(command, sizeof command, "ps -ef |awk '{print $1}'|grep \"^%d$\"", pid);
    return system(command);
}

extern "C" ORVO_EXPORT int check_lock(const char *name) {
    if (!name)
        return -1;
    pm::TableSession session(pm::TableSession::File::none);
    for (int i = 0; i < KESL_LOCK_MAX; ++i) {
        if (strncmp(name, lock_status.lock_name[i], KESL_LOCK_NAME_SIZE) != 0)
            continue;
        if (check_pid(lock_status.lock_pid[i]) != 0) {
            library_log(kTableLevel, "the pid is not exist\n");
            return i;
        }
        library_log(kTableLevel, "the pid is exist\n");
        return kRunningOwner;
    }
    return -1;
}

extern "C" ORVO_EXPORT int add_lock(const char *name) {
    // The name is copied into a 64-byte field: a longer one would overrun it.
    if (!valid_name(name))
        return kBadArgument;
    pm::TableSession session(pm::TableSession::File::create);
    int result = read_lock_table();
    library_log(kTableLevel, "read_lock_table ret = %d\n", result);
    if (result < 0)
        return result;
    int pid = static_cast<int>(getpid());
    int slot = check_lock(name);
    if (slot == kRunningOwner)
        return -5;
    if (slot < 0) {
        slot = lowest_free_slot();
        if (slot < 0)
            return -4;
        strncpy(lock_status.lock_name[slot], name, KESL_LOCK_NAME_SIZE);
        lock_status.lock_pid[slot] = pid;
        library_log(kTableLevel, "lock_name[%d] %s, lock_pid = %d\n", slot, name, pid);
    } else {
        lock_status.lock_pid[slot] = pid; // taken over from a registrant that has gone
    }
    library_log(kTableLevel, "num = %d\n", slot);
    result = save_lock_table();
    return result < 0 ? result : slot;
}

extern "C" ORVO_EXPORT int delete_lock(int slot) {
    if (!valid_slot(slot))
        return kBadArgument;
    pm::TableSession session(pm::TableSession::File::create);
    read_lock_table();
    memset(lock_status.lock_name[slot], 0, KESL_LOCK_NAME_SIZE);
    lock_status.lock_pid[slot] = -1;
    return save_lock_table();
}
