// SPDX-License-Identifier: MIT
#include "modemcore_link.h"

#include "common/local_socket.h"
#include "common/unique_fd.h"
#include "simconnect.h"

#include <sys/socket.h>
#include <unistd.h>

namespace sim::nv {

orvo::UniqueFd seqpacket_listen(const std::string &path) {
    orvo::UniqueFd fd(socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0));
    if (!fd || !orvo::local_path_fits(path.c_str()))
        return {};
    sockaddr_un address = orvo::local_address(path.c_str());
    unlink(path.c_str());
    if (bind(fd.get(), orvo::as_sockaddr(address), sizeof address) < 0 || listen(fd.get(), 8) < 0)
        return {};
    return fd;
}

orvo::UniqueFd seqpacket_connect(const std::string &path) {
    return orvo::UniqueFd(orvo_sim_connect(path.c_str(), SOCK_SEQPACKET, 1));
}

} // namespace sim::nv
