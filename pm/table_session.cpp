// SPDX-License-Identifier: MIT
#include "table_session.h"

#include "liborvo-kesl-autosuspend.h"
#include "logger.h"
#include "table_file.h"

#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace pm {

namespace {

constexpr int kLockQuietMs = 1000;

std::recursive_mutex g_mutex;
int g_depth = 0; // guarded by g_mutex

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

} // namespace

TableSession::TableSession(File file) {
    g_mutex.lock();
    if (g_depth++ != 0 || file == File::none)
        return;
    file_ = open_table(O_RDWR | (file == File::create ? O_CREAT : 0));
    if (!file_)
        return;
    // A lock held by another user while the table stays unchanged (anyone who can read it
    // can hold it and never let go) leaves the operation working on the file unlocked.
    lock_.emplace(file_.get(), orvo::FileLock::Mode::exclusive, kLockQuietMs);
    if (!lock_->locked())
        library_log(kTableLevel, "lock_table busy, going on without its lock\n");
    if (file == File::create)
        fill_if_empty(file_.get());
}

TableSession::~TableSession() {
    --g_depth;
    lock_.reset();
    file_.reset();
    g_mutex.unlock();
}

} // namespace pm
