#include "modemcore_link.h"

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace nvsim {

namespace {

bool make_address(const std::string &path, sockaddr_un &address) {
    address = sockaddr_un{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return false;
    memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

} // namespace

int seqpacket_listen(const std::string &path) {
    sockaddr_un address;
    if (!make_address(path, address))
        return -1;
    int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    unlink(path.c_str());
    if (bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) < 0 || listen(fd, 8) < 0) {
        close(fd);
        return -1;
    }
    return fd;
}

int seqpacket_connect(const std::string &path) {
    sockaddr_un address;
    if (!make_address(path, address))
        return -1;
    int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) < 0) {
        close(fd);
        return -1;
    }
    return fd;
}

} // namespace nvsim
