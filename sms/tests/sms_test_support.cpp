#include "sms_test_support.h"

#include "simclient.h"

#include <cstdlib>
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
    sim::SmsDelivery message;
    size_t i = 0;
    for (; i + 1 < args.size() && args[i].compare(0, 2, "--") == 0; i += 2) {
        if (args[i] == "--format")
            message.format = std::stoi(args[i + 1]);
        else
            message.length = std::stoi(args[i + 1]);
    }
    message.sender = args.at(i);
    message.text = args.at(i + 1);
    if (args.size() == i + 4) {
        message.part_index = std::stoi(args[i + 2]);
        message.part_total = std::stoi(args[i + 3]);
    }
    return sim::sms_deliver(message);
}

std::vector<std::string> service_calls() {
    std::vector<std::string> calls;
    const std::string prefix = "liborvo-sms ";
    for (const std::string &line : sim::calls()) {
        if (line.compare(0, prefix.size(), prefix) == 0)
            calls.push_back(line.substr(prefix.size()));
    }
    return calls;
}

void clear_calls() { sim::clear_calls(); }

void reset_service() { sim::sms_clear(); }

void fail(const std::string &call, int code) { sim::fail(call, code); }

void unfail(const std::string &call) { sim::unfail(call); }

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
