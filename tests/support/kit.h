/* SPDX-License-Identifier: MIT */
// The test kit: waits with a deadline, fresh processes, output capture and line lists,
// shared by every C++ test. Tests reach the simulated module through sim/client only.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace testkit {

using namespace std::chrono_literals;

// Deadlines only guard against a hung test; nothing here measures time.
constexpr std::chrono::milliseconds kPatience = 20s;

// Polls the condition every few milliseconds until it holds; false once the deadline has
// passed and it still does not.
bool eventually(const std::function<bool()> &condition,
                std::chrono::milliseconds deadline = kPatience);

// A fresh process: runs body in a forked child that exits with body's result.
pid_t spawn(const std::function<int()> &body);

// The child's exit status, or -1 when it did not exit normally.
int wait_exit(pid_t pid);

// spawn and wait_exit in one.
int in_child(const std::function<int()> &body);

// Runs a GoogleTest case's body in a child; a failure there fails the case.
void in_fresh_process(const std::function<void()> &body);

struct Output {
    int status; // exit status, -1 when the child did not exit normally
    std::string text;
};

// Output capture of a child: the standard output of body run in a fresh process.
Output output_of(const std::function<int()> &body);

// Runs a program with its arguments as given (no shell); its standard output.
Output run(const std::vector<std::string> &argv);

// Output capture of a call: what this process writes on standard output (standard error)
// while action runs.
std::string stdout_of(const std::function<void()> &action);
std::string stderr_of(const std::function<void()> &action);

// Standard output of this process written while it lives.
class StdoutCapture {
  public:
    StdoutCapture();
    ~StdoutCapture();
    std::string take(); // what was written; ends the capture

  private:
    bool taken_ = false;
};

std::string read_file(const std::string &path);
// The names the kernel holds as wake locks (/sys/power/wake_lock), in its order.
std::vector<std::string> held_wake_locks();
void write_file(const std::string &path, const std::string &text);

std::vector<std::string> lines_of(const std::string &text);
bool contains(const std::vector<std::string> &lines, const std::string &line);
size_t count(const std::vector<std::string> &lines, const std::string &line);
size_t count_prefix(const std::vector<std::string> &lines, const std::string &prefix);

} // namespace testkit
