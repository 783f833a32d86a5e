// SPDX-License-Identifier: MIT
// Many threads at once: concurrent starts and stops, concurrent sends and requests.
#include "test_support.h"

#include <algorithm>
#include <set>
#include <thread>

using namespace ipctest;

TEST(Threads, ConcurrentFirstStartsShareOneLoop) {
    constexpr int count = 8;
    unsigned long handles[count] = {};
    std::vector<std::thread> starters;
    for (int i = 0; i < count; ++i)
        starters.emplace_back([&, i] { handles[i] = qx_ipc_start_loop(nullptr); });
    for (auto &starter : starters)
        starter.join();
    for (int i = 0; i < count; ++i)
        EXPECT_EQ(handles[i], handles[0]);
    EXPECT_NE(handles[0], 0ul);
    EXPECT_EQ(qx_ipc_get_self_fd(), 5471);
    EXPECT_FALSE(queue_exists(5472)); // one receive thread, one queue

    std::vector<std::thread> stoppers;
    for (int i = 0; i < count - 1; ++i)
        stoppers.emplace_back([] { EXPECT_EQ(qx_ipc_terminate_loop(), 0); });
    for (auto &stopper : stoppers)
        stopper.join();
    EXPECT_EQ(get_terminate_flag(), 0);
    EXPECT_EQ(qx_ipc_terminate_loop(), 0);
    EXPECT_EQ(get_terminate_flag(), 1);
}

TEST(Threads, RacingLastTerminatesSendOneStopAndAllReturn) {
    ASSERT_NE(qx_ipc_start_loop(nullptr), 0ul);
    int key = qx_ipc_get_self_fd();
    StdoutCapture out;
    // All three find the count at 0 or below while the loop may still run: one stop
    // message, no failed second one, and nobody left waiting.
    std::vector<std::thread> stoppers;
    for (int i = 0; i < 3; ++i)
        stoppers.emplace_back([] { EXPECT_EQ(qx_ipc_terminate_loop(), 0); });
    for (auto &stopper : stoppers)
        stopper.join();
    testkit::eventually([&] { return get_terminate_flag() != 0; });
    EXPECT_EQ(out.take(), "[qx] Err:Warning:The thread(qxipc) is term!\n\n\n");
    EXPECT_EQ(get_terminate_flag(), 1);
    EXPECT_FALSE(queue_exists(key));
    // The count is now -2: one start and one terminate still run and stop a loop.
    ASSERT_NE(qx_ipc_start_loop(nullptr), 0ul);
    EXPECT_EQ(get_terminate_flag(), 0);
    EXPECT_EQ(qx_ipc_terminate_loop(), 0);
    EXPECT_EQ(get_terminate_flag(), 1);
}

TEST(Threads, ConcurrentSendsTakeDistinctSequenceNumbers) {
    constexpr int senders = 4;
    constexpr int each = 300;
    int id = msgget(6301, IPC_CREAT | 0600);
    ASSERT_GE(id, 0);
    std::vector<int> seqs;
    std::thread reader([&] {
        qx_ipc_msg msg{};
        while (seqs.size() < senders * each && msgrcv(id, &msg, QX_IPC_HEADER_TEXT_SIZE, 0, 0) >= 0)
            seqs.push_back(msg.seq);
    });
    std::vector<std::thread> threads;
    for (int t = 0; t < senders; ++t)
        threads.emplace_back([] {
            Msg msg = make_msg(6301, 9);
            for (int i = 0; i < each; ++i)
                EXPECT_EQ(qx_ipc_send_msg(msg.get()), 0);
        });
    for (auto &thread : threads)
        thread.join();
    reader.join();
    ASSERT_EQ(seqs.size(), static_cast<size_t>(senders * each));
    std::sort(seqs.begin(), seqs.end());
    for (size_t i = 1; i < seqs.size(); ++i)
        ASSERT_EQ(seqs[i], seqs[i - 1] + 1);
    remove_queue(6301);
}

// Requests from many threads to this process's own queue, answered by its own event.
int answer_own(qx_ipc_event *, qx_ipc_msg *req) {
    Msg rsp = make_msg(req->fd_src, req->msg_rsp, payload(req));
    qx_ipc_send_msg(rsp.get());
    return 0;
}

TEST(Threads, ManyWaitersEachGetTheirOwnAnswer) {
    ASSERT_NE(qx_ipc_start_loop(nullptr), 0ul);
    qx_ipc_event ev{};
    ev.keep = 1;
    ev.msg_id = 200;
    ev.handler = answer_own;
    ASSERT_EQ(qx_ipc_event_add(&ev), 0);
    constexpr int threads_count = 6;
    constexpr int rounds = 50;
    std::atomic<int> good{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < threads_count; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < rounds; ++i) {
                std::string text = std::to_string(t) + "/" + std::to_string(i);
                Msg req = make_msg(qx_ipc_get_self_fd(), 200, text);
                req->msg_rsp = 1000 + t; // each thread its own answer identifier
                req->need_rsp = 1;
                qx_ipc_msg *rsp = nullptr;
                if (qx_ipc_send_msg_wait_rsp_timeout(req.get(), &rsp, 10000) == 0 &&
                    payload(rsp) == text)
                    ++good;
                qx_ipc_msg_free(rsp);
            }
        });
    for (auto &thread : threads)
        thread.join();
    EXPECT_EQ(good, threads_count * rounds);
    EXPECT_EQ(qx_ipc_terminate_loop(), 0);
}
