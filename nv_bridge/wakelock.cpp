#include "wakelock.h"

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace nvrpc {

namespace {

constexpr char kLockName[] = "nvrpc_lock";

// Failures are reported and otherwise ignored: the relay goes on without the lock.
void write_lock_file(const char *path) {
    int fd = open(path, O_RDWR);
    if (fd < 0) {
        perror("nvrpc wakelock open error");
        return;
    }
    constexpr size_t length = sizeof kLockName - 1;
    if (write(fd, kLockName, length) != static_cast<ssize_t>(length))
        printf("nvrpc wakelock write fail\n");
    close(fd);
}

} // namespace

void wakelock_take() {
    write_lock_file("/sys/power/wake_lock");
}

void wakelock_release() {
    write_lock_file("/sys/power/wake_unlock");
}

} // namespace nvrpc
