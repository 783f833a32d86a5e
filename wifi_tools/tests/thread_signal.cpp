// SPDX-License-Identifier: MIT
// thread-signal PID NAME SIGNAL: sends SIGNAL to the thread of process PID named NAME alone
// (tgkill), so that the handler runs on that thread beside the main thread, and holds the
// thread for 300 ms as it enters its first write to standard output (the handler's first
// line). Whatever the handler did before that write, the main thread can act on meanwhile.
// Exit status 1 when no such thread exists.
#include "ptrace_stops.h"

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <string>
#include <sys/ptrace.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

pid_t thread_named(pid_t pid, const std::string &name) {
    std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR *dir = opendir(tasks.c_str());
    if (!dir)
        return 0;
    pid_t found = 0;
    while (dirent *entry = readdir(dir)) {
        std::ifstream comm(tasks + "/" + entry->d_name + "/comm");
        std::string line;
        if (std::getline(comm, line) && line == name) {
            found = std::atoi(entry->d_name);
            break;
        }
    }
    closedir(dir);
    return found;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: thread-signal PID NAME SIGNAL\n");
        return 2;
    }
    pid_t pid = std::atoi(argv[1]);
    pid_t tid = thread_named(pid, argv[2]);
    if (tid == 0) {
        std::fprintf(stderr, "thread-signal: no thread %s in %d\n", argv[2], pid);
        return 1;
    }
    signal_tools::seize(tid);
    if (syscall(SYS_tgkill, pid, tid, std::atoi(argv[3])) != 0)
        signal_tools::die("thread-signal", "tgkill");
    // A process that ends meanwhile (its main thread not waiting for the handler) is what
    // the test looks for: nothing more to hold then.
    if (signal_tools::stop_at_entry(tid, SYS_write, STDOUT_FILENO)) {
        usleep(300000);
        ptrace(PTRACE_DETACH, tid, nullptr, nullptr);
    }
    return 0;
}
