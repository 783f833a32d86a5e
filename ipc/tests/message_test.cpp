// SPDX-License-Identifier: MIT
// Messages, endpoint keys, the plain sends and the log function, against real queues.
#include "test_support.h"

#include <cerrno>

using namespace ipctest;

namespace {

// Receives the next message of a queue whole, as raw text after mtype.
struct Raw {
    long mtype;
    unsigned char text[8192];
};

ssize_t receive_raw(int key, Raw *raw) {
    int id = msgget(key, 0);
    return id < 0 ? -1 : msgrcv(id, raw, sizeof raw->text, 0, IPC_NOWAIT);
}

} // namespace

// Runs first in this program: the first send of a process carries seq 0.
TEST(Send, FirstMessageHasSeqZeroAndLenZeroTravelsAs28Bytes) {
    ASSERT_GE(msgget(6001, IPC_CREAT | 0600), 0);
    Msg msg = make_msg(6001, 9);
    msg->mtype = 77;
    ASSERT_EQ(qx_ipc_send_msg(msg.get()), 0);
    EXPECT_EQ(msg->mtype, 1);
    Raw raw;
    ASSERT_EQ(receive_raw(6001, &raw), QX_IPC_HEADER_TEXT_SIZE);
    EXPECT_EQ(raw.mtype, 1);
    qx_ipc_msg header;
    std::memcpy(&header, &raw, sizeof header);
    EXPECT_EQ(header.seq, 0);
    EXPECT_EQ(header.msg_id, 9);
    EXPECT_EQ(header.fd_svr, 6001);

    // Each send takes the next number, whatever the operation.
    ASSERT_EQ(qx_ipc_send_msg_with_flag(msg.get(), IPC_NOWAIT), 0);
    EXPECT_EQ(msg->seq, 1);
    ASSERT_EQ(qx_ipc_send_msg(msg.get()), 0);
    EXPECT_EQ(msg->seq, 2);
    remove_queue(6001);
}

TEST(Keys, TheTwoLookupsDiffer) {
    EXPECT_EQ(qx_ipc_get_svr_fd(nullptr), 5470);
    EXPECT_EQ(qx_ipc_get_svr_fd("mnet_whitelist_proxy_ipc"), 5468);
    EXPECT_EQ(qx_ipc_get_svr_fd("msm-server"), 5469);
    EXPECT_EQ(qx_ipc_get_svr_fd("msm-server2"), 5470);
    EXPECT_EQ(qx_ipc_get_key_by_name("wifi_proxy_ipc"), 5467);
    EXPECT_EQ(qx_ipc_get_key_by_name("msm-server"), 5470);
    EXPECT_EQ(qx_ipc_get_key_by_name("mnet_whitelist_proxy_ipc"), 5470);
}

TEST(Keys, NoOwnKeyBeforeALoop) {
    EXPECT_EQ(qx_ipc_get_self_fd(), -1);
}

TEST(Send, RefusedWithoutADestination) {
    Msg msg = make_msg(-1, 9);
    msg->seq = 1234;
    StdoutCapture out;
    EXPECT_EQ(qx_ipc_send_msg(msg.get()), -1);
    EXPECT_EQ(qx_ipc_send_msg_with_flag(msg.get(), IPC_NOWAIT), -1);
    EXPECT_EQ(out.take(), "[qx] Err:qx_ipc_send_msg failed(fd_svr=0xffffffff)\n\n\n"
                          "[qx] Err:qx_ipc_send_msg failed(fd_svr=0xffffffff)\n\n\n");
    EXPECT_EQ(msg->seq, 1234);

    // The counter did not move: the next real send continues where it was.
    ASSERT_GE(msgget(6002, IPC_CREAT | 0600), 0);
    Msg probe = make_msg(6002, 1);
    ASSERT_EQ(qx_ipc_send_msg(probe.get()), 0);
    int before = probe->seq;
    qx_ipc_send_msg(msg.get());
    ASSERT_EQ(qx_ipc_send_msg(probe.get()), 0);
    EXPECT_EQ(probe->seq, before + 1);
    remove_queue(6002);

    EXPECT_EQ(qx_ipc_send_msg(nullptr), -1);
    EXPECT_EQ(qx_ipc_send_msg_with_flag(nullptr, 0), -1);
}

TEST(Send, MissingQueueIsReportedAndNotCreated) {
    Msg msg = make_msg(6003, 9, "x");
    StdoutCapture out;
    EXPECT_EQ(qx_ipc_send_msg(msg.get()), -1);
    EXPECT_EQ(qx_ipc_send_msg_with_flag(msg.get(), IPC_NOWAIT), -1);
    EXPECT_EQ(out.take(), "[qx] Err:qx_ipc_send_msg failed(0x2)\n\n\n"
                          "[qx] Err:qx_ipc_send_msg failed(0x2)\n\n\n");
    EXPECT_FALSE(queue_exists(6003));
}

TEST(Send, KeyZeroNamesNoQueueAndCreatesNone) {
    // A queue sent to just before: key 0 must not reuse what this thread remembers either.
    ASSERT_GE(msgget(6005, IPC_CREAT | 0600), 0);
    ASSERT_EQ(qx_ipc_send_msg(make_msg(6005, 9).get()), 0);
    const int queues = queue_count();
    Msg msg = make_msg(0, 9, "lost");
    StdoutCapture out;
    errno = 0;
    EXPECT_EQ(qx_ipc_send_msg(msg.get()), -1);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(qx_ipc_send_msg(msg.get()), -1);
    EXPECT_EQ(qx_ipc_send_msg_with_flag(msg.get(), IPC_NOWAIT), -1);
    EXPECT_EQ(out.take(), "[qx] Err:qx_ipc_send_msg failed(0x2)\n\n\n"
                          "[qx] Err:qx_ipc_send_msg failed(0x2)\n\n\n"
                          "[qx] Err:qx_ipc_send_msg failed(0x2)\n\n\n");
    EXPECT_EQ(queue_count(), queues);
    EXPECT_EQ(queued(6005), 1);
    remove_queue(6005);
}

TEST(Send, RemovedAndRemadeQueueIsFoundAgain) {
    // A queue that goes away after a send must be reported, not written to a stale identifier.
    ASSERT_GE(msgget(6004, IPC_CREAT | 0600), 0);
    Msg msg = make_msg(6004, 9, "a");
    ASSERT_EQ(qx_ipc_send_msg(msg.get()), 0);
    remove_queue(6004);
    {
        StdoutCapture out;
        EXPECT_EQ(qx_ipc_send_msg(msg.get()), -1);
        EXPECT_EQ(out.take(), "[qx] Err:qx_ipc_send_msg failed(0x2)\n\n\n");
    }
    ASSERT_GE(msgget(6004, IPC_CREAT | 0600), 0);
    ASSERT_EQ(qx_ipc_send_msg(msg.get()), 0);
    remove_queue(6004);
    ASSERT_GE(msgget(6004, IPC_CREAT | 0600), 0);
    ASSERT_EQ(qx_ipc_send_msg(msg.get()), 0);
    EXPECT_EQ(queued(6004), 1);
    remove_queue(6004);
}

TEST(Send, FullQueueWithNoWaitFailsAtOnce) {
    ASSERT_GE(msgget(6006, IPC_CREAT | 0600), 0);
    Msg msg = make_msg(6006, 9, std::string(4096, 'f'));
    int sent = 0;
    int result = 0;
    while ((result = qx_ipc_send_msg_with_flag(msg.get(), IPC_NOWAIT)) == 0 && sent < 1000)
        ++sent;
    EXPECT_EQ(result, -1);
    EXPECT_EQ(errno, EAGAIN);
    EXPECT_GE(sent, 1);
    EXPECT_EQ(queued(6006), sent);
    remove_queue(6006);
}

TEST(Send, NegativeLengthIsRefused) {
    ASSERT_GE(msgget(6007, IPC_CREAT | 0600), 0);
    Msg msg = make_msg(6007, 9);
    msg->len = -20;
    EXPECT_EQ(qx_ipc_send_msg(msg.get()), -1);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(queued(6007), 0);
    remove_queue(6007);
}

TEST(Log, PrefixLevelAndLength) {
    StdoutCapture out;
    qx_ipc_log("[qx]", 3, "a %d b %s", 5, "c");
    qx_ipc_log("[qx]", 1, "plain");
    qx_ipc_log("[p]", 4, "%s", "");
    qx_ipc_log("[qx]", 3, nullptr);
    qx_ipc_log("[qx]", 2, "%s", std::string(2000, 'z').c_str());
    std::string text = out.take();
    std::string expected =
        "[qx] Err:a 5 b c\n[qx] plain\n[p] \n[qx] " + std::string(1022, 'z') + "\n";
    EXPECT_EQ(text, expected);
}
