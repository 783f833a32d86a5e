// SPDX-License-Identifier: MIT
// The low-power-mode monitor on the simulated kernel's xp2xp_state attribute.
#include "liborvo-kesl-autosuspend.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <dirent.h>
#include <mutex>
#include <thread>
#include <vector>

namespace {

std::mutex g_mutex;
std::vector<int> g_first_calls;  // guarded by g_mutex
std::vector<int> g_second_calls; // guarded by g_mutex

void first_handler(int edge_state) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_first_calls.push_back(edge_state);
}

void second_handler(int edge_state) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_second_calls.push_back(edge_state);
}

std::vector<int> first_calls() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_first_calls;
}

std::vector<int> second_calls() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_second_calls;
}

size_t thread_count() {
    size_t count = 0;
    if (DIR *dir = opendir("/proc/self/task")) {
        while (dirent *entry = readdir(dir))
            count += entry->d_name[0] != '.';
        closedir(dir);
    }
    return count;
}

class Monitor : public ::testing::Test {
  protected:
    void SetUp() override {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_first_calls.clear();
        g_second_calls.clear();
        logcap::clear();
    }
    // A cancelled monitor ends a little later; the next test starts without it.
    void TearDown() override {
        if (g_init_flag)
            kesl_lpm_deinit();
        expect_monitor_gone();
    }
    int start(kesl_lpm_handler_t handler, void *config = nullptr) {
        int result = kesl_lpm_init(handler, config);
        if (result == 0)
            threads_with_monitor_ = thread_count();
        return result;
    }
    void expect_monitor_gone() {
        if (threads_with_monitor_ > 0) {
            EXPECT_TRUE(
                testkit::eventually([&] { return thread_count() == threads_with_monitor_ - 1; }));
        }
        threads_with_monitor_ = 0;
    }
    size_t threads_with_monitor_ = 0;
};

TEST_F(Monitor, OnlyReadsOfFiveAndSixBytesCallTheHandler) {
    ASSERT_EQ(start(first_handler), 0);
    EXPECT_EQ(g_init_flag, 1);
    EXPECT_EQ(g_lpm_handler, first_handler);
    support::kernel_control("edge 1");
    support::kernel_control("edge 0");
    support::kernel_control("xp2xp 4");
    support::kernel_control("xp2xp 7");
    support::kernel_control("edge 1");
    ASSERT_TRUE(testkit::eventually([] { return first_calls().size() == 3; }));
    EXPECT_EQ(first_calls(), (std::vector<int>{1, 0, 1}));
    auto lines = logcap::lines("ORVO_KESL_AUTOSUSPEND");
    for (int length : {6, 5, 4, 7})
        EXPECT_TRUE(support::contains(lines, "ORVO_KESL_AUTOSUSPEND 1 xp2xp_state ret = " +
                                                 std::to_string(length)));
}

TEST_F(Monitor, OneMonitorAtATimeAndANewOneAfterDeinit) {
    EXPECT_EQ(kesl_lpm_init(nullptr, nullptr), -6);
    EXPECT_EQ(g_init_flag, 0);
    EXPECT_EQ(kesl_lpm_deinit(), -1);
    EXPECT_TRUE(support::contains(logcap::lines(), "ORVO_KESL_AUTOSUSPEND 1 g_init_flag is error"));

    int config[4] = {50, 0, 0, 0};
    ASSERT_EQ(start(first_handler, config), 0);
    // Let the monitor reach its blocking read.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    logcap::clear();
    EXPECT_EQ(kesl_lpm_init(second_handler, config), -1);
    EXPECT_EQ(g_lpm_handler, first_handler);
    EXPECT_TRUE(support::contains(logcap::lines(), "ORVO_KESL_AUTOSUSPEND 1 g_init_flag is error"));

    EXPECT_EQ(kesl_lpm_deinit(), 0);
    EXPECT_EQ(g_init_flag, 0);
    EXPECT_TRUE(support::contains(logcap::lines(), "ORVO_KESL_AUTOSUSPEND 1 pthread cancel "
                                                   "success, lpm deinit success"));

    // The cancelled thread ends; had it survived, it would take the edge below.
    expect_monitor_gone();
    ASSERT_EQ(start(second_handler, config), 0);
    support::kernel_control("edge 0");
    ASSERT_TRUE(testkit::eventually([] { return second_calls().size() == 1; }));
    EXPECT_EQ(second_calls(), std::vector<int>{0});
    EXPECT_TRUE(first_calls().empty());
}

TEST_F(Monitor, AFailingAttributeIsRetriedAtAPaceAndRecovers) {
    support::kernel_control("fail xp2xp_state 5");
    ASSERT_EQ(start(first_handler), 0);
    const std::string failed = "ORVO_KESL_AUTOSUSPEND 1 xp2xp_state ret = -1";
    ASSERT_TRUE(
        testkit::eventually([&] { return support::count_prefix(logcap::lines(), failed) >= 3; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    // A loop without its pause would log thousands of lines here.
    EXPECT_LT(support::count_prefix(logcap::lines(), failed), 50u);
    EXPECT_TRUE(first_calls().empty());

    support::kernel_control("unfail xp2xp_state");
    support::kernel_control("edge 1");
    ASSERT_TRUE(testkit::eventually([] { return first_calls().size() == 1; }));
    EXPECT_EQ(first_calls(), std::vector<int>{1});
}

} // namespace
