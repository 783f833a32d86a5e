// SPDX-License-Identifier: MIT
// The lock-table file and its in-memory image: read whole, written whole.
#include "liborvo-kesl-autosuspend.h"
#include "logger.h"

#include "common/export.h"
#include "table_file.h"
#include "table_session.h"

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

static_assert(sizeof(kesl_lock_table) == 8704, "the lock table file is 8704 bytes");
static_assert(offsetof(kesl_lock_table, lock_pid) == 8192, "owners follow the 128 names");
static_assert(sizeof(int32_t) * KESL_LOCK_MAX == 512, "32-bit owner ids");

ORVO_EXPORT kesl_lock_table lock_status;
ORVO_EXPORT int file_fd = -1;

namespace {

using pm::kTableLevel;
using pm::library_log;

void log_open_error(int error) {
    char text[128];
    library_log(kTableLevel, "Error open lock_table file:%s\n",
                pm::error_text(error, text, sizeof text));
}

// A damaged or foreign file may hold a name without its terminator.
void terminate_names() {
    for (auto &name : lock_status.lock_name)
        name[KESL_LOCK_NAME_SIZE - 1] = '\0';
}

} // namespace

extern "C" ORVO_EXPORT int lock_table_init(void) {
    pm::TableSession session(pm::TableSession::File::exists);
    orvo::UniqueFd fd = pm::open_table(O_RDWR | O_CREAT);
    file_fd = fd.get();
    if (!fd) {
        int error = errno;
        log_open_error(error);
        return -error;
    }
    memset(&lock_status, 0, sizeof lock_status);
    if (pm::write_whole(fd.get(), &lock_status, sizeof lock_status) !=
        static_cast<ssize_t>(sizeof lock_status)) {
        library_log(kTableLevel, "write fail\n");
        return -3;
    }
    sync();
    return 0;
}

extern "C" ORVO_EXPORT int read_lock_table(void) {
    pm::TableSession session(pm::TableSession::File::create);
    orvo::UniqueFd fd = pm::open_table(O_RDWR);
    if (!fd && errno == ENOENT) {
        if (lock_table_init() < 0)
            return -2;
        fd = pm::open_table(O_RDWR);
    }
    file_fd = fd.get();
    if (!fd) {
        log_open_error(errno);
        return -2;
    }
    memset(&lock_status, 0, sizeof lock_status);
    ssize_t count = pm::read_whole(fd.get(), &lock_status, sizeof lock_status);
    library_log(kTableLevel, "read ret=%d\n", static_cast<int>(count));
    terminate_names();
    if (count <= 0)
        return -2;
    for (int i = 0; i < KESL_LOCK_MAX; ++i) {
        const char *name = lock_status.lock_name[i];
        if (name[0] != '\0')
            library_log(kTableLevel, "fd: %d lock_name:%s strlen:%d\n", i, name,
                        static_cast<int>(strlen(name)));
    }
    return 0;
}

extern "C" ORVO_EXPORT int save_lock_table(void) {
    pm::TableSession session(pm::TableSession::File::exists);
    orvo::UniqueFd fd = pm::open_table(O_RDWR);
    file_fd = fd.get();
    if (!fd) {
        log_open_error(errno);
        return -3;
    }
    terminate_names();
    library_log(kTableLevel, "write lock_name[0]: %s\n", lock_status.lock_name[0]);
    ssize_t count = pm::write_whole(fd.get(), &lock_status, sizeof lock_status);
    library_log(kTableLevel, "write ret=%d\n", static_cast<int>(count));
    // A partial write leaves a mix of the old and the new table: it is a failure.
    if (count != static_cast<ssize_t>(sizeof lock_status)) {
        library_log(kTableLevel, "write fail\n");
        return -3;
    }
    sync();
    return 0;
}
