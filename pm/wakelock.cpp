// SPDX-License-Identifier: MIT
// The wake-lock API: registered names taken and released on the platform by slot number.
#include "liborvo-autosuspend.h"
#include "liborvo-kesl-autosuspend.h"
#include "logger.h"

#include "common/export.h"
#include "table_session.h"

#include <cstring>

namespace {

using pm::kTableLevel;
using pm::library_log;

constexpr int kBadArgument = -6;

bool valid_slot(int slot) {
    return static_cast<unsigned>(slot) < KESL_LOCK_MAX;
}

// The slot's name as the table holds it now. The table is not kept locked while the
// platform is called.
void current_name(int slot, char (&name)[KESL_LOCK_NAME_SIZE]) {
    pm::TableSession session(pm::TableSession::File::create);
    read_lock_table();
    memcpy(name, lock_status.lock_name[slot], sizeof name);
}

} // namespace

extern "C" ORVO_EXPORT int kesl_wakelock_create(const char *name, int /*len*/) {
    if (!name || strnlen(name, KESL_LOCK_NAME_SIZE) >= KESL_LOCK_NAME_SIZE)
        return kBadArgument;
    library_log(kTableLevel, "%s\n", name);
    return add_lock(name);
}

extern "C" ORVO_EXPORT int kesl_wakelock_lock(int slot) {
    if (!valid_slot(slot))
        return kBadArgument;
    char name[KESL_LOCK_NAME_SIZE];
    current_name(slot, name);
    return acquire_wake_lock(0, name) >= 1 ? 0 : -1;
}

extern "C" ORVO_EXPORT int kesl_wakelock_unlock(int slot) {
    if (!valid_slot(slot))
        return kBadArgument;
    char name[KESL_LOCK_NAME_SIZE];
    current_name(slot, name);
    if (name[0] == '\0') {
        library_log(kTableLevel, "%d is null\n", slot);
        return -1;
    }
    return release_wake_lock(name) >= 1 ? 0 : -1;
}

extern "C" ORVO_EXPORT int kesl_wakelock_destroy(int slot) {
    if (!valid_slot(slot))
        return kBadArgument;
    int result = kesl_wakelock_unlock(slot);
    if (result != 0) {
        library_log(kTableLevel, "unlock is fail\n");
        return result;
    }
    return delete_lock(slot);
}
