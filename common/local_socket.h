/* SPDX-License-Identifier: MIT */
// Addresses of local (AF_UNIX) sockets.
#pragma once

#include <sys/socket.h>
#include <sys/un.h>

namespace orvo {

// The whole address structure for a path, zero-filled behind it; a path too long for
// sun_path is cut (check local_path_fits first where that matters). Peers here bind and
// connect with sizeof(sockaddr_un), not the used length.
sockaddr_un local_address(const char *path);

bool local_path_fits(const char *path);

inline sockaddr *as_sockaddr(sockaddr_un &address) {
    return reinterpret_cast<sockaddr *>(&address);
}

} // namespace orvo
