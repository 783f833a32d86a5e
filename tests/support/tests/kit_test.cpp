// SPDX-License-Identifier: MIT
// The C++ test kit: every test's waits, fresh processes and captures rely on these.
#include "tests/support/kit.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

TEST(Eventually, HoldsOnceTheConditionDoesAndGivesUpAtTheDeadline) {
    int polls = 0;
    EXPECT_TRUE(testkit::eventually([&] { return ++polls == 3; }));
    EXPECT_EQ(polls, 3);

    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(testkit::eventually([] { return false; }, 100ms));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 100ms);
}

TEST(FreshProcess, GivesTheChildsExitStatus) {
    EXPECT_EQ(testkit::in_child([] { return 7; }), 7);
    pid_t pid = getpid();
    EXPECT_EQ(testkit::in_child([pid] { return getpid() == pid ? 1 : 0; }), 0);
    pid_t killed = testkit::spawn([] {
        raise(SIGKILL);
        return 0;
    });
    EXPECT_EQ(testkit::wait_exit(killed), -1);
}

TEST(FreshProcess, ACaseFailingInItsProcessFailsInTheTestToo) {
    EXPECT_NONFATAL_FAILURE(testkit::in_fresh_process([] { _exit(3); }),
                            "the case failed in its process");
}

TEST(Capture, OutputOfAChildOfAProgramAndOfACall) {
    testkit::Output child = testkit::output_of([] {
        std::printf("from the child\n");
        return 4;
    });
    EXPECT_EQ(child.status, 4);
    EXPECT_EQ(child.text, "from the child\n");

    testkit::Output program = testkit::run({"sh", "-c", "printf 'a b'; exit 2"});
    EXPECT_EQ(program.status, 2);
    EXPECT_EQ(program.text, "a b");
    EXPECT_EQ(testkit::run({"/nonexistent/program"}).status, 127);

    EXPECT_EQ(testkit::stdout_of([] { std::printf("said %d\n", 1); }), "said 1\n");
    EXPECT_EQ(testkit::stderr_of([] { std::fprintf(stderr, "warned\n"); }), "warned\n");
}

TEST(Lines, SplitAsTheyStandWithoutAnEmptyLastOne) {
    EXPECT_EQ(testkit::lines_of("a\n\nb"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(testkit::lines_of("a\n"), std::vector<std::string>{"a"});
    EXPECT_TRUE(testkit::lines_of("").empty());
    std::vector<std::string> lines{"x 1", "x 2", "y", "x 1"};
    EXPECT_EQ(testkit::count(lines, "x 1"), 2u);
    EXPECT_EQ(testkit::count_prefix(lines, "x "), 3u);
    EXPECT_TRUE(testkit::contains(lines, "y"));
    EXPECT_FALSE(testkit::contains(lines, "x"));
}

} // namespace
