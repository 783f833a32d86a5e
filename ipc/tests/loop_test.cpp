// SPDX-License-Identifier: MIT
// The receive loop: start and stop, the registry, the built-in events, failing receives.
#include "test_support.h"

#include <pthread.h>
#include <thread>

using namespace ipctest;

namespace {

// Sends a raw message text of text_size bytes with a header claiming claimed_len.
void send_raw(int key, int msg_id, int claimed_len, size_t text_size) {
    struct {
        long mtype;
        unsigned char text[6000];
    } raw{};
    qx_ipc_msg header{};
    header.mtype = 1;
    header.fd_svr = key;
    header.msg_id = msg_id;
    header.len = claimed_len;
    std::memcpy(&raw, &header, sizeof header);
    std::memset(raw.text + QX_IPC_HEADER_TEXT_SIZE, 'p', sizeof raw.text - QX_IPC_HEADER_TEXT_SIZE);
    ASSERT_EQ(msgsnd(msgget(key, 0), &raw, text_size, 0), 0);
}

class Loop : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(qx_ipc_start_loop("loop-test"), 0ul);
        key_ = qx_ipc_get_self_fd();
    }
    void TearDown() override {
        if (get_terminate_flag() == 0)
            qx_ipc_terminate_loop();
    }
    void send(int msg_id, const std::string &text = "") {
        ASSERT_EQ(qx_ipc_send_msg(make_msg(key_, msg_id, text).get()), 0);
    }
    int key_ = -1;
};

} // namespace

TEST(LoopStart, ReferenceCountedStartAndStop) {
    unsigned long first = qx_ipc_start_loop(nullptr);
    ASSERT_NE(first, 0ul);
    EXPECT_EQ(get_terminate_flag(), 0);
    int key = qx_ipc_get_self_fd();
    EXPECT_EQ(key, 5471);
    EXPECT_EQ(qx_ipc_start_loop("other-name"), first);
    EXPECT_EQ(qx_ipc_get_self_fd(), key);

    char name[16] = {};
    pthread_getname_np(static_cast<pthread_t>(first), name, sizeof name);
    EXPECT_STREQ(name, "qxipc");

    EXPECT_EQ(qx_ipc_terminate_loop(), 0); // count 1: keeps running
    EXPECT_TRUE(queue_exists(key));
    EXPECT_EQ(get_terminate_flag(), 0);
    {
        StdoutCapture out;
        EXPECT_EQ(qx_ipc_terminate_loop(), 0); // count 0: stops and waits for the teardown
        EXPECT_EQ(out.take(), "[qx] Err:Warning:The thread(qxipc) is term!\n\n\n");
    }
    EXPECT_EQ(get_terminate_flag(), 1);
    EXPECT_EQ(terminate_loop_flag, 1);
    EXPECT_FALSE(queue_exists(key));
    EXPECT_EQ(qx_ipc_get_self_fd(), key);

    // Without a loop a terminate only lowers the count, to -1: one start and one terminate
    // then still stop the loop, as the count is not above 0.
    EXPECT_EQ(qx_ipc_terminate_loop(), 0);
    ASSERT_NE(qx_ipc_start_loop(nullptr), 0ul);
    EXPECT_EQ(qx_ipc_terminate_loop(), 0);
    EXPECT_EQ(get_terminate_flag(), 1);
    EXPECT_FALSE(queue_exists(key));
}

TEST(LoopStart, WellKnownNameTakesItsKeyAndLongNamesAreCut) {
    ASSERT_NE(qx_ipc_start_loop("msm-server"), 0ul);
    EXPECT_EQ(qx_ipc_get_self_fd(), 5469);
    EXPECT_EQ(qx_ipc_terminate_loop(), 0);

    std::string long_name(80, 'n');
    unsigned long handle = qx_ipc_start_loop(long_name.c_str());
    ASSERT_NE(handle, 0ul);
    EXPECT_EQ(qx_ipc_get_self_fd(), 5471);
    char name[16] = {};
    pthread_getname_np(static_cast<pthread_t>(handle), name, sizeof name);
    EXPECT_EQ(std::string(name), long_name.substr(0, 15));
    StdoutCapture out;
    EXPECT_EQ(qx_ipc_terminate_loop(), 0);
    EXPECT_EQ(out.take(),
              "[qx] Err:Warning:The thread(" + long_name.substr(0, 62) + ") is term!\n\n\n");
}

TEST(LoopStart, NoFreeKeyMeansNoLoop) {
    for (int key = 5471; key <= 5726; ++key)
        ASSERT_GE(msgget(key, IPC_CREAT | 0600), 0);
    int before = qx_ipc_get_self_fd();
    {
        StdoutCapture out;
        EXPECT_EQ(qx_ipc_start_loop(nullptr), 0ul);
        EXPECT_EQ(out.take(), "[qx] Err:No MSG-QUEUE can be used!\n\n\n");
    }
    EXPECT_EQ(qx_ipc_get_self_fd(), before);
    EXPECT_EQ(qx_ipc_terminate_loop(), 0); // not running: only the count drops
    remove_queue(5726);
    ASSERT_NE(qx_ipc_start_loop(nullptr), 0ul);
    EXPECT_EQ(qx_ipc_get_self_fd(), 5726);
    EXPECT_EQ(qx_ipc_terminate_loop(), 0);
    for (int key = 5471; key <= 5726; ++key)
        remove_queue(key);
}

TEST(LoopStart, UnnamedEndpointsTakeKeysInStartOrderAcrossProcesses) {
    Pipe keys;
    Pipe go;
    pid_t first = spawn([&] {
        qx_ipc_start_loop(nullptr);
        keys.put(qx_ipc_get_self_fd());
        go.get();
        return qx_ipc_terminate_loop() == 0 ? 0 : 1;
    });
    ASSERT_EQ(keys.get(), 5471);
    ASSERT_NE(qx_ipc_start_loop(nullptr), 0ul);
    EXPECT_EQ(qx_ipc_get_self_fd(), 5472);
    go.put(1);
    EXPECT_EQ(wait_exit(first), 0);
    EXPECT_FALSE(queue_exists(5471));
    // Forked children must not inherit a running loop.
    EXPECT_EQ(qx_ipc_terminate_loop(), 0);
    pid_t third = spawn([&] {
        qx_ipc_start_loop(nullptr);
        keys.put(qx_ipc_get_self_fd());
        return qx_ipc_terminate_loop() == 0 ? 0 : 1;
    });
    EXPECT_EQ(keys.get(), 5471);
    EXPECT_EQ(wait_exit(third), 0);
}

TEST_F(Loop, EveryMatchingEntryInRegistrationOrderAndOneShotOnce) {
    Recorder seen;
    qx_ipc_event evs[] = {seen.event(7, 1, 1), seen.event(8, 9, 0), seen.event(7, 2, 0),
                          seen.event(7, 3, 1)};
    EXPECT_EQ(qx_ipc_register_events(evs, 4), 0);
    EXPECT_EQ(qx_ipc_register_events(evs, 0), 0);
    send(7, "a");
    send(7, "b");
    send(8, "c");
    ASSERT_TRUE(seen.wait_for(6));
    EXPECT_EQ(seen.calls(),
              (std::vector<std::string>{"1:7:a", "2:7:a", "3:7:a", "1:7:b", "3:7:b", "9:8:c"}));
}

TEST_F(Loop, DeleteMatchesMsgIdAndTag) {
    Recorder seen;
    qx_ipc_event keep = seen.add(7, 1, 1);
    ASSERT_EQ(qx_ipc_event_add(&keep), 0);
    qx_ipc_event wrong_tag = keep;
    wrong_tag.tag = 5;
    EXPECT_EQ(qx_ipc_event_del(&wrong_tag), 0);
    send(7, "x");
    ASSERT_TRUE(seen.wait_for(2));
    qx_ipc_event same = keep;
    same.handler = nullptr; // fields other than msg_id and tag are not compared
    same.keep = 0;
    EXPECT_EQ(qx_ipc_event_del(&same), 0);
    seen.add(7, 2, 1);
    send(7, "y");
    ASSERT_TRUE(seen.wait_for(3));
    EXPECT_EQ(seen.calls(), (std::vector<std::string>{"1:7:x", "1:7:x", "2:7:y"}));
}

TEST_F(Loop, StopMessageIsSeenByLaterEntriesAndEndsTheLoop) {
    Recorder seen;
    seen.add(2, 42, 1);
    seen.add(0, 40, 1);
    send(1); // absorbed by the built-in only
    send(0);
    // A stop from another process ends the loop whatever the count.
    unsigned long handle = qx_ipc_start_loop(nullptr);
    EXPECT_EQ(qx_ipc_start_loop(nullptr), handle);
    pid_t other = spawn([&] {
        Msg stop = make_msg(key_, 2);
        stop->fd_src = -1;
        return qx_ipc_send_msg(stop.get()) == 0 ? 0 : 1;
    });
    EXPECT_EQ(wait_exit(other), 0);
    ASSERT_TRUE(seen.wait_for(2));
    testkit::eventually([&] { return get_terminate_flag() != 0; });
    EXPECT_EQ(get_terminate_flag(), 1);
    EXPECT_EQ(seen.calls(), (std::vector<std::string>{"40:0:", "42:2:"}));
    EXPECT_FALSE(queue_exists(key_));
    EXPECT_EQ(qx_ipc_terminate_loop(), 0); // not running any more: returns at once
    EXPECT_EQ(qx_ipc_terminate_loop(), 0);
    EXPECT_EQ(qx_ipc_terminate_loop(), 0);

    // A new start brings a fresh registry: the old entries are gone.
    ASSERT_NE(qx_ipc_start_loop(nullptr), 0ul);
    send(2);
    testkit::eventually([&] { return get_terminate_flag() != 0; });
    EXPECT_EQ(seen.calls().size(), 2u);
    EXPECT_EQ(qx_ipc_terminate_loop(), 0);
}

TEST_F(Loop, OversizedAndShortMessagesAreCutToWhatArrived) {
    Recorder seen;
    seen.add(9, 0, 1);
    send_raw(key_, 9, 5000, QX_IPC_HEADER_TEXT_SIZE + 5000); // longer than a receiver takes
    send_raw(key_, 9, 4000, QX_IPC_HEADER_TEXT_SIZE + 10);   // claims more than it carries
    send_raw(key_, 9, -7, QX_IPC_HEADER_TEXT_SIZE + 3);
    send(9, "after");
    ASSERT_TRUE(seen.wait_for(4));
    auto headers = seen.headers();
    EXPECT_EQ(headers[0].len, QX_IPC_MAX_DATA);
    EXPECT_EQ(headers[1].len, 10);
    EXPECT_EQ(headers[2].len, 0);
    EXPECT_EQ(seen.calls()[3], "0:9:after");
}

TEST_F(Loop, OwnQueueRemovedUnderTheLoopIsMadeAgain) {
    Recorder seen;
    seen.add(9, 0, 1);
    remove_queue(key_);
    testkit::eventually([&] { return queue_exists(key_); });
    ASSERT_TRUE(queue_exists(key_));
    send(9, "again");
    ASSERT_TRUE(seen.wait_for(1));
    EXPECT_EQ(seen.calls()[0], "0:9:again");
    EXPECT_EQ(get_terminate_flag(), 0);
}

TEST_F(Loop, OwnQueueThatCannotBeMadeAgainEndsTheLoop) {
    // Another endpoint takes the key while it is free: the loop must not share its queue.
    StdoutCapture out;
    remove_queue(key_);
    ASSERT_GE(msgget(key_, IPC_CREAT | IPC_EXCL | 0600), 0);
    testkit::eventually([&] { return get_terminate_flag() != 0; });
    EXPECT_EQ(get_terminate_flag(), 1);
    EXPECT_EQ(out.take(), "[qx] Err:Warning:The thread(loop-test) is term!\n\n\n");
    remove_queue(key_);
}

namespace {
int terminate_from_handler(qx_ipc_event *ev, qx_ipc_msg *) {
    *static_cast<int *>(ev->arg) = qx_ipc_terminate_loop();
    return 0;
}
} // namespace

TEST_F(Loop, AHandlerMayEndTheLoop) {
    int result = -9;
    qx_ipc_event ev{};
    ev.keep = 1;
    ev.msg_id = 30;
    ev.handler = terminate_from_handler;
    ev.arg = &result;
    ASSERT_EQ(qx_ipc_event_add(&ev), 0);
    send(30);
    testkit::eventually([&] { return get_terminate_flag() != 0; });
    EXPECT_EQ(get_terminate_flag(), 1);
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(queue_exists(key_));
}
