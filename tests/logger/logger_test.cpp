// SPDX-License-Identifier: MIT
// The logger stand-in inside a simulated module: one line per message in the system log.
#include "log_capture.h"
#include "orvo_log.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <thread>
#include <unistd.h>

TEST(Logger, OneLinePerMessageWithTagAndLevel) {
    logcap::clear();
    orvo_log_function_t log = orvo_log_function_init("LIBORVO_AUTOSUSPEND");
    ASSERT_NE(log, nullptr);
    log(3, "Data sent: %s\n", "enable");
    log(3, "do_wakelock failed, err:%d", -5);
    log(1, "two\nlines\n");
    auto lines = logcap::lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "LIBORVO_AUTOSUSPEND 3 Data sent: enable");
    EXPECT_EQ(lines[1], "LIBORVO_AUTOSUSPEND 3 do_wakelock failed, err:-5");
    EXPECT_EQ(lines[2], "LIBORVO_AUTOSUSPEND 1 two\\nlines");
    EXPECT_EQ(logcap::formats(),
              (std::vector<std::string>{"LIBORVO_AUTOSUSPEND 3 Data sent: %s\\n",
                                        "LIBORVO_AUTOSUSPEND 3 do_wakelock failed, err:%d",
                                        "LIBORVO_AUTOSUSPEND 1 two\\nlines\\n"}));
}

TEST(Logger, EachTagKeepsItsOwnLogger) {
    logcap::clear();
    orvo_log_function_t a = orvo_log_function_init("ORVO_AT_COMMON");
    orvo_log_function_t b = orvo_log_function_init("ORVO_KESL_SMS");
    EXPECT_NE(a, b);
    EXPECT_EQ(a, orvo_log_function_init("ORVO_AT_COMMON"));
    b(4, "from sms");
    a(4, "from at");
    auto lines = logcap::lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "ORVO_KESL_SMS 4 from sms");
    EXPECT_EQ(lines[1], "ORVO_AT_COMMON 4 from at");
}

TEST(Logger, ManyTagsAllGetAUsableLogger) {
    for (int i = 0; i < 100; ++i) {
        std::string tag = "TAG" + std::to_string(i);
        orvo_log_function_t log = orvo_log_function_init(tag.c_str());
        ASSERT_NE(log, nullptr);
        log(3, "hello %d", i);
    }
    EXPECT_NE(orvo_log_function_init(nullptr), nullptr);
}

TEST(Logger, ConcurrentWritersNeverMixLines) {
    logcap::clear();
    orvo_log_function_t log = orvo_log_function_init("CONCURRENT");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([log, t] {
            for (int i = 0; i < 200; ++i)
                log(3, "thread %d message %d with some padding text\n", t, i);
        });
    for (auto &thread : threads)
        thread.join();
    auto lines = logcap::lines("CONCURRENT");
    ASSERT_EQ(lines.size(), 800u);
    for (const auto &line : lines)
        EXPECT_NE(line.find(" with some padding text"), std::string::npos) << line;
}

TEST(Logger, NothingOnStandardOutput) {
    fflush(stdout);
    int saved = dup(STDOUT_FILENO);
    int pipes[2];
    ASSERT_EQ(pipe(pipes), 0);
    dup2(pipes[1], STDOUT_FILENO);
    orvo_log_function_init("QUIET")(3, "not on stdout\n");
    fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(pipes[1]);
    char buf[64];
    EXPECT_EQ(read(pipes[0], buf, sizeof buf), 0);
    close(pipes[0]);
    close(saved);
}
