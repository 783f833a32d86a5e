// SPDX-License-Identifier: MIT
// Wake-up feedback from the simulated service to callers waiting in the real library.
#include "liborvo-autosuspend.h"
#include "test_support.h"

#include <atomic>
#include <memory>

using namespace testsupport;

namespace {

// A caller blocked in orvo_wait_wakeup_event on a thread of its own.
struct Waiter {
    std::atomic<bool> done{false};
    int result = 0;
    int32_t sleep_start = 0;
    int32_t wakeup = 0;

    static std::shared_ptr<Waiter> start() {
        auto waiter = std::make_shared<Waiter>();
        std::thread([waiter] {
            waiter->result = orvo_wait_wakeup_event(&waiter->sleep_start, &waiter->wakeup);
            waiter->done = true;
        }).detach();
        return waiter;
    }
};

// The reader holds the feedback mutex across its read, so a caller that began to wait while
// a read was pending enters its wait only if it runs within the reader's 10 ms pauses after
// the record. On a loaded machine it can miss them; it then returns at the next
// announcement, with the record then current: the same record sent again releases it.
// Records sent again, which the reader logs again.
int g_sent_again = 0;
bool returned(const std::atomic<bool> &done, int32_t sleep_start, int32_t wakeup) {
    if (eventually([&] { return done.load(); }, std::chrono::seconds(2)))
        return true;
    ++g_sent_again;
    service("send " + std::to_string(sleep_start) + " " + std::to_string(wakeup));
    return eventually([&] { return done.load(); });
}

// Waits until the caller has returned with the record START..WAKEUP.
void expect_woken(const Waiter &waiter, int32_t sleep_start, int32_t wakeup) {
    ASSERT_TRUE(returned(waiter.done, sleep_start, wakeup));
    EXPECT_EQ(waiter.result, 0);
    EXPECT_EQ(waiter.sleep_start, sleep_start);
    EXPECT_EQ(waiter.wakeup, wakeup);
}

size_t waiting_callers() {
    return count(library_log(), "libautosuspend_get_feedback wait.");
}

bool data_channels(int n) {
    auto status = service("state");
    return !status.empty() &&
           status[0].find(", " + std::to_string(n) + " data channels") != std::string::npos;
}

class Feedback : public ServiceTest {};

TEST_F(Feedback, OneRecordWakesEveryWaiterAndLaterWaitersGetTheNext) {
    in_fresh_process([] {
        std::vector<std::shared_ptr<Waiter>> waiters;
        for (int i = 0; i < 3; ++i)
            waiters.push_back(Waiter::start());
        ASSERT_TRUE(eventually([] { return waiting_callers() == 3; }));
        // The service hands a record only to channels it has accepted.
        ASSERT_TRUE(eventually([] { return data_channels(1); }));
        service("send -100 2147483647");
        for (auto &waiter : waiters)
            expect_woken(*waiter, -100, 2147483647);
        auto log = library_log();
        const size_t reads = 1 + static_cast<size_t>(g_sent_again);
        EXPECT_EQ(count(log, "system sleep_start timestamps : -100 ms"), reads);
        EXPECT_EQ(count(log, "system wakeup timestamps : 2147483647 ms"), reads);
        EXPECT_EQ(count(log, "libautosuspend_get_feedback success."), 3u);

        // A record already announced is not handed out again.
        auto late = Waiter::start();
        ASSERT_TRUE(eventually([] { return waiting_callers() == 4; }));
        service("send 3000 4000");
        expect_woken(*late, 3000, 4000);
    });
}

TEST_F(Feedback, RecordArrivingInTwoPiecesIsOneRecord) {
    in_fresh_process([] {
        auto waiter = Waiter::start();
        ASSERT_TRUE(eventually([] { return waiting_callers() == 1; }));
        ASSERT_TRUE(eventually([] { return data_channels(1); }));
        service("send-split 1000 2000");
        expect_woken(*waiter, 1000, 2000);
        auto log = library_log();
        const size_t reads = 1 + static_cast<size_t>(g_sent_again);
        EXPECT_EQ(count(log, "system sleep_start timestamps : 1000 ms"), reads);
        EXPECT_EQ(count(log, "system wakeup timestamps : 2000 ms"), reads);
        EXPECT_EQ(count(log, "system wakeup timestamps : 0 ms"), 0u);
    });
}

TEST_F(Feedback, FirstWaitConnectsEvenWithANullPointer) {
    in_fresh_process([] {
        EXPECT_EQ(feedback_flag, 1);
        int32_t wakeup = 0;
        EXPECT_EQ(orvo_wait_wakeup_event(nullptr, &wakeup), -1);
        EXPECT_EQ(feedback_flag, 0);
        EXPECT_TRUE(eventually([] { return data_channels(1); }));
        EXPECT_TRUE(contains(journal(), "cmd 1 connected"));
        EXPECT_EQ(count(library_log(), "orvo_wait_wakeup_event input errors."), 1u);

        // Raising the flag again runs the set-up, which finds the channels ready.
        feedback_flag = 1;
        int32_t sleep_start = 0;
        EXPECT_EQ(orvo_wait_wakeup_event(&sleep_start, nullptr), -1);
        EXPECT_EQ(feedback_flag, 0);
        auto log = library_log();
        EXPECT_EQ(count(log, "Start libautosuspend_init."), 1u);
        EXPECT_EQ(count(log, "orvo_wait_wakeup_event input errors."), 2u);
    });
}

TEST_F(Feedback, FirstWaitWithoutServiceKeepsTheFlag) {
    service("unlisten");
    in_fresh_process([] {
        int32_t sleep_start = 0;
        int32_t wakeup = 0;
        EXPECT_EQ(orvo_wait_wakeup_event(&sleep_start, &wakeup), -1);
        EXPECT_EQ(feedback_flag, 1);
        EXPECT_EQ(count(library_log(), "cmd channel connect error."), 1u);
    });
}

TEST_F(Feedback, GetFeedbackWaitsForAnotherCallToConnect) {
    in_fresh_process([] {
        EXPECT_EQ(libautosuspend_get_feedback(nullptr), -1);
        auto done = std::make_shared<std::atomic<bool>>(false);
        auto record = std::make_shared<wakeup_feedback>();
        std::thread([done, record] {
            EXPECT_EQ(libautosuspend_get_feedback(record.get()), 0);
            *done = true;
        }).detach();
        ASSERT_TRUE(eventually([] { return waiting_callers() == 1; }));
        EXPECT_FALSE(contains(journal(), "cmd 1 connected")) << "get_feedback connected";

        ASSERT_EQ(orvo_autosleep_enable(), 1);
        ASSERT_TRUE(eventually([] { return data_channels(1); }));
        EXPECT_FALSE(done->load());
        service("send 7 8");
        ASSERT_TRUE(returned(*done, 7, 8));
        EXPECT_EQ(record->sleep_start, 7);
        EXPECT_EQ(record->wakeup, 8);
    });
}

TEST_F(Feedback, FeedbackResumesAfterTheServiceRestarts) {
    in_fresh_process([] {
        ASSERT_EQ(orvo_autosleep_enable(), 1);
        ASSERT_TRUE(eventually([] { return data_channels(1); }));
        auto waiter = Waiter::start();
        ASSERT_TRUE(eventually([] { return waiting_callers() == 1; }));

        // Gone for a while: the reader keeps trying without announcing anything.
        service("unlisten");
        service("close");
        ASSERT_TRUE(eventually([] { return count(library_log(), "CONNECT ERROR ") >= 2; }));
        EXPECT_EQ(count(library_log(), "data channel closed by the service, reconnecting."), 1u);
        EXPECT_FALSE(waiter->done.load());

        service("reset");
        ASSERT_TRUE(eventually([] { return data_channels(1); }));
        EXPECT_FALSE(waiter->done.load());
        service("send 5 6");
        expect_woken(*waiter, 5, 6);
    });
}

} // namespace
