// SPDX-License-Identifier: MIT
#include "table_file.h"

#include "liborvo-kesl-autosuspend.h"

#include "common/io.h"
#include "common/trust.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pm {

namespace {

// Made with O_EXCL, so that nothing planted at the path is taken for our own file, and never
// left writable by others, whatever the umask.
orvo::UniqueFd create_table(int flags) {
    orvo::UniqueFd fd =
        orvo::open_fd(KESL_LOCK_TABLE_PATH, flags | O_CREAT | O_EXCL | O_NOFOLLOW, 0777);
    struct stat st {};
    if (fd && fstat(fd.get(), &st) == 0 && (st.st_mode & S_IWOTH))
        fchmod(fd.get(), st.st_mode & 07777 & ~S_IWOTH);
    return fd;
}

} // namespace

orvo::UniqueFd open_table(int flags) {
    // /tmp is world-writable: whatever sits at the path may be another user's.
    int open_flags = flags & ~O_CREAT;
    orvo::UniqueFd fd = orvo::open_trusted_file(KESL_LOCK_TABLE_PATH, open_flags);
    if (fd || errno != ENOENT || !(flags & O_CREAT))
        return fd;
    fd = create_table(open_flags);
    if (!fd && errno == EEXIST) // a peer made it first
        return orvo::open_trusted_file(KESL_LOCK_TABLE_PATH, open_flags);
    return fd;
}

ssize_t read_whole(int fd, void *buffer, size_t size) {
    if (lseek(fd, 0, SEEK_SET) != 0)
        return -1;
    return orvo::read_all(fd, buffer, size);
}

ssize_t write_whole(int fd, const void *buffer, size_t size) {
    if (lseek(fd, 0, SEEK_SET) != 0)
        return -1;
    return orvo::write_all(fd, buffer, size);
}

const char *error_text(int error, char *buffer, size_t size) {
    return strerror_r(error, buffer, size);
}

} // namespace pm
