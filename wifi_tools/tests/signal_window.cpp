// SPDX-License-Identifier: MIT
// signal-window PID SIGNAL: sends SIGNAL to process PID while its main thread holds it back,
// between the stop-flag check and the wait for input. The main thread alone is traced and
// stopped as it enters ppoll, with the console's hold still in force; the signal is sent
// then, and the thread let go 300 ms later, so that any other thread that may take the
// signal has done so. Exit status 0 when the signal was sent in that window.
#include "ptrace_stops.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/ptrace.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// The thread's blocked signals, from its SigBlk line.
unsigned long long blocked_signals(pid_t tid) {
    std::ifstream status("/proc/" + std::to_string(tid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("SigBlk:", 0) == 0)
            return std::stoull(line.substr(7), nullptr, 16);
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: signal-window PID SIGNAL\n");
        return 2;
    }
    pid_t pid = std::atoi(argv[1]);
    int signum = std::atoi(argv[2]);
    signal_tools::seize(pid);
    if (!signal_tools::stop_at_entry(pid, SYS_ppoll)) {
        std::fprintf(stderr, "signal-window: the process ended\n");
        return 2;
    }
    bool held = blocked_signals(pid) & (1ULL << (signum - 1));
    if (held)
        kill(pid, signum);
    usleep(300000);
    if (ptrace(PTRACE_DETACH, pid, nullptr, nullptr) < 0)
        signal_tools::die("signal-window", "PTRACE_DETACH");
    if (!held) {
        std::fprintf(stderr, "signal-window: signal %d not held at ppoll\n", signum);
        return 1;
    }
    return 0;
}
