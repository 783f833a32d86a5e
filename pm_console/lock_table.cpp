// SPDX-License-Identifier: MIT
// The lock-table listing, read straight from the file that the library keeps.
#include "console.h"

#include "liborvo-kesl-autosuspend.h"

#include "common/io.h"
#include "common/trust.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>

static_assert(sizeof(kesl_lock_table) == 8704, "the lock-table file is 8704 bytes");

namespace pm_console {

int list_lock_table() {
    // Whatever sits at the path may be another user's: a link to a file the console's user
    // may read, or a FIFO that would never answer.
    orvo::UniqueFd file = orvo::open_trusted_file(KESL_LOCK_TABLE_PATH, O_RDWR);
    if (!file) {
        printf("Error open lock_table file:%s\n", strerror(errno));
        return -2;
    }
    kesl_lock_table table{};
    if (orvo::read_all(file.get(), &table, sizeof table) <= 0)
        return -2;
    for (int slot = 0; slot < KESL_LOCK_MAX; ++slot) {
        const char *name = table.lock_name[slot];
        if (name[0] == '\0')
            continue;
        // A damaged file may lack the terminator: never read past the name's field.
        int length = static_cast<int>(strnlen(name, sizeof table.lock_name[slot]));
        printf("fd: %d lock_name:%.*s strlen:%d, pid=%d\n", slot, length, name, length,
               static_cast<int>(table.lock_pid[slot]));
    }
    return 0;
}

} // namespace pm_console
