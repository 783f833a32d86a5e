// SPDX-License-Identifier: MIT
#include "simconnect.h"

#include "common/local_socket.h"
#include "common/unique_fd.h"

#include <cerrno>

extern "C" int orvo_sim_connect(const char *path, int type, int cloexec) {
    if (!orvo::local_path_fits(path)) {
        errno = ENAMETOOLONG;
        return -1;
    }
    orvo::UniqueFd fd(socket(AF_UNIX, type | (cloexec ? SOCK_CLOEXEC : 0), 0));
    if (!fd)
        return -1;
    sockaddr_un address = orvo::local_address(path);
    if (connect(fd.get(), orvo::as_sockaddr(address), sizeof address) != 0) {
        int error = errno;
        fd.reset();
        errno = error;
        return -1;
    }
    return fd.release();
}
