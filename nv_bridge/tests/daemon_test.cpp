// SPDX-License-Identifier: MIT
// paramlinkd's core against a real queue 4134 (the test's simulated module has queues of its
// own) with a parameter service played by a thread, and a socket pair as the channel: the
// relay's exchange, replies that are stale or for another request, copies sent again, and
// one pass of the main loop with its wake lock.
#include "daemon.h"
#include "frames.h"
#include "nvrpc_codec.h"
#include "queued_copy.h"
#include "relay.h"

#include "tests/support/kit.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstring>
#include <fstream>
#include <pthread.h>
#include <string>
#include <sys/msg.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

using namespace nvrpc;
using namespace std::chrono_literals;

namespace {

constexpr int32_t kTid = 777;

int queue() {
    return msgget(kQueueKey, IPC_CREAT | 0600);
}

// A reply of the daemon's type: req_id, result, value with its NUL.
void send_reply(int32_t req_id, int32_t result, const std::string &value) {
    nvrpc_rsp rsp = reply(req_id, result, value + '\0');
    rsp.mtype = kTid;
    ASSERT_EQ(0, msgsnd(queue(), &rsp, kRspValueAt + value.size() + 1, 0));
}

// The parameter service for `requests` requests: takes each, runs answer(req_id, number)
// with it (numbers from 1).
class Service {
  public:
    template <typename Answer> Service(int requests, Answer answer) {
        thread_ = std::thread([this, requests, answer] {
            for (int number = 1; number <= requests; ++number) {
                nvrpc_req req{};
                if (msgrcv(queue(), &req, kReqTextSize, kRequestType, 0) < 0)
                    return;
                key_ = reinterpret_cast<const char *>(req.text + kReqKeyAt);
                tid_ = i32_at(req.text + kReqTidAt);
                answer(i32_at(req.text + kReqIdAt), number);
            }
        });
    }
    ~Service() { join(); }
    Service(const Service &) = delete;
    Service &operator=(const Service &) = delete;

    void join() {
        if (thread_.joinable())
            thread_.join();
    }
    // Valid once joined.
    const std::string &key() const { return key_; }
    int32_t tid() const { return tid_; }

  private:
    std::thread thread_;
    std::string key_;
    int32_t tid_ = 0;
};

std::string answer_value(const nvrpc_frame &frame) {
    return reinterpret_cast<const char *>(frame.payload + kAnswerHeadSize);
}

std::string kernel_wake_locks() {
    return testkit::read_file("/sys/power/wake_lock");
}

class DaemonCore : public ::testing::Test {
  protected:
    void SetUp() override {
        // The reply bound raises SIGALRM; the daemon has its handler in place by then.
        struct sigaction action {};
        action.sa_handler = [](int) {};
        sigaction(SIGALRM, &action, nullptr);
        msgctl(queue(), IPC_RMID, nullptr);
        timer_ = std::make_unique<ReplyTimer>();
    }
    void TearDown() override { msgctl(queue(), IPC_RMID, nullptr); }

    // Relays buffers_.frame; what the relay printed, and in *answered its result.
    std::string relay(bool *answered) {
        return testkit::stdout_of([&] {
            *answered = relay_request(buffers_.frame, buffers_.req, buffers_.rsp, kTid, *timer_);
        });
    }

    // Relays buffers_.frame while `service` answers it, then waits for the service to end;
    // what the relay printed, and in *answered its result.
    std::string relay_answered_by(std::thread &service, bool *answered) {
        std::string printed = relay(answered);
        service.join();
        return printed;
    }

    std::unique_ptr<ReplyTimer> timer_;
    Buffers buffers_{};
};

TEST_F(DaemonCore, RelayCarriesTheRequestAndTheReplyBack) {
    buffers_.frame = request(0, "imei", "");
    Service service(1, [](int32_t req_id, int) { send_reply(req_id, 3, "86001"); });
    ASSERT_TRUE(relay_request(buffers_.frame, buffers_.req, buffers_.rsp, kTid, *timer_));
    const uint8_t *out = buffers_.frame.payload;
    EXPECT_EQ(kTestWord, static_cast<uint32_t>(i32_at(out)));
    EXPECT_EQ(kTestReqId, i32_at(out + 4));
    EXPECT_EQ(3, i32_at(out + 8));
    EXPECT_EQ("86001", answer_value(buffers_.frame));
    EXPECT_EQ(static_cast<int32_t>(kAnswerHeadSize + 5 + 1), buffers_.frame.payload_len);
    service.join();
    EXPECT_EQ("imei", service.key());
    EXPECT_EQ(kTid, service.tid());
}

TEST_F(DaemonCore, AReplyWaitingBeforeTheSendIsTakenOutNotUsed) {
    // A late reply to an earlier copy of this very request.
    send_reply(kTestReqId, 0, "stale");
    buffers_.frame = request(0, "imei", "");
    Service service(1, [](int32_t req_id, int) { send_reply(req_id, 0, "fresh"); });
    ASSERT_TRUE(relay_request(buffers_.frame, buffers_.req, buffers_.rsp, kTid, *timer_));
    EXPECT_EQ("fresh", answer_value(buffers_.frame));
    nvrpc_rsp left{};
    EXPECT_LT(msgrcv(queue(), &left, kRspTextSize, 0, IPC_NOWAIT | MSG_NOERROR), 0);
}

// The request goes again after a reply for another one; the service answers each copy.
TEST_F(DaemonCore, AReplyForAnotherRequestMakesTheRequestGoAgain) {
    buffers_.frame = request(0, "ssid", "x");
    Service service(2, [](int32_t req_id, int number) {
        if (number == 1)
            send_reply(req_id + 1, 9, "other");
        else
            send_reply(req_id, 0, "mine");
    });
    ASSERT_TRUE(relay_request(buffers_.frame, buffers_.req, buffers_.rsp, kTid, *timer_));
    EXPECT_EQ("mine", answer_value(buffers_.frame));
    EXPECT_EQ(0, i32_at(buffers_.frame.payload + 8));
}

// The calling thread's kernel thread identifier, and whether that thread sleeps in a call.
pid_t this_thread() {
    return static_cast<pid_t>(syscall(SYS_gettid));
}

bool sleeping(pid_t tid) {
    std::ifstream stat("/proc/self/task/" + std::to_string(tid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    size_t end = text.rfind(')');
    return end != std::string::npos && text.compare(end, 3, ") S") == 0;
}

// The next request copy within `patience`, or none (false).
bool take_request(nvrpc_req &req, std::chrono::milliseconds patience) {
    return testkit::eventually(
        [&req] { return msgrcv(queue(), &req, kReqTextSize, kRequestType, IPC_NOWAIT) >= 0; },
        patience);
}

msqid_ds queue_state() {
    msqid_ds state{};
    msgctl(queue(), IPC_STAT, &state);
    return state;
}

// Lowers the queue's byte limit (as its owner may).
void limit_queue(size_t bytes) {
    msqid_ds limited = queue_state();
    limited.msg_qbytes = bytes;
    ASSERT_EQ(0, msgctl(queue(), IPC_SET, &limited));
}

// Ends `count` waits of the relaying thread, as the reply bound would.
void end_waits(pthread_t relaying, int count) {
    for (int end = 0; end < count; ++end) {
        pthread_kill(relaying, SIGALRM);
        std::this_thread::sleep_for(20ms);
    }
}

// The service takes the request and goes away; every wait for its reply ends (as the reply
// bound ends it) many times over. One copy goes again for the service once it is back, no
// more pile up, the daemon never blocks in a send, and the queue stays open to others.
TEST_F(DaemonCore, ACopyGoesAgainOnlyOnceTheServiceTookTheLast) {
    limit_queue(2 * kReqTextSize);
    buffers_.frame = request(0, "imei", "");
    pthread_t relaying = pthread_self();
    std::atomic<int> copies_taken{0};
    msqid_ds while_away{};
    bool others_could_send = false;
    std::thread service([&] {
        nvrpc_req req{};
        if (!take_request(req, testkit::kPatience))
            return;
        copies_taken = 1;
        end_waits(relaying, 25);
        while_away = queue_state();
        nvrpc_rsp other = reply(0, 0, "x");
        other.mtype = 99;
        others_could_send = msgsnd(queue(), &other, 100, IPC_NOWAIT) == 0;
        msgrcv(queue(), &other, kRspTextSize, 99, IPC_NOWAIT | MSG_NOERROR);
        while (take_request(req, 500ms))
            ++copies_taken;
        send_reply(i32_at(req.text + kReqIdAt), 0, "86001");
    });
    bool answered = false;
    std::string printed = relay_answered_by(service, &answered);
    ASSERT_TRUE(answered) << printed;
    EXPECT_EQ("86001", answer_value(buffers_.frame));
    EXPECT_EQ(1u, while_away.msg_qnum) << "one copy waits for the service, no more";
    EXPECT_TRUE(others_could_send);
    EXPECT_EQ(2, copies_taken.load());
    EXPECT_EQ(std::string::npos, printed.find("msgsnd fail")) << printed;
    EXPECT_NE(std::string::npos, printed.find("nv error: msgrcv fail, errno = 4!\n"));
    EXPECT_EQ(0u, queue_state().msg_qnum);
}

// A full queue: the copy that would go again waits, reported, and goes once there is room.
TEST_F(DaemonCore, ACopyMeetingAFullQueueWaitsForRoom) {
    limit_queue(kReqTextSize);
    buffers_.frame = request(0, "imei", "");
    pthread_t relaying = pthread_self();
    std::thread service([&] {
        nvrpc_req req{};
        if (!take_request(req, testkit::kPatience))
            return;
        nvrpc_req filler{};
        filler.mtype = 99;
        msgsnd(queue(), &filler, kReqTextSize, 0);
        end_waits(relaying, 5);
        msgrcv(queue(), &filler, kReqTextSize, 99, 0);
        bool sent_again = testkit::eventually([&] {
            pthread_kill(relaying, SIGALRM);
            return take_request(req, 20ms);
        });
        if (sent_again)
            send_reply(i32_at(req.text + kReqIdAt), 0, "after room");
    });
    bool answered = false;
    std::string printed = relay_answered_by(service, &answered);
    ASSERT_TRUE(answered) << printed;
    EXPECT_EQ("after room", answer_value(buffers_.frame));
    EXPECT_NE(std::string::npos, printed.find("nv error: msgsnd fail, errno = 11!\n")) << printed;
}

// A queue kept full by someone else: the first send does not block for good, it ends with the
// reply bound and the request goes back as it came.
TEST_F(DaemonCore, AFirstSendIntoAFullQueueEndsWithTheBound) {
    limit_queue(kReqTextSize);
    nvrpc_req filler{};
    filler.mtype = 99;
    ASSERT_EQ(0, msgsnd(queue(), &filler, kReqTextSize, 0));
    buffers_.frame = request(0, "imei", "");
    // Should the send block for good, the queue's removal ends it (and the test fails).
    std::atomic<bool> returned{false};
    std::thread watchdog([&returned] {
        testkit::eventually([&returned] { return returned.load(); }, 3 * kReplyWaitSeconds * 1s);
        msgctl(queue(), IPC_RMID, nullptr);
    });
    bool answered = true;
    std::string printed = relay(&answered);
    returned = true;
    watchdog.join();
    EXPECT_FALSE(answered);
    EXPECT_EQ("nv error: msgsnd fail, errno = 4!\n", printed);
}

// Set by the handler below: the answer to the first copy, sent as the wait ends.
int32_t late_req_id = 0;

void answer_as_the_wait_ends(int) {
    nvrpc_rsp rsp = reply(late_req_id, 0, std::string("reply-to-copy-1") + '\0');
    rsp.mtype = kTid;
    msgsnd(msgget(kQueueKey, 0), &rsp, kRspValueAt + 16, IPC_NOWAIT);
}

// The answer lands between the end of a wait and the look for waiting replies: it is the
// answer, not a reply to throw away, and the request does not go again.
TEST_F(DaemonCore, TheAnswerLandingAsTheWaitEndsIsTaken) {
    struct sigaction action {};
    action.sa_handler = answer_as_the_wait_ends;
    sigaction(SIGUSR1, &action, nullptr);
    late_req_id = kTestReqId;
    buffers_.frame = request(0, "imei", "");
    pthread_t relaying = pthread_self();
    pid_t relaying_tid = this_thread();
    int copies_taken = 0;
    std::thread service([&] {
        nvrpc_req req{};
        if (!take_request(req, testkit::kPatience))
            return;
        copies_taken = 1;
        testkit::eventually([relaying_tid] { return sleeping(relaying_tid); });
        std::this_thread::sleep_for(50ms);
        pthread_kill(relaying, SIGUSR1);
        if (take_request(req, 1s)) {
            ++copies_taken;
            send_reply(i32_at(req.text + kReqIdAt), 0, "reply-to-copy-2");
        }
    });
    std::string printed = testkit::stdout_of([&] {
        EXPECT_TRUE(relay_request(buffers_.frame, buffers_.req, buffers_.rsp, kTid, *timer_));
    });
    service.join();
    signal(SIGUSR1, SIG_DFL);
    EXPECT_EQ("reply-to-copy-1", answer_value(buffers_.frame));
    EXPECT_EQ(1, copies_taken);
    EXPECT_EQ(std::string::npos, printed.find("recv unknow msg")) << printed;
}

// Whether the copy sent last still waits: found in place behind other messages, one too
// large to be it included; not once taken; and, where the kernel cannot look in place,
// judged by the queue's last read.
TEST_F(DaemonCore, ACopyIsFoundInPlaceUntilTaken) {
    nvrpc_req copy{};
    copy.mtype = kRequestType;
    memcpy(copy.text, "copy", 4);
    nvrpc_req other = copy;
    other.text[0] = 'C';
    struct {
        long mtype;
        char text[4000];
    } large{};
    large.mtype = kRequestType;
    time_t sent_at = time(nullptr);
    ASSERT_EQ(0, msgsnd(queue(), &other, kReqTextSize, 0));
    ASSERT_EQ(0, msgsnd(queue(), &large, sizeof large.text, 0));
    ASSERT_EQ(0, msgsnd(queue(), &copy, kReqTextSize, 0));
    EXPECT_TRUE(copy_still_queued(queue(), copy, sent_at));
    EXPECT_FALSE(read_from_since(queue(), sent_at)) << "nothing read from a fresh queue";
    nvrpc_req taken{};
    ASSERT_GE(msgrcv(queue(), &taken, kReqTextSize, 0, IPC_NOWAIT), 0);
    EXPECT_TRUE(read_from_since(queue(), sent_at));
    msgrcv(queue(), &large, sizeof large.text, 0, IPC_NOWAIT);
    EXPECT_TRUE(copy_still_queued(queue(), copy, sent_at));
    ASSERT_GE(msgrcv(queue(), &taken, kReqTextSize, 0, IPC_NOWAIT), 0);
    EXPECT_FALSE(copy_still_queued(queue(), copy, sent_at));
    int gone = queue();
    msgctl(gone, IPC_RMID, nullptr);
    EXPECT_FALSE(copy_still_queued(gone, copy, sent_at)) << "a resend then fails";
    EXPECT_TRUE(read_from_since(gone, sent_at));
}

class Channel {
  public:
    Channel() {
        int fds[2];
        EXPECT_EQ(0, socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, fds));
        daemon_ = fds[0];
        modem_ = fds[1];
    }
    ~Channel() {
        close(daemon_);
        close(modem_);
    }
    Channel(const Channel &) = delete;
    Channel &operator=(const Channel &) = delete;

    int daemon() const { return daemon_; }
    void send(const nvrpc_frame &frame) {
        size_t size = kFrameHeaderSize + static_cast<size_t>(frame.payload_len);
        ASSERT_EQ(static_cast<ssize_t>(size), write(modem_, &frame, size));
    }
    // The next frame from the daemon; its size in *count (-1 when none came).
    nvrpc_frame receive(ssize_t *count) {
        nvrpc_frame frame{};
        *count = recv(modem_, &frame, sizeof frame, MSG_DONTWAIT);
        return frame;
    }

  private:
    int daemon_ = -1;
    int modem_ = -1;
};

TEST_F(DaemonCore, APassAnswersARequestUnderTheWakeLock) {
    Channel channel;
    channel.send(request(0, "imei", ""));
    std::string held_while_relayed;
    Service service(1, [&held_while_relayed](int32_t req_id, int) {
        held_while_relayed = kernel_wake_locks();
        send_reply(req_id, 0, "86001");
    });
    EXPECT_EQ(Pass::answered, serve_one_frame(channel.daemon(), buffers_, kTid, *timer_));
    ssize_t count = 0;
    nvrpc_frame answer = channel.receive(&count);
    ASSERT_EQ(static_cast<ssize_t>(kFrameHeaderSize + kAnswerHeadSize + 6), count);
    EXPECT_EQ(kCmdAnswer, answer.cmd);
    EXPECT_EQ("86001", answer_value(answer));
    service.join();
    EXPECT_NE(std::string::npos, held_while_relayed.find("nvrpc_lock"));
    EXPECT_EQ(std::string::npos, kernel_wake_locks().find("nvrpc_lock"));
}

TEST_F(DaemonCore, AFrameTooBigForTheQueueGoesBackAsItCame) {
    Channel channel;
    nvrpc_frame sent = request(0, std::string(1025, 'k'), "");
    channel.send(sent);
    EXPECT_EQ(Pass::answered, serve_one_frame(channel.daemon(), buffers_, kTid, *timer_));
    ssize_t count = 0;
    nvrpc_frame echoed = channel.receive(&count);
    ASSERT_EQ(static_cast<ssize_t>(kFrameHeaderSize) + sent.payload_len, count);
    EXPECT_EQ(kCmdAnswer, echoed.cmd);
    EXPECT_EQ(0, memcmp(sent.payload, echoed.payload, static_cast<size_t>(sent.payload_len)));
    nvrpc_req relayed{};
    EXPECT_LT(msgrcv(queue(), &relayed, kReqTextSize, 0, IPC_NOWAIT | MSG_NOERROR), 0);
}

TEST_F(DaemonCore, OnlyRequestsAreAnswered) {
    Channel channel;
    nvrpc_frame other = request(0, "imei", "");
    other.cmd = kCmdAnswer;
    channel.send(other);
    EXPECT_EQ(Pass::idle, serve_one_frame(channel.daemon(), buffers_, kTid, *timer_));
    ssize_t count = 0;
    channel.receive(&count);
    EXPECT_EQ(-1, count);
}

} // namespace
