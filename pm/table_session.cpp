#include "table_session.h"

#include "descriptor.h"
#include "liborvo-kesl-autosuspend.h"
#include "table_file.h"

#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>

namespace pm {

namespace {

std::recursive_mutex g_mutex;
int g_depth = 0;    // guarded by g_mutex
int g_lock_fd = -1; // guarded by g_mutex

// A file found empty under the lock was just created, by us or by a peer that has not
// written it yet: it gets its 8704 zero bytes now, so no process reads it as empty.
void fill_if_empty(int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0 || st.st_size != 0)
        return;
    static const kesl_lock_table zeros{};
    if (write_whole(fd, &zeros, sizeof zeros) > 0)
        sync();
}

int lock_file(TableSession::File file) {
    int fd = open_table(O_RDWR | (file == TableSession::File::create ? O_CREAT : 0));
    if (fd < 0)
        return -1;
    while (flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR)
            return fd; // unlocked, but the operation still works on the file
    }
    if (file == TableSession::File::create)
        fill_if_empty(fd);
    return fd;
}

} // namespace

TableSession::TableSession(File file) {
    g_mutex.lock();
    if (g_depth++ == 0 && file != File::none)
        g_lock_fd = lock_file(file);
}

TableSession::~TableSession() {
    if (--g_depth == 0 && g_lock_fd >= 0) {
        close(g_lock_fd); // releases the advisory lock
        g_lock_fd = -1;
    }
    g_mutex.unlock();
}

} // namespace pm
