// SPDX-License-Identifier: MIT
// Request and answer: across processes, time-outs, signals, several waiters, teardown.
#include "deadline.h"
#include "peer.h"

#include <cerrno>
#include <csignal>
#include <thread>

using namespace ipctest;
using Clock = std::chrono::steady_clock;

namespace {

qx_ipc_msg *const untouched = reinterpret_cast<qx_ipc_msg *>(0x1);

Msg request(int key, int msg_id, int msg_rsp, const std::string &text = "") {
    Msg req = make_msg(key, msg_id, text);
    req->msg_rsp = msg_rsp;
    req->need_rsp = 1;
    return req;
}

// A peer "msm-server" in a child process and this process's own loop.
class Request : public testing::Test {
  protected:
    void SetUp() override {
        Pipe ready;
        peer_ = spawn([&] { return run_peer("msm-server", ready); });
        ASSERT_EQ(ready.get(), 5469);
        ASSERT_NE(qx_ipc_start_loop(nullptr), 0ul);
        self_ = qx_ipc_get_self_fd();
    }
    void TearDown() override {
        stop_peer(5469);
        EXPECT_EQ(wait_exit(peer_), 0);
        if (get_terminate_flag() == 0)
            qx_ipc_terminate_loop();
    }
    pid_t peer_ = -1;
    int self_ = -1;
};

void on_signal(int) {}

} // namespace

TEST(Deadline, MillisecondsAreCarriedIntoSeconds) {
    auto at = [](time_t s, long ns, unsigned ms) { return qxipc::deadline_after({s, ns}, ms); };
    timespec d = at(100, 500000000, 999);
    EXPECT_EQ(d.tv_sec, 101);
    EXPECT_EQ(d.tv_nsec, 499000000);
    d = at(100, 0, 1500);
    EXPECT_EQ(d.tv_sec, 101);
    EXPECT_EQ(d.tv_nsec, 500000000);
    d = at(100, 1000000, 999);
    EXPECT_EQ(d.tv_sec, 101);
    EXPECT_EQ(d.tv_nsec, 0);
    d = at(100, 7, 4294967295u);
    EXPECT_EQ(d.tv_sec, 100 + 4294967);
    EXPECT_EQ(d.tv_nsec, 295000007);
}

TEST_F(Request, AnsweredAcrossProcessesWithAndWithoutTimeout) {
    qx_ipc_msg *rsp = untouched;
    Msg req = request(5469, echo_request, 101, "ping");
    ASSERT_EQ(qx_ipc_send_msg_wait_rsp(req.get(), &rsp), 0);
    ASSERT_NE(rsp, nullptr);
    Msg answer(rsp);
    EXPECT_EQ(answer->msg_id, 101);
    EXPECT_EQ(answer->fd_src, 5469);
    EXPECT_EQ(answer->fd_svr, self_);
    EXPECT_EQ(payload(answer.get()), "answer:ping");

    req = request(5469, echo_request, 102, "pong");
    rsp = untouched;
    ASSERT_EQ(qx_ipc_send_msg_wait_rsp_timeout(req.get(), &rsp, 5000), 0);
    answer.reset(rsp);
    EXPECT_EQ(payload(answer.get()), "answer:pong");
    EXPECT_EQ(answer->msg_id, 102);

    // Without rsp_out the answer is released (ASan finds it if not).
    req = request(5469, echo_request, 103, "x");
    EXPECT_EQ(qx_ipc_send_msg_wait_rsp_timeout(req.get(), nullptr, 5000), 0);
}

TEST_F(Request, WithoutNeedRspOnlySends) {
    ASSERT_GE(msgget(6101, IPC_CREAT | 0600), 0);
    Msg req = request(6101, 130, 131);
    req->need_rsp = 0;
    qx_ipc_msg *rsp = untouched;
    ASSERT_EQ(qx_ipc_send_msg_wait_rsp_timeout(req.get(), &rsp, 1000), 0);
    int first = req->seq;
    ASSERT_EQ(qx_ipc_send_msg_wait_rsp(req.get(), &rsp), 0);
    EXPECT_EQ(req->seq, first + 1);
    EXPECT_EQ(req->mtype, 1);
    EXPECT_EQ(rsp, untouched);
    EXPECT_EQ(queued(6101), 2);
    remove_queue(6101);
}

TEST_F(Request, TimesOutWithTheLogLineAndNull) {
    qx_ipc_msg *rsp = untouched;
    Msg req = request(5469, 130, 131); // the peer has no event for 130
    StdoutCapture out;
    auto start = Clock::now();
    EXPECT_EQ(qx_ipc_send_msg_wait_rsp_timeout(req.get(), &rsp, 1500), -1);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(1500));
    EXPECT_EQ(out.take(),
              "[qx] Err:qx_ipc_send_msg_wait_rsp wait msg_rsp(0x83) wait timeout.\n\n\n");
    EXPECT_EQ(rsp, nullptr);

    // A late answer finds no wait entry and goes to the ordinary events.
    Recorder seen;
    seen.add(131, 0, 1);
    ASSERT_EQ(qx_ipc_send_msg(make_msg(self_, 131, "late").get()), 0);
    ASSERT_TRUE(seen.wait_for(1));
    EXPECT_EQ(seen.calls(), std::vector<std::string>{"0:131:late"});
}

TEST_F(Request, SignalDoesNotEndATimedWait) {
    struct sigaction action {};
    action.sa_handler = on_signal; // no SA_RESTART: waits see EINTR
    struct sigaction previous {};
    sigaction(SIGUSR1, &action, &previous);
    pthread_t waiter = pthread_self();
    std::atomic<bool> done{false};
    std::thread signaller([&] {
        while (!done) {
            pthread_kill(waiter, SIGUSR1);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    qx_ipc_msg *rsp = nullptr;
    Msg req = request(5469, delayed_request, 111, "400");
    int result = qx_ipc_send_msg_wait_rsp_timeout(req.get(), &rsp, 10000);
    done = true;
    signaller.join();
    sigaction(SIGUSR1, &previous, nullptr);
    ASSERT_EQ(result, 0);
    Msg answer(rsp);
    EXPECT_EQ(payload(answer.get()), "answer:400");
}

TEST_F(Request, OneMessageAnswersEveryWaiterWithItsOwnCopy) {
    ASSERT_GE(msgget(6102, IPC_CREAT | 0600), 0);
    qx_ipc_msg *rsp[2] = {nullptr, nullptr};
    int result[2] = {-1, -1};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 2; ++i)
        waiters.emplace_back([&, i] {
            Msg req = request(6102, 130, 140);
            result[i] = qx_ipc_send_msg_wait_rsp_timeout(req.get(), &rsp[i], 10000);
        });
    testkit::eventually([&] { return queued(6102) >= 2; });
    ASSERT_EQ(queued(6102), 2); // both registered before their requests left
    ASSERT_EQ(qx_ipc_send_msg(make_msg(self_, 140, "both").get()), 0);
    for (auto &waiter : waiters)
        waiter.join();
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(result[i], 0);
        EXPECT_EQ(payload(rsp[i]), "both");
    }
    EXPECT_NE(rsp[0], rsp[1]);
    qx_ipc_msg_free(rsp[0]);
    qx_ipc_msg_free(rsp[1]);
    remove_queue(6102);
}

TEST_F(Request, MissingDestinationQueueIsCreated) {
    ASSERT_FALSE(queue_exists(6103));
    Msg req = request(6103, 130, 150, "into the void");
    qx_ipc_msg *rsp = untouched;
    StdoutCapture out;
    EXPECT_EQ(qx_ipc_send_msg_wait_rsp_timeout(req.get(), &rsp, 100), -1);
    EXPECT_EQ(out.take(),
              "[qx] Err:qx_ipc_send_msg_wait_rsp wait msg_rsp(0x96) wait timeout.\n\n\n");
    EXPECT_EQ(rsp, nullptr);
    EXPECT_EQ(queued(6103), 1);
    remove_queue(6103);
}

TEST_F(Request, FailuresBeforeTheWaitLeaveRspOutAlone) {
    qx_ipc_msg *rsp = untouched;
    Msg req = request(0, 130, 160);
    {
        const int queues = queue_count();
        StdoutCapture out;
        errno = 0;
        EXPECT_EQ(qx_ipc_send_msg_wait_rsp_timeout(req.get(), &rsp, 100), -1);
        EXPECT_EQ(errno, ENOENT);
        EXPECT_EQ(out.take(), "[qx] Err:qx_ipc_send_msg_wait_rsp fd_svr(0x0) error\n\n\n");
        EXPECT_EQ(queue_count(), queues) << "key 0 makes no private queue";
    }
    // A send the kernel refuses (larger than any queue takes) is reported by the result only.
    Msg big = request(5469, 130, 160, std::string(20000, 'b'));
    {
        StdoutCapture out;
        EXPECT_EQ(qx_ipc_send_msg_wait_rsp_timeout(big.get(), &rsp, 100), -1);
        EXPECT_EQ(out.take(), "");
    }
    EXPECT_EQ(rsp, untouched);
    // Both wait entries are gone: a message with that identifier reaches ordinary events only.
    Recorder seen;
    seen.add(160, 0, 1);
    ASSERT_EQ(qx_ipc_send_msg(make_msg(self_, 160, "stray").get()), 0);
    ASSERT_TRUE(seen.wait_for(1));
    EXPECT_EQ(seen.calls().size(), 1u);
}

TEST_F(Request, AnswerIsCopiedOnlyAsFarAsItArrived) {
    ASSERT_GE(msgget(6104, IPC_CREAT | 0600), 0);
    qx_ipc_msg *rsp = nullptr;
    int result = -1;
    std::thread waiter([&] {
        Msg req = request(6104, 130, 170);
        result = qx_ipc_send_msg_wait_rsp_timeout(req.get(), &rsp, 10000);
    });
    testkit::eventually([&] { return queued(6104) >= 1; });
    // An answer whose header claims 5000 bytes but that carries 8.
    Msg liar = make_msg(self_, 170, "8 bytes!");
    liar->mtype = 1;
    liar->len = 5000;
    ASSERT_EQ(msgsnd(msgget(self_, 0), liar.get(), QX_IPC_HEADER_TEXT_SIZE + 8, 0), 0);
    waiter.join();
    ASSERT_EQ(result, 0);
    Msg answer(rsp);
    EXPECT_EQ(answer->len, 8);
    EXPECT_EQ(payload(answer.get()), "8 bytes!");
    remove_queue(6104);
}

TEST_F(Request, WaitersAreWokenWhenTheLoopEndsOrTheirEntryIsDeleted) {
    ASSERT_GE(msgget(6105, IPC_CREAT | 0600), 0);
    qx_ipc_msg *rsp[2] = {untouched, untouched};
    int result[2] = {0, 0};
    int seq[2] = {0, 0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 2; ++i)
        waiters.emplace_back([&, i] {
            Msg req = request(6105, 130, 180 + i);
            result[i] = qx_ipc_send_msg_wait_rsp(req.get(), &rsp[i]);
            seq[i] = req->seq;
        });
    testkit::eventually([&] { return queued(6105) >= 2; });
    ASSERT_EQ(queued(6105), 2);
    // The one waiting for 181 is withdrawn by a delete with its identifier and sequence number.
    qx_ipc_msg first{};
    int id = msgget(6105, 0);
    int other_seq = -1;
    for (int n = 0; n < 2; ++n) {
        ASSERT_GE(msgrcv(id, &first, QX_IPC_HEADER_TEXT_SIZE, 0, 0), 0);
        if (first.msg_rsp == 181)
            other_seq = first.seq;
    }
    qx_ipc_event del{};
    del.msg_id = 181;
    del.tag = other_seq;
    EXPECT_EQ(qx_ipc_event_del(&del), 0);
    waiters[1].join();
    EXPECT_EQ(result[1], -1);
    EXPECT_EQ(rsp[1], nullptr);
    EXPECT_EQ(seq[1], other_seq);

    EXPECT_EQ(qx_ipc_terminate_loop(), 0);
    waiters[0].join();
    EXPECT_EQ(result[0], -1);
    EXPECT_EQ(rsp[0], nullptr);
    remove_queue(6105);
}
