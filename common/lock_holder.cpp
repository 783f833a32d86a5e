// SPDX-License-Identifier: MIT
#include "common/lock_holder.h"

#include "common/trust.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace orvo {

namespace {

using FileStream = std::unique_ptr<FILE, int (*)(FILE *)>;

FileStream open_stream(const char *path) {
    return FileStream(std::fopen(path, "re"), std::fclose);
}

} // namespace

// Lines read "1: FLOCK  ADVISORY  WRITE 1234 08:01:5678 0 EOF"; a waiter's line has "->"
// after the number and is skipped by the type check.
pid_t flock_holder(int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0)
        return 0;
    FileStream locks = open_stream("/proc/locks");
    if (!locks)
        return 0;
    char line[256];
    while (std::fgets(line, sizeof line, locks.get())) {
        char type[16] = "";
        int pid = 0;
        unsigned int major_number = 0;
        unsigned int minor_number = 0;
        unsigned long inode = 0;
        if (std::sscanf(line, "%*d: %15s %*s %*s %d %x:%x:%lu", type, &pid, &major_number,
                        &minor_number, &inode) == 5 &&
            std::strcmp(type, "FLOCK") == 0 && major_number == major(st.st_dev) &&
            minor_number == minor(st.st_dev) && inode == st.st_ino && pid > 0)
            return pid;
    }
    return 0;
}

// The effective uid from /proc/PID/status: the owner of /proc/PID itself turns to root
// once a process changes its credentials.
bool trusted_process(pid_t pid) {
    if (pid <= 0)
        return false;
    char path[32];
    std::snprintf(path, sizeof path, "/proc/%d/status", static_cast<int>(pid));
    FileStream status = open_stream(path);
    if (!status)
        return false;
    char line[256];
    while (std::fgets(line, sizeof line, status.get())) {
        unsigned int real_uid = 0;
        unsigned int effective_uid = 0;
        if (std::sscanf(line, "Uid: %u %u", &real_uid, &effective_uid) == 2)
            return trusted_uid(effective_uid);
    }
    return false;
}

} // namespace orvo
