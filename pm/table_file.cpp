#include "table_file.h"

#include "liborvo-kesl-autosuspend.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pm {

int open_table(int flags) {
    // /tmp is world-writable: a link planted there must not redirect our writes.
    int fd = open(KESL_LOCK_TABLE_PATH, flags | O_NOFOLLOW | O_CLOEXEC, 0777);
    if (fd < 0)
        return -1;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

ssize_t read_whole(int fd, void *buffer, size_t size) {
    if (lseek(fd, 0, SEEK_SET) != 0)
        return -1;
    size_t done = 0;
    while (done < size) {
        ssize_t n = read(fd, static_cast<char *>(buffer) + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return done > 0 ? static_cast<ssize_t>(done) : -1;
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

ssize_t write_whole(int fd, const void *buffer, size_t size) {
    if (lseek(fd, 0, SEEK_SET) != 0)
        return -1;
    size_t done = 0;
    while (done < size) {
        ssize_t n = write(fd, static_cast<const char *>(buffer) + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return done > 0 ? static_cast<ssize_t>(done) : -1;
        done += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

const char *error_text(int error, char *buffer, size_t size) {
    return strerror_r(error, buffer, size);
}

} // namespace pm
