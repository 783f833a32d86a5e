// SPDX-License-Identifier: MIT
// A wall clock that jumps (as when network time arrives) neither cuts a wait short nor
// stretches it. This program's clock_gettime shows the library a wall clock an hour behind.
#include "test_support.h"

#include <dlfcn.h>
#include <thread>

using namespace ipctest;

namespace {
std::atomic<bool> wall_clock_behind{false};
}

extern "C" int clock_gettime(clockid_t clock, timespec *now) {
    using real_t = int (*)(clockid_t, timespec *);
    static real_t real = reinterpret_cast<real_t>(dlsym(RTLD_NEXT, "clock_gettime"));
    int result = real(clock, now);
    if (result == 0 && clock == CLOCK_REALTIME && wall_clock_behind)
        now->tv_sec -= 3600;
    return result;
}

TEST(Clock, WallClockJumpDoesNotCutAWaitShort) {
    ASSERT_NE(qx_ipc_start_loop(nullptr), 0ul);
    int self = qx_ipc_get_self_fd();
    ASSERT_GE(msgget(6401, IPC_CREAT | 0600), 0);
    wall_clock_behind = true;
    std::thread answerer([&] {
        // Answers once the request is in its queue, a while into the wait.
        testkit::eventually([] { return queued(6401) >= 1; });
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        qx_ipc_send_msg(make_msg(self, 301, "in time").get());
    });
    Msg req = make_msg(6401, 300);
    req->msg_rsp = 301;
    req->need_rsp = 1;
    qx_ipc_msg *rsp = nullptr;
    int result = qx_ipc_send_msg_wait_rsp_timeout(req.get(), &rsp, 5000);
    answerer.join();
    wall_clock_behind = false;
    ASSERT_EQ(result, 0);
    Msg answer(rsp);
    EXPECT_EQ(payload(answer.get()), "in time");
    remove_queue(6401);
    EXPECT_EQ(qx_ipc_terminate_loop(), 0);
}
