// Helpers for the tests that run inside a simulated module against the simulated service.
#pragma once

#include "simclient.h"
#include "tests/logger/log_capture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <dirent.h>
#include <functional>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace testsupport {

// Runs a request of the simulated service (sim::autosuspend); gives its answer's lines.
inline std::vector<std::string> service(const std::string &request) {
    sim::Reply reply = sim::autosuspend(request);
    EXPECT_TRUE(reply.ok) << request << ": " << reply.text;
    std::vector<std::string> lines;
    std::istringstream in(reply.text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

inline std::vector<std::string> journal() {
    return service("show");
}

inline bool contains(const std::vector<std::string> &lines, const std::string &line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

inline long count(const std::vector<std::string> &lines, const std::string &line) {
    return std::count(lines.begin(), lines.end(), line);
}

inline std::vector<std::string> without(std::vector<std::string> lines, const std::string &line) {
    lines.erase(std::remove(lines.begin(), lines.end(), line), lines.end());
    return lines;
}

// The library's log lines without tag and level; any other level fails the test.
inline std::vector<std::string> library_log() {
    std::vector<std::string> texts;
    const std::string prefix = "LIBORVO_AUTOSUSPEND 3 ";
    for (const auto &line : logcap::lines("LIBORVO_AUTOSUSPEND")) {
        EXPECT_EQ(line.compare(0, prefix.size(), prefix), 0) << line;
        texts.push_back(line.substr(prefix.size()));
    }
    return texts;
}

// Polls until the condition holds; false after a generous deadline.
inline bool eventually(const std::function<bool()> &condition, int seconds = 10) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

inline int open_descriptors() {
    int n = 0;
    if (DIR *dir = opendir("/proc/self/fd")) {
        while (readdir(dir) != nullptr)
            ++n;
        closedir(dir);
    }
    return n;
}

// The library connects once per process and never disconnects, so each case runs in a
// child of a test process that never connected.
inline void in_fresh_process(const std::function<void()> &body) {
    std::fflush(stdout);
    pid_t pid = fork();
    if (pid == 0) {
        body();
        std::fflush(stdout);
        _exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "the case failed in its process (status " << status << ")";
}

// A fresh service (listening, automatic suspend off, no channels), empty journal and log.
class ServiceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        service("reset");
        // Only scripted records reach the library: no suspend within a test's time.
        service("timing 60000 60000");
        service("clear");
        logcap::clear();
    }
};

} // namespace testsupport
