/* SPDX-License-Identifier: MIT */
// The termination handler shared by the Wi-Fi consoles, and the stop flag it sets.
#pragma once

#include <csignal>

extern "C" void user_wifi_termination_handler(int signum);

namespace wifi_tools {

// Set to 1 by the handler, never cleared; the console loops look at it before each prompt.
extern volatile sig_atomic_t stop_requested;

// For SIGINT, SIGHUP and SIGTERM, in that order; no SA_RESTART, so a waiting read returns.
void install_termination_handler();

// Readable once a termination signal has been handled: a library thread that leaves the
// signals open may take one while the main thread waits, and the wait must end all the same.
// -1 when it could not be made (then only the main thread's own interruption ends a wait).
int termination_fd();

// qx_wifi_init_ext(0) with the termination signals held: the threads the library starts
// inherit the block, so the signals reach the main thread alone, also while it holds them.
int init_wifi_library();

// Holds the termination signals back for its lifetime; waiting_mask() lets them in again,
// for a wait that a signal must end.
class TerminationSignalsHeld {
  public:
    TerminationSignalsHeld();
    ~TerminationSignalsHeld();
    TerminationSignalsHeld(const TerminationSignalsHeld &) = delete;
    TerminationSignalsHeld &operator=(const TerminationSignalsHeld &) = delete;

    const sigset_t *waiting_mask() const { return &previous_; }

  private:
    sigset_t previous_;
};

} // namespace wifi_tools
