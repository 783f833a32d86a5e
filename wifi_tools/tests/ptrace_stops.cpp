// SPDX-License-Identifier: MIT
#include "ptrace_stops.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/ptrace.h>
#include <sys/wait.h>

namespace signal_tools {

void die(const char *tool, const char *what) {
    std::fprintf(stderr, "%s: %s: %s\n", tool, what, std::strerror(errno));
    std::exit(2);
}

void seize(pid_t tid) {
    if (ptrace(PTRACE_SEIZE, tid, nullptr, PTRACE_O_TRACESYSGOOD) < 0)
        die("ptrace", "PTRACE_SEIZE");
    if (ptrace(PTRACE_INTERRUPT, tid, nullptr, nullptr) < 0)
        die("ptrace", "PTRACE_INTERRUPT");
    int status = 0;
    if (waitpid(tid, &status, __WALL) < 0)
        die("ptrace", "waitpid");
}

namespace {

bool at_entry(pid_t tid, long number, long first_arg) {
    __ptrace_syscall_info info{};
    if (ptrace(PTRACE_GET_SYSCALL_INFO, tid, sizeof info, &info) < 0)
        die("ptrace", "PTRACE_GET_SYSCALL_INFO");
    return info.op == PTRACE_SYSCALL_INFO_ENTRY && info.entry.nr == static_cast<uint64_t>(number) &&
           (first_arg < 0 || info.entry.args[0] == static_cast<uint64_t>(first_arg));
}

} // namespace

bool stop_at_entry(pid_t tid, long number, long first_arg) {
    int pass = 0;
    for (;;) {
        if (ptrace(PTRACE_SYSCALL, tid, nullptr, pass) < 0)
            return false;
        int status = 0;
        if (waitpid(tid, &status, __WALL) < 0 || !WIFSTOPPED(status))
            return false;
        pass = 0;
        if (WSTOPSIG(status) == (SIGTRAP | 0x80)) {
            if (at_entry(tid, number, first_arg))
                return true;
        } else if (status >> 16 == 0) {
            pass = WSTOPSIG(status); // a signal on its way to the thread
        }
    }
}

} // namespace signal_tools
