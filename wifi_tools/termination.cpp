// SPDX-License-Identifier: MIT
#include "termination.h"

#include "qx_wifi.h"

#include "common/io.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

namespace wifi_tools {

volatile sig_atomic_t stop_requested = 0;

namespace {

const int kTerminationSignals[] = {SIGINT, SIGHUP, SIGTERM};

// Both ends non-blocking: the handler must never wait, and a full pipe already says enough.
int stop_pipe[2] = {-1, -1};

} // namespace

int termination_fd() {
    return stop_pipe[0];
}

void install_termination_handler() {
    if (stop_pipe[0] < 0 && pipe2(stop_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        stop_pipe[0] = stop_pipe[1] = -1;
    struct sigaction action {};
    action.sa_handler = user_wifi_termination_handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    for (int signum : kTerminationSignals)
        sigaction(signum, &action, nullptr);
}

int init_wifi_library() {
    TerminationSignalsHeld held;
    return qx_wifi_init_ext(0);
}

TerminationSignalsHeld::TerminationSignalsHeld() {
    sigset_t held;
    sigemptyset(&held);
    for (int signum : kTerminationSignals)
        sigaddset(&held, signum);
    pthread_sigmask(SIG_BLOCK, &held, &previous_);
}

TerminationSignalsHeld::~TerminationSignalsHeld() {
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

} // namespace wifi_tools

// Direct writes of preformatted bytes (the toolkit's write loop is async-signal-safe): stdio
// might be busy on another thread or on the interrupted one, and must not be entered here.
// On a library thread the main thread runs beside the handler: the flag is set and the main
// thread woken only once both lines are out, so that its shutdown lines follow them.
extern "C" void user_wifi_termination_handler(int signum) {
    int saved_errno = errno;
    orvo::write_all(STDOUT_FILENO, "q\n", 2);
    static const char prefix[] = "user_wifi_termination_handler signum ";
    char line[sizeof prefix + 12];
    std::memcpy(line, prefix, sizeof prefix - 1);
    size_t len = sizeof prefix - 1;
    char digits[10];
    size_t n = 0;
    unsigned value = static_cast<unsigned>(signum); // a signal number is positive
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value);
    while (n)
        line[len++] = digits[--n];
    line[len++] = '\n';
    orvo::write_all(STDOUT_FILENO, line, len);
    wifi_tools::stop_requested = 1;
    if (wifi_tools::stop_pipe[1] >= 0) {
        char wake = 1;
        ssize_t ignored = write(wifi_tools::stop_pipe[1], &wake, 1);
        (void)ignored;
    }
    errno = saved_errno;
}
