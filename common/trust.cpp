// SPDX-License-Identifier: MIT
#include "common/trust.h"

#include <cerrno>
#include <sys/msg.h>
#include <unistd.h>

namespace orvo {

bool trusted_uid(uid_t uid) {
    return uid == 0 || uid == geteuid();
}

bool trusted_file(const struct stat &st) {
    return S_ISREG(st.st_mode) && st.st_nlink == 1 && (st.st_mode & S_IWOTH) == 0 &&
           trusted_uid(st.st_uid);
}

UniqueFd open_trusted_file(const char *path, int flags) {
    UniqueFd fd = open_fd(path, flags | O_NOFOLLOW | O_NONBLOCK);
    struct stat st {};
    if (!fd)
        return fd;
    if (fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        fd.reset();
        errno = EINVAL;
    } else if (!trusted_file(st)) {
        fd.reset();
        errno = EACCES;
    }
    return fd;
}

bool trusted_queue(int queue) {
    msqid_ds state{};
    if (msgctl(queue, IPC_STAT, &state) != 0)
        return false;
    if (trusted_uid(state.msg_perm.uid) && trusted_uid(state.msg_perm.cuid) &&
        (state.msg_perm.mode & 0007) == 0)
        return true;
    errno = EACCES;
    return false;
}

} // namespace orvo
