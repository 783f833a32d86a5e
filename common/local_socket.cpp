// SPDX-License-Identifier: MIT
#include "common/local_socket.h"

#include <cstring>

namespace orvo {

sockaddr_un local_address(const char *path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path, sizeof address.sun_path - 1);
    return address;
}

bool local_path_fits(const char *path) {
    return std::strlen(path) < sizeof(sockaddr_un::sun_path);
}

} // namespace orvo
