// SPDX-License-Identifier: MIT
// The sleep timeline from a service's journal: one period per sleep and per awake time
// between two, their causes in the tooltips, awake time credited to each holder.
#include "../timeline.h"

#include <gtest/gtest.h>

#include <string>

namespace {

int count(const std::string &text, const std::string &part) {
    int n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

const char kJournal[] = "cmd 1 connected\n"
                        "suspend 1000 3000 to 1\n"
                        "cause 1000 3000 woken_by rtc0 held_by -\n"
                        "suspend 3500 5000 to 1\n"
                        "cause 3500 5000 woken_by alarmtimer held_by nvrpc_lock,sms_read\n"
                        "data 2 7 8\n"
                        "suspend 6000 9000 to 0\n"
                        "cause 6000 9000 woken_by - held_by <odd>&name\n";

TEST(Timeline, APeriodPerSleepAndPerAwakeTimeBetween) {
    std::string svg = sim::ctl::timeline_svg(kJournal);
    EXPECT_EQ(0u, svg.find("<svg "));
    EXPECT_EQ(5, count(svg, "<rect "));
    EXPECT_EQ(3, count(svg, "<title>asleep "));
    EXPECT_NE(std::string::npos, svg.find("3 sleeps from 1000 to 9000 ms"));
    EXPECT_NE(std::string::npos, svg.find("asleep 81.2%")); // 6500 of 8000 ms
    EXPECT_EQ(std::string::npos, svg.find("from 2,")) << "only suspend and cause lines count";
}

TEST(Timeline, CausesInTheTooltips) {
    std::string svg = sim::ctl::timeline_svg(kJournal);
    EXPECT_NE(std::string::npos,
              svg.find("<title>asleep 2000 ms from 1000, woken by rtc0</title>"));
    EXPECT_NE(std::string::npos,
              svg.find("<title>awake 500 ms, held by nvrpc_lock,sms_read</title>"));
    EXPECT_NE(std::string::npos, svg.find("held by &lt;odd&gt;&amp;name</title>"));
}

TEST(Timeline, AwakeTimePerHolderMostFirst) {
    std::string svg = sim::ctl::timeline_svg(kJournal);
    std::size_t odd = svg.find(">1000  &lt;odd&gt;&amp;name<");
    std::size_t nv = svg.find(">500  nvrpc_lock<");
    std::size_t sms = svg.find(">500  sms_read<");
    ASSERT_NE(std::string::npos, odd);
    ASSERT_NE(std::string::npos, nv);
    ASSERT_NE(std::string::npos, sms);
    EXPECT_LT(odd, nv);
}

// Sleeps known only from their suspend lines (the simulated cycle gives no causes).
TEST(Timeline, SleepsWithoutCauses) {
    std::string svg = sim::ctl::timeline_svg("suspend 0 300 to 1\nsuspend 500 800 to 1\n");
    EXPECT_EQ(3, count(svg, "<rect "));
    EXPECT_NE(std::string::npos, svg.find("woken by -"));
    EXPECT_EQ(std::string::npos, svg.find("ms  ")) << "no holders to list";
}

TEST(Timeline, AnEmptyJournalIsAnEmptyPicture) {
    std::string svg = sim::ctl::timeline_svg("");
    EXPECT_EQ(0, count(svg, "<rect "));
    EXPECT_NE(std::string::npos, svg.find("</svg>"));
}

} // namespace
