// signal-window PID SIGNAL: sends SIGNAL to process PID while its main thread holds it back,
// between the stop-flag check and the wait for input. The main thread alone is traced and
// stopped as it enters ppoll, with the console's hold still in force; the signal is sent
// then, and the thread let go 300 ms later, so that any other thread that may take the
// signal has done so. Exit status 0 when the signal was sent in that window.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <sys/ptrace.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

[[noreturn]] void die(const char *what) {
    std::fprintf(stderr, "signal-window: %s: %s\n", what, std::strerror(errno));
    std::exit(2);
}

// The thread's blocked signals, from its SigBlk line.
unsigned long long blocked_signals(pid_t tid) {
    std::ifstream status("/proc/" + std::to_string(tid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("SigBlk:", 0) == 0)
            return std::stoull(line.substr(7), nullptr, 16);
    return 0;
}

bool at_ppoll_entry(pid_t tid) {
    __ptrace_syscall_info info{};
    if (ptrace(PTRACE_GET_SYSCALL_INFO, tid, sizeof info, &info) < 0)
        die("PTRACE_GET_SYSCALL_INFO");
    return info.op == PTRACE_SYSCALL_INFO_ENTRY && info.entry.nr == SYS_ppoll;
}

// Runs the thread from stop to stop until it enters ppoll; signals it gets pass on.
void stop_at_ppoll_entry(pid_t tid) {
    int pass = 0;
    for (;;) {
        if (ptrace(PTRACE_SYSCALL, tid, nullptr, pass) < 0)
            die("PTRACE_SYSCALL");
        int status = 0;
        if (waitpid(tid, &status, __WALL) < 0)
            die("waitpid");
        if (!WIFSTOPPED(status)) {
            std::fprintf(stderr, "signal-window: the process ended\n");
            std::exit(2);
        }
        pass = 0;
        if (WSTOPSIG(status) == (SIGTRAP | 0x80)) {
            if (at_ppoll_entry(tid))
                return;
        } else if (status >> 16 == 0) {
            pass = WSTOPSIG(status); // a signal on its way to the thread
        }
    }
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: signal-window PID SIGNAL\n");
        return 2;
    }
    pid_t pid = std::atoi(argv[1]);
    int signum = std::atoi(argv[2]);
    if (ptrace(PTRACE_SEIZE, pid, nullptr, PTRACE_O_TRACESYSGOOD) < 0)
        die("PTRACE_SEIZE");
    if (ptrace(PTRACE_INTERRUPT, pid, nullptr, nullptr) < 0)
        die("PTRACE_INTERRUPT");
    int status = 0;
    if (waitpid(pid, &status, __WALL) < 0)
        die("waitpid");
    stop_at_ppoll_entry(pid);
    bool held = blocked_signals(pid) & (1ULL << (signum - 1));
    if (held)
        kill(pid, signum);
    usleep(300000);
    if (ptrace(PTRACE_DETACH, pid, nullptr, nullptr) < 0)
        die("PTRACE_DETACH");
    if (!held) {
        std::fprintf(stderr, "signal-window: signal %d not held at ppoll\n", signum);
        return 1;
    }
    return 0;
}
