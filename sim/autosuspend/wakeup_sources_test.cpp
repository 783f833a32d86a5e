// SPDX-License-Identifier: MIT
// What woke the board and what held it awake, from two readings of the kernel's table.
#include "wakeup_sources.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

using sim::autosuspend::read_wakeup_sources;
using sim::autosuspend::Sources;

const char kHeader[] = "name\t\tactive_count\tevent_count\twakeup_count\texpire_count\t"
                       "active_since\ttotal_time\tmax_time\tlast_change\tprevent_suspend_time\n";

Sources reading(const std::string &rows) {
    char path[] = "/tmp/wakeup_sources_test.XXXXXX";
    int fd = mkstemp(path);
    std::string text = kHeader + rows;
    EXPECT_EQ(static_cast<ssize_t>(text.size()), write(fd, text.data(), text.size()));
    close(fd);
    Sources sources = read_wakeup_sources(path);
    unlink(path);
    return sources;
}

TEST(WakeupSources, TheRowsAsTheKernelListsThem) {
    Sources sources = reading("9010000.pl031\t0\t3\t2\t0\t0\t0\t0\t100\t0\n"
                              "nvrpc_lock\t\t4\t4\t0\t0\t250\t900\t400\t120\t0\n"
                              "bad row\n");
    ASSERT_EQ(2u, sources.size());
    EXPECT_EQ(2u, sources["9010000.pl031"].wakeups);
    EXPECT_FALSE(sources["9010000.pl031"].active);
    EXPECT_EQ(900, sources["nvrpc_lock"].total_ms);
    EXPECT_TRUE(sources["nvrpc_lock"].active);
}

// Across a sleep: only a source whose wake-up count rose woke it, new ones included; a lock
// taken after the resume (events, no wake-ups) did not.
TEST(WakeupSources, WhatWokeIt) {
    Sources before = reading("rtc\t0\t3\t2\t0\t0\t0\t0\t0\t0\n"
                             "app\t1\t1\t0\t0\t0\t10\t10\t0\t0\n");
    Sources after = reading("rtc\t0\t4\t3\t0\t0\t0\t0\t0\t0\n"
                            "app\t2\t2\t0\t0\t5\t15\t10\t0\t0\n"
                            "[timerfd]\t1\t1\t1\t0\t0\t3\t3\t0\t0\n");
    EXPECT_EQ("[timerfd],rtc", sim::autosuspend::woke(before, after));
    EXPECT_EQ("-", sim::autosuspend::woke(after, after));
}

// Across an awake period: sources active at either end or active for a while between.
TEST(WakeupSources, WhatHeldItAwake) {
    Sources woke = reading("a\t1\t1\t0\t0\t7\t50\t50\t0\t0\n"
                           "b\t1\t1\t0\t0\t0\t20\t20\t0\t0\n"
                           "c\t1\t1\t0\t0\t0\t20\t20\t0\t0\n");
    Sources slept = reading("a\t1\t1\t0\t0\t0\t60\t60\t0\t0\n"
                            "b\t2\t2\t0\t0\t0\t45\t25\t0\t0\n"
                            "c\t1\t1\t0\t0\t0\t20\t20\t0\t0\n"
                            "d\t1\t1\t0\t0\t3\t3\t3\t0\t0\n");
    EXPECT_EQ("a,b,d", sim::autosuspend::held(woke, slept));
}

} // namespace
