/* SPDX-License-Identifier: MIT */
// For the simulated services: they run until SIGTERM or SIGINT.
#pragma once

#include "common/unique_fd.h"

#include <csignal>
#include <sys/signalfd.h>

namespace sim {

// SIGTERM and SIGINT, blocked for the calling thread (and the threads it starts).
inline sigset_t block_termination() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigprocmask(SIG_BLOCK, &signals, nullptr);
    return signals;
}

inline void wait_for_termination() {
    sigset_t signals = block_termination();
    int signal = 0;
    sigwait(&signals, &signal);
}

// A descriptor that becomes readable when SIGTERM or SIGINT arrives (blocked from now on).
inline orvo::UniqueFd termination_fd() {
    sigset_t signals = block_termination();
    return orvo::UniqueFd(signalfd(-1, &signals, SFD_CLOEXEC));
}

} // namespace sim
