// SPDX-License-Identifier: MIT
#include "ctrl_socket.h"

#include "common/local_socket.h"
#include "simctl.h"

#include <atomic>
#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sim::wifi {
namespace {

std::string reply_path() {
    static std::atomic<int> count{0};
    std::string dir = sim::path("wifi/ctrl");
    mkdir(dir.c_str(), 0700);
    return dir + "/" + std::to_string(getpid()) + "-" + std::to_string(++count);
}

std::optional<std::string> receive(int fd, int timeout_ms) {
    pollfd p{fd, POLLIN, 0};
    int ready;
    while ((ready = poll(&p, 1, timeout_ms)) < 0 && errno == EINTR) {
    }
    if (ready <= 0)
        return std::nullopt;
    char buffer[4096];
    ssize_t n = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n < 0)
        return std::nullopt;
    return std::string(buffer, static_cast<size_t>(n));
}

} // namespace

CtrlSocket::~CtrlSocket() {
    close();
}

bool CtrlSocket::open(const std::string &server) {
    close();
    std::string local = reply_path();
    if (!orvo::local_path_fits(local.c_str()) || !orvo::local_path_fits(server.c_str()))
        return false;
    orvo::UniqueFd fd(socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    sockaddr_un mine = orvo::local_address(local.c_str());
    sockaddr_un theirs = orvo::local_address(server.c_str());
    unlink(local.c_str());
    if (!fd || bind(fd.get(), orvo::as_sockaddr(mine), sizeof mine) != 0)
        return false;
    if (connect(fd.get(), orvo::as_sockaddr(theirs), sizeof theirs) != 0) {
        unlink(local.c_str());
        return false;
    }
    fd_ = std::move(fd);
    local_ = local;
    return true;
}

void CtrlSocket::close() {
    if (!fd_)
        return;
    fd_.reset();
    unlink(local_.c_str());
}

std::optional<std::string> CtrlSocket::request(const std::string &command, int timeout_ms) {
    if (!fd_ || send(fd_.get(), command.data(), command.size(), 0) < 0)
        return std::nullopt;
    // Events that came meanwhile start with their level, "<N>": not the answer.
    for (;;) {
        std::optional<std::string> answer = receive(fd_.get(), timeout_ms);
        if (!answer || answer->empty() || (*answer)[0] != '<')
            return answer;
    }
}

bool CtrlSocket::attach() {
    std::optional<std::string> answer = request("ATTACH");
    return answer && answer->compare(0, 2, "OK") == 0;
}

std::optional<std::string> CtrlSocket::read_event() {
    std::optional<std::string> event = receive(fd_.get(), 0);
    if (event && !event->empty() && (*event)[0] == '<') {
        size_t end = event->find('>');
        event->erase(0, end == std::string::npos ? 0 : end + 1);
    }
    return event;
}

} // namespace sim::wifi
