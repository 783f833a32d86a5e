/* SPDX-License-Identifier: MIT */
// Helpers for the tests that run inside a simulated module against the simulated service.
#pragma once

#include "simclient.h"
#include "tests/logger/log_capture.h"
#include "tests/support/kit.h"

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
#include <thread>
#include <unistd.h>
#include <vector>

namespace testsupport {

using testkit::contains;
using testkit::count;
using testkit::eventually;
// The library connects once per process and never disconnects, so each case runs in a
// fresh process of a test program that never connected.
using testkit::in_fresh_process;

// Runs a request of the simulated service (sim::autosuspend); gives its answer's lines.
inline std::vector<std::string> service(const std::string &request) {
    sim::Reply reply = sim::autosuspend(request);
    EXPECT_TRUE(reply.ok) << request << ": " << reply.text;
    return testkit::lines_of(reply.text);
}

inline std::vector<std::string> journal() {
    return service("show");
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

inline int open_descriptors() {
    int n = 0;
    if (DIR *dir = opendir("/proc/self/fd")) {
        while (readdir(dir) != nullptr)
            ++n;
        closedir(dir);
    }
    return n;
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
