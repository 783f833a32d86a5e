// SPDX-License-Identifier: MIT
#include "channel.h"
#include "logger.h"

#include "common/local_socket.h"
#include "common/trust.h"
#include "common/unique_fd.h"

#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace autosuspend {

static_assert(sizeof(sockaddr_un) == 110, "local socket address of 110 bytes");

void format_client_path(char (&path)[kClientPathSize], const char *format) {
    std::snprintf(path, sizeof path, format, static_cast<int>(getpid()));
}

namespace {

// Bounds connect (a listener that never accepts) and every send on the channel.
constexpr int kSendTimeoutSeconds = 5;

void bound_sends(int channel) {
    timeval limit{kSendTimeoutSeconds, 0};
    setsockopt(channel, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
}

// The service paths live in /tmp, free to any user while the service is down: only a
// service of root's or this process's user is talked to.
bool service_trusted(int channel) {
    ucred peer{};
    socklen_t size = sizeof peer;
    return getsockopt(channel, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
           orvo::trusted_uid(peer.uid);
}

} // namespace

// The service expects the whole address structure, not just the used part of the path.
int connect_channel(int &fd, const char *client_path, const char *server_path) {
    fd = -1;
    library_log(kLogLevel, "Start bind and connect to the service.\n");
    orvo::UniqueFd channel(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!channel) {
        library_log(kLogLevel, "SOCKET ERROR ");
        return -1;
    }
    unlink(client_path);
    sockaddr_un client = orvo::local_address(client_path);
    if (bind(channel.get(), orvo::as_sockaddr(client), sizeof client) < 0) {
        library_log(kLogLevel, "BIND ERROR ");
        return -1;
    }
    bound_sends(channel.get());
    sockaddr_un server = orvo::local_address(server_path);
    if (connect(channel.get(), orvo::as_sockaddr(server), sizeof server) < 0 ||
        !service_trusted(channel.get())) {
        library_log(kLogLevel, "CONNECT ERROR ");
        return -3;
    }
    fd = channel.release();
    return 0;
}

void close_channel(int &fd) {
    if (fd < 0)
        return;
    orvo::UniqueFd channel(fd);
    fd = -1;
    if (channel.close() < 0)
        library_log(kLogLevel, "Close error\n");
}

} // namespace autosuspend
