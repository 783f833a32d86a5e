/* SPDX-License-Identifier: MIT */
// For the simulated services that only stand for a process: they run until SIGTERM or SIGINT.
#pragma once

#include <csignal>

namespace sim {

inline void wait_for_termination() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigprocmask(SIG_BLOCK, &signals, nullptr);
    int signal = 0;
    sigwait(&signals, &signal);
}

} // namespace sim
