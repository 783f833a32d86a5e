// The simulated autosuspend service, started in every simulated module.
#include "service.h"

#include <csignal>
#include <cstdio>

int main() {
    std::signal(SIGPIPE, SIG_IGN);
    simautosuspend::Service service;
    if (!service.run()) {
        std::perror("orvo-autosuspendd");
        return 1;
    }
    return 0;
}
