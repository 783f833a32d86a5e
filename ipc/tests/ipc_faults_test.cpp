// SPDX-License-Identifier: MIT
// libqxipc under full queues: a subscriber that no longer reads does not stop the publisher's
// loop, and senders that fill an endpoint's queue lose nothing.
#include "test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <future>
#include <mutex>
#include <string>
#include <sys/msg.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;
using ipctest::kPublishId;
using ipctest::kSubscribeId;
using ipctest::make_msg;
using ipctest::Msg;

constexpr int kTopic = 100;
constexpr int kCounted = 200;

std::mutex g_mutex;
std::vector<std::pair<int, int>> g_seen; // (sender, number), guarded by g_mutex

int record(qx_ipc_event *, qx_ipc_msg *msg) {
    int pair[2] = {-1, -1};
    if (msg->len >= static_cast<int>(sizeof pair))
        memcpy(pair, msg->data, sizeof pair);
    std::lock_guard<std::mutex> lock(g_mutex);
    g_seen.emplace_back(pair[0], pair[1]);
    return 0;
}

size_t seen_count() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_seen.size();
}

void register_counter() {
    qx_ipc_event ev{};
    ev.keep = 1;
    ev.tag = kCounted;
    ev.msg_id = kCounted;
    ev.handler = record;
    ASSERT_EQ(qx_ipc_event_add(&ev), 0);
}

// Ends the loop; a loop that cannot end leaves the test no way to finish cleanly.
void terminate_or_exit() {
    auto done = std::async(std::launch::async, [] { return qx_ipc_terminate_loop(); });
    if (done.wait_for(5s) != std::future_status::ready) {
        ADD_FAILURE() << "the receive loop did not end";
        fflush(stdout);
        _exit(1);
    }
    EXPECT_EQ(done.get(), 0);
}

class IpcFaults : public ::testing::Test {
  protected:
    void SetUp() override {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_seen.clear();
    }
};

// A subscriber that died with its queue left behind fills up; publishing to it must not
// block the publisher's loop, which goes on serving and can still be stopped.
TEST_F(IpcFaults, ASubscriberWithAFullQueueDoesNotStopThePublisher) {
    constexpr int kDeadSubscriber = 6000;
    int dead = msgget(kDeadSubscriber, IPC_CREAT | 0600);
    ASSERT_GE(dead, 0);
    Msg filler = make_msg(kDeadSubscriber, kTopic, 0, "x");
    filler->mtype = 1;
    while (msgsnd(dead, filler.get(), 1 + QX_IPC_HEADER_TEXT_SIZE, IPC_NOWAIT) == 0) {
    }
    ASSERT_EQ(errno, EAGAIN);

    ASSERT_NE(qx_ipc_start_loop(nullptr), 0u);
    register_counter();
    int self = qx_ipc_get_self_fd();
    Msg subscribe = make_msg(self, kSubscribeId, kTopic, "");
    subscribe->fd_src = kDeadSubscriber;
    ASSERT_EQ(qx_ipc_send_msg(subscribe.get()), 0);
    Msg publish = make_msg(self, kPublishId, kTopic, "news");
    ASSERT_EQ(qx_ipc_send_msg(publish.get()), 0);

    int pair[2] = {1, 1};
    Msg counted =
        make_msg(self, kCounted, 0, std::string(reinterpret_cast<char *>(pair), sizeof pair));
    ASSERT_EQ(qx_ipc_send_msg(counted.get()), 0);
    EXPECT_TRUE(testkit::eventually([] { return seen_count() == 1; }));
    terminate_or_exit();
    msgctl(dead, IPC_RMID, nullptr);
}

// Senders in many processes fill the endpoint's queue and block; every message arrives,
// in each sender's order.
TEST_F(IpcFaults, SendersFillingTheQueueLoseNothing) {
    constexpr int kSenders = 8;
    constexpr int kMessages = 150;
    constexpr int kPayload = 1000; // a 16 KiB queue holds about 16 of them

    // The senders are forked before the receive thread exists: a child forked while that
    // thread holds the allocator's lock would hang in its first allocation.
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    std::vector<pid_t> children;
    for (int s = 0; s < kSenders; ++s) {
        pid_t child = testkit::spawn([&]() -> int {
            close(go[1]);
            int self = 0;
            if (read(go[0], &self, sizeof self) != static_cast<ssize_t>(sizeof self))
                _exit(2);
            std::vector<int> payload(kPayload / sizeof(int), 0);
            for (int n = 0; n < kMessages; ++n) {
                payload[0] = s;
                payload[1] = n;
                Msg msg = make_msg(self, kCounted, 0,
                                   std::string(reinterpret_cast<char *>(payload.data()), kPayload));
                // A signal may interrupt a send blocked on the full queue (EINTR): the
                // message did not go, and the sender sends it again.
                int sent;
                while ((sent = qx_ipc_send_msg(msg.get())) != 0 && errno == EINTR) {
                }
                if (sent != 0)
                    _exit(1);
            }
            _exit(0);
        });
        children.push_back(child);
    }
    close(go[0]);

    ASSERT_NE(qx_ipc_start_loop(nullptr), 0u);
    register_counter();
    int self = qx_ipc_get_self_fd();
    for (int s = 0; s < kSenders; ++s)
        ASSERT_EQ(write(go[1], &self, sizeof self), static_cast<ssize_t>(sizeof self));
    close(go[1]);
    for (pid_t child : children) {
        EXPECT_EQ(testkit::wait_exit(child), 0);
    }
    EXPECT_TRUE(testkit::eventually([] { return seen_count() == kSenders * kMessages; }));
    terminate_or_exit();

    std::vector<int> next(kSenders, 0);
    for (auto [sender, number] : g_seen) {
        ASSERT_TRUE(sender >= 0 && sender < kSenders) << sender;
        EXPECT_EQ(number, next[sender]++) << "sender " << sender;
    }
}

// The own queue removed from outside while a request waits for its answer: the loop makes
// the queue again under the same key, and the answer sent to that key reaches the waiter.
TEST_F(IpcFaults, AnAnswerReachesAWaiterAfterItsQueueWasRemovedAndMadeAgain) {
    constexpr int kServer = 6001;
    constexpr int kRequest = 50;
    constexpr int kAnswer = 51;
    int server = msgget(kServer, IPC_CREAT | 0600);
    ASSERT_GE(server, 0);
    int go[2];
    ASSERT_EQ(pipe(go), 0);

    // Forked before the receive thread exists, so the child's allocations cannot hang on a
    // lock that thread held at the fork.
    pid_t child = testkit::spawn([&]() -> int {
        // A plain server: takes the request, answers when told to.
        std::vector<unsigned char> buffer(sizeof(qx_ipc_msg) + QX_IPC_MAX_DATA);
        auto *request = reinterpret_cast<qx_ipc_msg *>(buffer.data());
        if (msgrcv(server, request, QX_IPC_HEADER_TEXT_SIZE + QX_IPC_MAX_DATA, 0, 0) < 0)
            _exit(1);
        char byte;
        if (read(go[0], &byte, 1) != 1)
            _exit(2);
        Msg answer = make_msg(request->fd_src, request->msg_rsp, 0, "done");
        answer->fd_src = kServer;
        _exit(qx_ipc_send_msg(answer.get()) == 0 ? 0 : 3);
    });
    ASSERT_NE(qx_ipc_start_loop(nullptr), 0u);
    int self = qx_ipc_get_self_fd();

    auto waited = std::async(std::launch::async, [self] {
        Msg request = make_msg(kServer, kRequest, 0, "");
        request->fd_src = self;
        request->msg_rsp = kAnswer;
        request->need_rsp = 1;
        qx_ipc_msg *answer = nullptr;
        int result = qx_ipc_send_msg_wait_rsp_timeout(request.get(), &answer, 10000);
        std::string text;
        if (answer != nullptr && answer->len == 4)
            text.assign(reinterpret_cast<const char *>(answer->data), 4);
        qx_ipc_msg_free(answer);
        return std::make_pair(result, text);
    });
    ASSERT_TRUE(testkit::eventually([server] {
        msqid_ds state{};
        return msgctl(server, IPC_STAT, &state) == 0 && state.msg_qnum == 0 && state.msg_lrpid != 0;
    }));
    int old_queue = msgget(self, 0);
    ASSERT_EQ(msgctl(old_queue, IPC_RMID, nullptr), 0);
    ASSERT_TRUE(testkit::eventually([self] { return msgget(self, 0) >= 0; }));
    EXPECT_EQ(qx_ipc_get_self_fd(), self);
    ASSERT_EQ(write(go[1], "x", 1), 1);

    ASSERT_EQ(waited.wait_for(15s), std::future_status::ready);
    auto [result, text] = waited.get();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(text, "done");
    EXPECT_EQ(testkit::wait_exit(child), 0);
    terminate_or_exit();
    msgctl(server, IPC_RMID, nullptr);
}

} // namespace
