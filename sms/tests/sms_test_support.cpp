#include "sms_test_support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace smstest {

Output run(const std::vector<std::string> &argv) {
    int pipes[2];
    if (pipe(pipes) != 0)
        return {-1, ""};
    pid_t pid = fork();
    if (pid == 0) {
        dup2(pipes[1], STDOUT_FILENO);
        close(pipes[0]);
        close(pipes[1]);
        std::vector<char *> args;
        for (const auto &arg : argv)
            args.push_back(const_cast<char *>(arg.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(pipes[1]);
    std::string text;
    char buf[4096];
    ssize_t n;
    while ((n = read(pipes[0], buf, sizeof buf)) > 0)
        text.append(buf, static_cast<size_t>(n));
    close(pipes[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text};
}

int deliver(const std::vector<std::string> &args) {
    std::vector<std::string> argv{"orvo-smsctl", "deliver"};
    argv.insert(argv.end(), args.begin(), args.end());
    Output out = run(argv);
    return out.status == 0 ? std::atoi(out.text.c_str()) : -1;
}

std::vector<std::string> service_calls() {
    std::ifstream in("/run/orvo-sim/calls");
    std::vector<std::string> calls;
    const std::string prefix = "liborvo-sms ";
    for (std::string line; std::getline(in, line);) {
        if (line.compare(0, prefix.size(), prefix) == 0)
            calls.push_back(line.substr(prefix.size()));
    }
    return calls;
}

void clear_calls() {
    std::ofstream("/run/orvo-sim/calls", std::ios::trunc);
}

void reset_service() {
    std::error_code ignored;
    for (const auto &entry :
         std::filesystem::directory_iterator("/run/orvo-sim/sms/store", ignored))
        std::filesystem::remove(entry.path(), ignored);
    std::filesystem::remove("/run/orvo-sim/sms/outbox", ignored);
}

void fail(const std::string &call, int code) {
    std::ofstream("/run/orvo-sim/fail/" + call) << code << "\n";
}

void unfail(const std::string &call) {
    unlink(("/run/orvo-sim/fail/" + call).c_str());
}

bool wake_lock_held(const std::string &name) {
    std::ifstream in("/sys/power/wake_lock");
    std::string held;
    while (in >> held) {
        if (held == name)
            return true;
    }
    return false;
}

} // namespace smstest
