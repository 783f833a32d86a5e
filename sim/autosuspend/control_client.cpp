// Sends one request to the simulated autosuspend service and prints its answer.
#include "service.h"
#include "sockets.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

int main(int argc, char **argv) {
    std::string request;
    for (int i = 1; i < argc; ++i)
        request += std::string(i > 1 ? " " : "") + argv[i];
    request += "\n";

    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, simautosuspend::kControlPath, sizeof address.sun_path - 1);
    if (fd < 0 || connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) < 0) {
        std::fprintf(stderr, "the simulated autosuspend service is not running\n");
        return 1;
    }
    if (!simautosuspend::send_all(fd, request.data(), request.size()))
        return 1;
    std::string reply;
    char bytes[4096];
    ssize_t n;
    while ((n = read(fd, bytes, sizeof bytes)) > 0)
        reply.append(bytes, static_cast<std::size_t>(n));
    close(fd);
    bool failed = reply.compare(0, 6, "error:") == 0;
    std::fputs(reply.c_str(), failed ? stderr : stdout);
    return failed ? 1 : 0;
}
