// SPDX-License-Identifier: MIT
// The client API against a simulated module: the one failure grammar and its count-down
// under concurrency, the supervisor's lifecycle, the kernel's control file and one-line text.
#include "simclient.h"
#include "simctl.h"
#include "simfail.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

TEST(FailureGrammar, CodeAndOptionalCount) {
    orvo_sim_script script{};
    ASSERT_EQ(orvo_sim_script_parse("-3", &script), 0);
    EXPECT_EQ(script.code, -3);
    EXPECT_EQ(script.count, -1);
    ASSERT_EQ(orvo_sim_script_parse("0x16 2\n", &script), 0);
    EXPECT_EQ(script.code, 22);
    EXPECT_EQ(script.count, 2);
    EXPECT_EQ(orvo_sim_script_take(&script), 22);
    EXPECT_EQ(orvo_sim_script_take(&script), 22);
    EXPECT_EQ(orvo_sim_script_take(&script), 0);
    for (const char *bad : {"", "x", "5 0", "5 -1", "5 2 3", "5 two", "99999999999"})
        EXPECT_EQ(orvo_sim_script_parse(bad, &script), -1) << bad;
}

TEST(FailureGrammar, ForEverUntilUnfailed) {
    ASSERT_TRUE(sim::fail("test_call", -7));
    EXPECT_EQ(orvo_sim_fail("test_call"), -7);
    EXPECT_EQ(orvo_sim_fail("test_call"), -7);
    ASSERT_TRUE(sim::unfail("test_call"));
    EXPECT_EQ(orvo_sim_fail("test_call"), 0);
    EXPECT_FALSE(sim::fail("../calls", 1));
}

// Several processes of two threads each count the same script down: exactly COUNT calls fail.
TEST(FailureGrammar, CountedDownOnceByConcurrentCallers) {
    constexpr int kProcesses = 4, kThreads = 2, kCalls = 150, kCount = 500;
    ASSERT_TRUE(sim::fail("counted_call", 9, kCount));
    std::vector<pid_t> children;
    int pipes[2];
    ASSERT_EQ(pipe(pipes), 0);
    for (int p = 0; p < kProcesses; ++p) {
        pid_t pid = fork();
        if (pid == 0) {
            std::atomic<int> failed{0};
            std::vector<std::thread> threads;
            for (int t = 0; t < kThreads; ++t)
                threads.emplace_back([&] {
                    for (int i = 0; i < kCalls; ++i)
                        failed += orvo_sim_fail("counted_call") == 9;
                });
            for (auto &thread : threads)
                thread.join();
            int n = failed;
            _exit(write(pipes[1], &n, sizeof n) == sizeof n ? 0 : 1);
        }
        children.push_back(pid);
    }
    int total = 0;
    for (pid_t pid : children) {
        int n = 0;
        ASSERT_EQ(read(pipes[0], &n, sizeof n), static_cast<ssize_t>(sizeof n));
        total += n;
        waitpid(pid, nullptr, 0);
    }
    close(pipes[0]);
    close(pipes[1]);
    EXPECT_EQ(total, kCount);
    EXPECT_EQ(orvo_sim_fail("counted_call"), 0);
}

TEST(Supervisor, StopStartKillAndStatus) {
    sim::Service wifi("wifi");
    ASSERT_EQ(wifi.status(), "running");
    pid_t first = wifi.pid();
    EXPECT_GT(first, 0);
    ASSERT_TRUE(wifi.stop()) << wifi.error();
    EXPECT_EQ(wifi.status(), "stopped");
    EXPECT_EQ(wifi.pid(), 0);
    ASSERT_TRUE(wifi.start()) << wifi.error();
    EXPECT_EQ(wifi.status(), "running");
    EXPECT_NE(wifi.pid(), first);
    ASSERT_TRUE(wifi.kill(SIGKILL)) << wifi.error();
    EXPECT_EQ(wifi.status(), "exited 137");
    ASSERT_TRUE(wifi.restart()) << wifi.error();
    EXPECT_EQ(wifi.status(), "running");
    sim::Service unknown("no_such_service");
    EXPECT_FALSE(unknown.start());
    EXPECT_EQ(unknown.status(), "stopped");
}

// A starter whose output is read (a command substitution, a test's pipe) ends for its reader
// when it exits, though the service it started runs on.
TEST(Supervisor, StartersOutputEndsWithTheStarter) {
    sim::Service modemcore("modemcore");
    ASSERT_TRUE(modemcore.stop());
    int pipes[2];
    ASSERT_EQ(pipe(pipes), 0);
    pid_t starter = fork();
    if (starter == 0) {
        dup2(pipes[1], STDOUT_FILENO);
        close(pipes[0]);
        _exit(modemcore.start() ? 0 : 1);
    }
    close(pipes[1]);
    pollfd end{pipes[0], POLLIN, 0};
    ASSERT_EQ(poll(&end, 1, 5000), 1) << "the service holds the starter's output open";
    char byte;
    EXPECT_EQ(read(pipes[0], &byte, 1), 0);
    close(pipes[0]);
    int status = -1;
    ASSERT_EQ(waitpid(starter, &status, 0), starter);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(modemcore.status(), "running");
    EXPECT_TRUE(modemcore.stop());
}

TEST(Supervisor, EveryDeclaredServiceAnswers) {
    auto names = sim::service_names();
    for (const char *name : {"autosuspend", "modemcore", "nvservice", "paramlinkd", "sms", "wifi"})
        EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
    EXPECT_EQ(sim::boot_service_names(), (std::vector<std::string>{"autosuspend", "sms", "wifi"}));
    for (const auto &name : sim::boot_service_names())
        EXPECT_EQ(sim::Service(name).status(), "running") << name;
    EXPECT_EQ(sim::Service("paramlinkd").status(), "stopped");
}

// A control line the kernel cannot read is refused, and the kernel goes on serving.
TEST(KernelControl, BadLinesAreRefusedNotFatal) {
    EXPECT_FALSE(sim::kernel_control("xp2xp lots"));
    EXPECT_FALSE(sim::kernel_control("fail gmac_power"));
    EXPECT_FALSE(sim::kernel_control("fail gmac_power EIO"));
    EXPECT_TRUE(sim::kernel_fail("gmac_power", 5, 1));
    EXPECT_TRUE(sim::kernel_unfail("gmac_power"));
    EXPECT_TRUE(sim::kernel_edge(1));
}

} // namespace

// The wait ends at its time, not at a signal, and the hold keeps the alarm's event pending.
TEST(WakeAlarm, WaitsItsWholeTimeThroughSignals) {
    struct sigaction quiet {};
    quiet.sa_handler = [](int) {};
    sigaction(SIGUSR1, &quiet, nullptr);
    pthread_t waiter = pthread_self();
    std::atomic<bool> done{false};
    std::thread interrupter([&] {
        while (!done) {
            pthread_kill(waiter, SIGUSR1);
            usleep(20000);
        }
    });
    timespec start{}, end{};
    clock_gettime(CLOCK_BOOTTIME, &start);
    auto hold = sim::wait_waking(300);
    clock_gettime(CLOCK_BOOTTIME, &end);
    done = true;
    interrupter.join();
    ASSERT_TRUE(hold);
    long waited_ms = (end.tv_sec - start.tv_sec) * 1000 + (end.tv_nsec - start.tv_nsec) / 1000000;
    EXPECT_GE(waited_ms, 300);
    pollfd pending{hold->timer.get(), POLLIN, 0};
    EXPECT_EQ(1, poll(&pending, 1, 0));
}

// Transcripts and control lines keep any bytes on one line and read them back whole.
TEST(OneLineText, EveryByteSurvivesEscapeAndUnescape) {
    std::string bytes;
    for (int c = 0; c < 256; ++c)
        bytes += static_cast<char>(c);
    std::string line = sim::escape(bytes);
    EXPECT_EQ(line.find('\n'), std::string::npos);
    EXPECT_EQ(line.find('\t'), std::string::npos);
    EXPECT_EQ(sim::unescape(line), bytes);
    EXPECT_EQ(sim::unescape("a\\0b\\x41\\\\"), std::string("a\0bA\\", 5));
}
