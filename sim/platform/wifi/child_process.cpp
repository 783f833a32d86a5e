// SPDX-License-Identifier: MIT
#include "child_process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace sim::wifi {
namespace {

// In the child, before exec: the namespace, the output, a clean signal state, no
// descriptors of the service.
[[noreturn]] void exec_child(const std::vector<std::string> &argv, const std::string &log,
                             int netns) {
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    signal(SIGPIPE, SIG_DFL);
    prctl(PR_SET_PDEATHSIG, SIGTERM); // none outlives the service
    if (netns >= 0 && setns(netns, CLONE_NEWNET) != 0)
        _exit(126);
    int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    int in = ::open("/dev/null", O_RDONLY);
    if (out < 0 || in < 0)
        _exit(126);
    dup2(in, 0);
    dup2(out, 1);
    dup2(out, 2);
    close_range(3, ~0U, 0);
    std::vector<char *> args;
    for (const std::string &arg : argv)
        args.push_back(const_cast<char *>(arg.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

bool ended(pid_t pid, int *status, int options) {
    pid_t got;
    while ((got = waitpid(pid, status, options)) < 0 && errno == EINTR) {
    }
    return got == pid || (got < 0 && errno == ECHILD);
}

void end(pid_t pid) {
    kill(pid, SIGTERM);
    int status = 0;
    for (int i = 0; i < 300; i++) {
        if (ended(pid, &status, WNOHANG))
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    ended(pid, &status, 0);
}

} // namespace

bool ChildProcess::start(const std::vector<std::string> &argv, const std::string &log, int netns) {
    stop();
    if (argv.empty())
        return false;
    pid_t pid = fork();
    if (pid < 0)
        return false;
    if (pid == 0)
        exec_child(argv, log, netns);
    pid_ = pid;
    return true;
}

void ChildProcess::stop() {
    if (pid_ > 0)
        end(pid_);
    pid_ = 0;
}

int ChildProcess::wait() {
    int status = 0;
    if (pid_ <= 0 || !ended(pid_, &status, 0))
        return -1;
    pid_ = 0;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool ChildProcess::running() {
    int status = 0;
    if (pid_ > 0 && ended(pid_, &status, WNOHANG))
        pid_ = 0;
    return pid_ > 0;
}

bool NetNamespace::open() {
    close();
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0)
        return false;
    orvo::UniqueFd reader(ready[0]), writer(ready[1]);
    pid_t pid = fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr); // the service blocks SIGTERM for itself
        char ok = unshare(CLONE_NEWNET) == 0 ? 1 : 0;
        if (write(writer.get(), &ok, 1) != 1 || !ok)
            _exit(1);
        writer.reset();
        // Until the service ends it, or ends itself.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        for (;;)
            pause();
    }
    pid_ = pid;
    writer.reset();
    char ok = 0;
    ssize_t n;
    while ((n = read(reader.get(), &ok, 1)) < 0 && errno == EINTR) {
    }
    if (n == 1 && ok)
        fd_ = orvo::open_fd(("/proc/" + std::to_string(pid) + "/ns/net").c_str(), O_RDONLY);
    if (!fd_)
        close();
    return fd_.valid();
}

void NetNamespace::close() {
    fd_.reset();
    if (pid_ > 0)
        end(pid_);
    pid_ = 0;
}

bool run_command(const std::vector<std::string> &argv, const std::string &log, int netns) {
    ChildProcess child;
    return child.start(argv, log, netns) && child.wait() == 0;
}

} // namespace sim::wifi
