// SPDX-License-Identifier: MIT
// Frame reads and writes on a channel-like socket (one record per frame).
#include "channel.h"

#include "tests/support/kit.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

using namespace nvrpc;

namespace {

struct Pair {
    int daemon = -1, modem = -1;
    Pair() {
        int fds[2];
        EXPECT_EQ(0, socketpair(AF_UNIX, SOCK_SEQPACKET, 0, fds));
        daemon = fds[0];
        modem = fds[1];
    }
    ~Pair() {
        close(daemon);
        if (modem >= 0)
            close(modem);
    }
};

} // namespace

TEST(FrameRead, ReadsOneWholeFrameAndDropsABadOne) {
    Pair pair;
    nvrpc_frame sent{};
    sent.cmd = kCmdRequest;
    sent.payload_len = 5;
    memcpy(sent.payload, "abcde", 5);
    ASSERT_EQ(29, write(pair.modem, &sent, 29));
    static nvrpc_frame frame;
    ASSERT_EQ(0, frame_read(pair.daemon, frame, 5));
    EXPECT_EQ(0, memcmp(&sent, &frame, 29));

    sent.payload_len = 6; // says one byte more than it carries
    ASSERT_EQ(29, write(pair.modem, &sent, 29));
    EXPECT_EQ("[nvrpc] read error, len=29 != 30!\n",
              testkit::stdout_of([&] { EXPECT_EQ(-3, frame_read(pair.daemon, frame, 5)); }));
}

TEST(FrameRead, TimeOutIsReportedAndWaitingCanGoOn) {
    Pair pair;
    static nvrpc_frame frame;
    EXPECT_EQ("[error] nvrpc select timeout!\n",
              testkit::stdout_of([&] { EXPECT_EQ(-1, frame_read(pair.daemon, frame, 0)); }));
}

TEST(FrameWrite, WholeFrameOrTheFailureLine) {
    Pair pair;
    static nvrpc_frame frame;
    frame.cmd = kCmdAnswer;
    frame.payload_len = 13;
    ASSERT_EQ(0, frame_write(pair.daemon, frame));
    uint8_t got[64];
    EXPECT_EQ(37, read(pair.modem, got, sizeof got));

    close(pair.modem);
    pair.modem = -1;
    signal(SIGPIPE, SIG_IGN); // the module's channel reports EPIPE rather than raise it
    EXPECT_EQ("[nvrpc] write error, len=-1 != 37!\n",
              testkit::stdout_of([&] { EXPECT_EQ(-1, frame_write(pair.daemon, frame)); }));
}
