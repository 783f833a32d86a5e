// SPDX-License-Identifier: MIT
// The one supervisor of the simulated services. Each service is declared by a drop-in file,
// sim/services.d/<name>.service, of "key=value" lines:
//   command=PROGRAM ARGS   what runs (through sh when it holds shell syntax); start's
//                          arguments follow it
//   setup=SHELL            run before each start
//   ready=socket PATH      ready once PATH accepts a connection
//   ready=file PATH        ready once PATH exists (removed before each start)
//   ready=command SHELL    ready once SHELL succeeds
//   boot=yes               started with the module
// A key written board.KEY (board.command=...) takes the place of KEY when the module runs
// on the emulated board, where the board's driver serves what the host simulates.
// A keeper process per service starts it, writes services/<name>.pid, waits for it and
// writes services/<name>.status ("stopped" after a stop, else "exited STATUS").
// readdir of a 32-bit build: 64-bit directory offsets, as the host's file systems give them.
#define _FILE_OFFSET_BITS 64
#include "simclient.h"

#include "common/local_socket.h"
#include "common/unique_fd.h"
#include "simctl.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <map>
#include <optional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace sim {

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kReadyTimeout = std::chrono::seconds(10);
constexpr auto kStopTimeout = std::chrono::seconds(5);
constexpr auto kPollPeriod = std::chrono::milliseconds(5);
constexpr char kBoardPrefix[] = "board.";

struct Declaration {
    std::string command;
    std::string setup;
    std::string ready;
    bool boot = false;
};

std::string declarations_dir() {
    const char *src = std::getenv("ORVO_SRC");
    return std::string(src ? src : ".") + "/sim/services.d";
}

std::optional<Declaration> declaration(const std::string &name) {
    if (name.empty() || name.find('/') != std::string::npos)
        return std::nullopt;
    std::ifstream in(declarations_dir() + "/" + name + ".service");
    if (!in)
        return std::nullopt;
    Declaration d;
    std::map<std::string, std::string> board;
    for (std::string line; std::getline(in, line);) {
        size_t equals = line.find('=');
        if (line.empty() || line[0] == '#' || equals == std::string::npos)
            continue;
        std::string key = line.substr(0, equals), value = line.substr(equals + 1);
        if (key.rfind(kBoardPrefix, 0) == 0) {
            board[key.substr(sizeof kBoardPrefix - 1)] = value;
            continue;
        }
        if (key == "command")
            d.command = value;
        else if (key == "setup")
            d.setup = value;
        else if (key == "ready")
            d.ready = value;
        else if (key == "boot")
            d.boot = value == "yes";
    }
    if (on_board()) {
        auto take = [&board](const char *key, std::string &field) {
            auto found = board.find(key);
            if (found != board.end())
                field = found->second;
        };
        take("command", d.command);
        take("setup", d.setup);
        take("ready", d.ready);
    }
    if (d.command.empty())
        return std::nullopt;
    return d;
}

std::string service_file(const std::string &name, const char *suffix) {
    return path("services/" + name + suffix);
}

bool has_shell_syntax(const std::string &text) {
    return text.find_first_of("$\"'`;|&<>(){}*?=\\") != std::string::npos;
}

std::vector<std::string> words_of(const std::string &text) {
    std::vector<std::string> words;
    size_t at = 0;
    while ((at = text.find_first_not_of(" \t", at)) != std::string::npos) {
        size_t end = text.find_first_of(" \t", at);
        words.push_back(text.substr(at, end == std::string::npos ? end : end - at));
        at = end;
    }
    return words;
}

// In the service's process: standard input from /dev/null, output into its files.
[[noreturn]] void exec_service(const std::string &name, const Declaration &d,
                               const std::vector<std::string> &args) {
    orvo::UniqueFd in = orvo::open_fd("/dev/null", O_RDONLY);
    orvo::UniqueFd out =
        orvo::open_fd(service_file(name, ".out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    orvo::UniqueFd err =
        orvo::open_fd(service_file(name, ".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(in.get(), STDIN_FILENO);
    dup2(out.get(), STDOUT_FILENO);
    dup2(err.get(), STDERR_FILENO);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    std::vector<std::string> argv;
    if (has_shell_syntax(d.command)) {
        argv = {"sh", "-c", "exec " + d.command + " \"$@\"", name};
    } else {
        argv = words_of(d.command);
    }
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char *> pointers;
    for (auto &arg : argv)
        pointers.push_back(arg.data());
    pointers.push_back(nullptr);
    execvp(pointers[0], pointers.data());
    _exit(127);
}

// Closes every descriptor above standard error: none of the starter's (a test's pipes, the
// terminal of a command substitution) may stay open in the keeper or the service.
void close_inherited() {
    std::vector<int> open;
    if (DIR *dir = opendir("/proc/self/fd")) {
        while (dirent *entry = readdir(dir)) {
            int fd = std::atoi(entry->d_name);
            if (fd > STDERR_FILENO && fd != dirfd(dir))
                open.push_back(fd);
        }
        closedir(dir);
    }
    for (int fd : open)
        close(fd);
}

// The keeper: its own session, so that no terminal signal of the starter reaches it, and
// standard input and output of its own, so that a starter reading its output sees the end.
[[noreturn]] void keep(const std::string &name, const Declaration &d,
                       const std::vector<std::string> &args) {
    setsid();
    close_inherited();
    orvo::UniqueFd null = orvo::open_fd("/dev/null", O_RDWR);
    for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO})
        dup2(null.get(), fd);
    if (null.get() > STDERR_FILENO)
        null.reset();
    else
        null.release(); // it is one of the three now
    pid_t pid = fork();
    if (pid < 0)
        _exit(1);
    if (pid == 0)
        exec_service(name, d, args);
    replace_file(service_file(name, ".pid"), std::to_string(pid) + "\n");
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    bool stopped = access(service_file(name, ".stopping").c_str(), F_OK) == 0;
    replace_file(service_file(name, ".status"),
                 stopped ? "stopped\n" : "exited " + std::to_string(code) + "\n");
    unlink(service_file(name, ".pid").c_str());
    _exit(0);
}

bool socket_accepts(const std::string &file) {
    for (int type : {SOCK_STREAM, SOCK_SEQPACKET}) {
        orvo::UniqueFd fd(socket(AF_UNIX, type | SOCK_CLOEXEC, 0));
        sockaddr_un address = orvo::local_address(file.c_str());
        if (fd && connect(fd.get(), orvo::as_sockaddr(address), sizeof address) == 0)
            return true;
    }
    return false;
}

bool shell_succeeds(const std::string &command) {
    pid_t pid = fork();
    if (pid == 0) {
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

bool is_ready(const std::string &ready) {
    size_t space = ready.find(' ');
    std::string kind = ready.substr(0, space);
    std::string what = space == std::string::npos ? "" : ready.substr(space + 1);
    if (kind == "socket")
        return socket_accepts(what);
    if (kind == "file")
        return access(what.c_str(), F_OK) == 0;
    if (kind == "command")
        return shell_succeeds(what);
    return true;
}

std::optional<std::string> read_status(const std::string &name) {
    auto text = read_file(service_file(name, ".status"));
    if (!text)
        return std::nullopt;
    return text->substr(0, text->find('\n'));
}

template <typename Condition> bool wait_for(Condition done, Clock::duration timeout) {
    auto end = Clock::now() + timeout;
    while (!done()) {
        if (Clock::now() > end)
            return false;
        std::this_thread::sleep_for(kPollPeriod);
    }
    return true;
}

// The pid file names the service while its keeper waits for it.
pid_t recorded_pid(const std::string &name) {
    auto text = read_file(service_file(name, ".pid"));
    return text ? static_cast<pid_t>(std::atoi(text->c_str())) : 0;
}

} // namespace

bool Service::start(const std::vector<std::string> &args) {
    error_.clear();
    auto d = declaration(name_);
    if (!d) {
        error_ = "no service " + name_;
        return false;
    }
    if (status() == "running")
        return true;
    mkdir(path("services").c_str(), 0755);
    for (const char *suffix : {".status", ".stopping", ".pid"})
        unlink(service_file(name_, suffix).c_str());
    if (d->ready.compare(0, 5, "file ") == 0)
        unlink(d->ready.substr(5).c_str());
    if (!d->setup.empty() && !shell_succeeds(d->setup)) {
        error_ = "the set-up of " + name_ + " failed";
        return false;
    }
    pid_t starter = fork();
    if (starter < 0) {
        error_ = "cannot fork";
        return false;
    }
    if (starter == 0) {
        if (fork() == 0)
            keep(name_, *d, args);
        _exit(0);
    }
    waitpid(starter, nullptr, 0);
    bool started = wait_for(
        [&] { return recorded_pid(name_) > 0 || read_status(name_).has_value(); }, kReadyTimeout);
    bool ready =
        started && wait_for([&] { return is_ready(d->ready) || read_status(name_).has_value(); },
                            kReadyTimeout);
    if (ready && is_ready(d->ready))
        return true;
    auto ended = read_status(name_);
    error_ = name_ + (ended ? " " + *ended + " before it was ready" : " did not get ready");
    return false;
}

bool Service::stop() {
    error_.clear();
    pid_t pid = recorded_pid(name_);
    if (pid <= 0 || read_status(name_))
        return true;
    write_file(service_file(name_, ".stopping"), "");
    ::kill(pid, SIGTERM);
    if (!wait_for([&] { return read_status(name_).has_value(); }, kStopTimeout)) {
        ::kill(pid, SIGKILL);
        if (!wait_for([&] { return read_status(name_).has_value(); }, kStopTimeout)) {
            error_ = name_ + " did not stop";
            return false;
        }
    }
    return true;
}

bool Service::restart(const std::vector<std::string> &args) {
    return stop() && start(args);
}

std::string Service::status() const {
    if (auto ended = read_status(name_))
        return *ended;
    pid_t pid = recorded_pid(name_);
    return pid > 0 && ::kill(pid, 0) == 0 ? "running" : "stopped";
}

pid_t Service::pid() const {
    return status() == "running" ? recorded_pid(name_) : 0;
}

bool Service::kill(int signal) {
    error_.clear();
    pid_t pid = this->pid();
    if (pid <= 0) {
        error_ = name_ + " is not running";
        return false;
    }
    ::kill(pid, signal);
    if (!wait_for([&] { return read_status(name_).has_value(); }, kStopTimeout)) {
        error_ = name_ + " did not end";
        return false;
    }
    return true;
}

std::string Service::output_file() const {
    return service_file(name_, ".out");
}

std::string Service::errors_file() const {
    return service_file(name_, ".err");
}

std::vector<std::string> service_names() {
    std::vector<std::string> names;
    DIR *dir = opendir(declarations_dir().c_str());
    if (!dir)
        return names;
    const std::string suffix = ".service";
    while (dirent *entry = readdir(dir)) {
        std::string file = entry->d_name;
        if (file.size() > suffix.size() &&
            file.compare(file.size() - suffix.size(), suffix.size(), suffix) == 0)
            names.push_back(file.substr(0, file.size() - suffix.size()));
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> boot_service_names() {
    std::vector<std::string> names;
    for (const std::string &name : service_names()) {
        if (auto d = declaration(name); d && d->boot)
            names.push_back(name);
    }
    return names;
}

} // namespace sim
