#include "channel.h"
#include "logger.h"

#include <cstdio>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace autosuspend {
namespace {

static_assert(sizeof(sockaddr_un) == 110, "local socket address of 110 bytes");

// The service expects the whole address structure, not just the used part of the path.
sockaddr_un local_address(const char *path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path, sizeof address.sun_path - 1);
    return address;
}

} // namespace

void format_client_path(char (&path)[kClientPathSize], const char *format) {
    std::snprintf(path, sizeof path, format, static_cast<int>(getpid()));
}

int connect_channel(int &fd, const char *client_path, const char *server_path) {
    g_log(kLogLevel, "Start bind and connect to the service.\n");
    fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        g_log(kLogLevel, "SOCKET ERROR ");
        return -1;
    }
    unlink(client_path);
    sockaddr_un client = local_address(client_path);
    if (bind(fd, reinterpret_cast<sockaddr *>(&client), sizeof client) < 0) {
        g_log(kLogLevel, "BIND ERROR ");
        close_channel(fd);
        return -1;
    }
    sockaddr_un server = local_address(server_path);
    if (connect(fd, reinterpret_cast<sockaddr *>(&server), sizeof server) < 0) {
        g_log(kLogLevel, "CONNECT ERROR ");
        close_channel(fd);
        return -3;
    }
    return 0;
}

void close_channel(int &fd) {
    if (fd < 0)
        return;
    if (close(fd) < 0)
        g_log(kLogLevel, "Close error\n");
    fd = -1;
}

} // namespace autosuspend
