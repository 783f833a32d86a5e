// SPDX-License-Identifier: MIT
// Threads of one process waiting for wake-up records while the autosuspend service sends
// them, and while it is killed and started again: each thread sees records in the order
// they were sent, never one twice, and the waiting goes on after the restart.
#include "liborvo-autosuspend.h"
#include "simclient.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;

void send_record(int value) {
    std::string request = "send " + std::to_string(value) + " " + std::to_string(value + 1);
    ASSERT_TRUE(sim::autosuspend(request).ok);
}

// Killed outright, then started again: ready when the new one answers.
void restart_service() {
    sim::Service service("autosuspend");
    ASSERT_TRUE(service.kill(SIGKILL)) << service.error();
    ASSERT_TRUE(service.start()) << service.error();
}

struct Waiter {
    std::vector<int32_t> seen;
    bool consistent = true;
};

class Waiters : public ::testing::Test {
  protected:
    static constexpr int kThreads = 4;
    static constexpr size_t kRecords = 6;

    void start() {
        for (int t = 0; t < kThreads; ++t)
            threads_.emplace_back([this, t] {
                Waiter &waiter = waiters_[t];
                while (waiter.seen.size() < kRecords) {
                    int32_t sleep_start = 0, wakeup = 0;
                    if (orvo_wait_wakeup_event(&sleep_start, &wakeup) != 0)
                        break;
                    waiter.consistent = waiter.consistent && wakeup == sleep_start + 1;
                    waiter.seen.push_back(sleep_start);
                }
                done_.fetch_add(1);
            });
    }

    // Sends increasing records until every thread has had its share (a reader that lost
    // its service connects again after a growing pause of up to 5 s).
    void feed(int from) {
        auto end = std::chrono::steady_clock::now() + 20s;
        for (int value = from; done_.load() < kThreads && std::chrono::steady_clock::now() < end;
             value += 10) {
            send_record(value);
            std::this_thread::sleep_for(30ms);
        }
    }

    void finish() {
        if (done_.load() != kThreads) {
            // Threads still blocked in the library cannot be joined: end here.
            ADD_FAILURE() << kThreads - done_.load() << " threads never got their records";
            fflush(stdout);
            _exit(1);
        }
        for (auto &thread : threads_)
            thread.join();
        for (const Waiter &waiter : waiters_) {
            ASSERT_EQ(waiter.seen.size(), kRecords);
            EXPECT_TRUE(waiter.consistent);
            for (size_t i = 1; i < waiter.seen.size(); ++i)
                EXPECT_LT(waiter.seen[i - 1], waiter.seen[i]) << "record " << i;
        }
    }

    Waiter waiters_[kThreads];
    std::vector<std::thread> threads_;
    std::atomic<int> done_{0};
};

TEST_F(Waiters, WaitingGoesOnAfterTheServiceIsKilledAndStartedAgain) {
    start();
    for (int value = 100; value < 130; value += 10) {
        send_record(value);
        std::this_thread::sleep_for(30ms);
    }
    restart_service();
    feed(1000);
    finish();
    for (const Waiter &waiter : waiters_)
        EXPECT_GE(waiter.seen.back(), 1000);
}

} // namespace
