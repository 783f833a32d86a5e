// SPDX-License-Identifier: MIT
// orvo-sim-autosuspend: the simulated autosuspend service, started with every simulated
// module (sim/services.d/autosuspend.service). SIGTERM ends it as a real service ends: its
// channels closed and its socket files removed.
#include "service.h"

#include <csignal>
#include <cstdio>

int main() {
    std::signal(SIGPIPE, SIG_IGN);
    sim::autosuspend::Service service;
    if (!service.run()) {
        std::perror("orvo-sim-autosuspend");
        return 1;
    }
    return 0;
}
