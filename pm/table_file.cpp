#include "table_file.h"

#include "liborvo-kesl-autosuspend.h"

#include "common/io.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pm {

orvo::UniqueFd open_table(int flags) {
    // /tmp is world-writable: a link planted there must not redirect our writes.
    orvo::UniqueFd fd = orvo::open_fd(KESL_LOCK_TABLE_PATH, flags | O_NOFOLLOW, 0777);
    if (!fd)
        return fd;
    struct stat st {};
    if (fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        fd.reset();
        errno = EINVAL;
    }
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
