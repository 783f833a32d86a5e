// SPDX-License-Identifier: MIT
// Frame checks, request building and answer building of the NV bridge.
#include "frames.h"
#include "nvrpc_codec.h"

#include "tests/support/kit.h"

#include <gtest/gtest.h>

#include <climits>
#include <csignal>
#include <cstring>
#include <functional>
#include <string>
#include <unistd.h>

using namespace nvrpc;

namespace {

using testkit::stdout_of;

} // namespace

TEST(FrameLength, WholeFrameOnlyWhenCountIsPayloadPlusHeader) {
    nvrpc_frame frame = request(0, "key", "");
    EXPECT_TRUE(frame_length_ok(frame, frame.payload_len + 24));
    EXPECT_EQ("[nvrpc] read error, len=30 != 47!\n",
              stdout_of([&] { EXPECT_FALSE(frame_length_ok(frame, 30)); }));
    frame.payload_len = 3072;
    EXPECT_TRUE(frame_length_ok(frame, 3096));
}

TEST(FrameLength, CountsBelowTheHeaderNeverPassOnAStalePayloadLength) {
    nvrpc_frame frame{};
    // Left over from an earlier frame: counts of 0, -1 and 20 would "match" these.
    for (auto lengths : {std::pair{-24, 0}, {-25, -1}, {-4, 20}}) {
        frame.payload_len = lengths.first;
        int count = lengths.second;
        EXPECT_EQ("[nvrpc] read error, len=" + std::to_string(count) + " != 24!\n",
                  stdout_of([&] { EXPECT_FALSE(frame_length_ok(frame, count)); }));
    }
    frame.payload_len = INT_MAX;
    EXPECT_EQ("[nvrpc] read error, len=3096 != -2147483625!\n",
              stdout_of([&] { EXPECT_FALSE(frame_length_ok(frame, 3096)); }));
}

TEST(RequestParts, LimitsOfTheQueueRequest) {
    EXPECT_TRUE(request_parts_ok(request(256, std::string(1024, 'k'), std::string(1024, 'v'))));
    EXPECT_TRUE(request_parts_ok(request(0, "", "")));

    struct Case {
        nvrpc_frame frame;
        const char *line;
    };
    nvrpc_frame fits = request(0, "key", "value");
    nvrpc_frame beyond = fits;
    beyond.payload_len -= 1;
    nvrpc_frame negative = fits;
    negative.value_len = -1;
    nvrpc_frame huge = fits;
    huge.key_len = INT_MAX;
    huge.value_len = INT_MAX;
    nvrpc_frame negative_head = fits;
    negative_head.head_len = -21;
    const Case cases[] = {
        {request(257, "k", "v"), "[nvrpc] bad frame: head part 277 > 276 bytes, echoed\n"},
        {request(0, std::string(1025, 'k'), ""),
         "[nvrpc] bad frame: key part 1025 > 1024 bytes, echoed\n"},
        {request(0, "k", std::string(1025, 'v')),
         "[nvrpc] bad frame: value part 1025 > 1024 bytes, echoed\n"},
        {beyond, "[nvrpc] bad frame: parts 28 > payload_len 27 bytes, echoed\n"},
        {negative,
         "[nvrpc] bad frame: negative length (head_len=0 key_len=3 value_len=-1), echoed\n"},
        {huge, "[nvrpc] bad frame: key part 2147483647 > 1024 bytes, echoed\n"},
        {negative_head, "[nvrpc] bad frame: negative length (head_len=-21 key_len=3 "
                        "value_len=5), echoed\n"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.line, stdout_of([&] { EXPECT_FALSE(request_parts_ok(c.frame)); }));
}

TEST(BuildRequest, LaysThePartsOntoTheQueueRequest) {
    static nvrpc_req req;
    memset(&req, 0xee, sizeof req);
    nvrpc_frame frame = request(4, std::string("cfg.a\0", 6), std::string("on\0", 3));
    EXPECT_EQ(0xa1b2c3d4u, build_request(frame, req, 4321));

    EXPECT_EQ(kRequestType, req.mtype);
    EXPECT_EQ(4321, i32_at(req.text + kReqTidAt));
    EXPECT_EQ(77, i32_at(req.text + kReqIdAt));
    // Head bytes 12 to 23 (head_len 4) follow the request identifier unchanged.
    for (size_t i = 12; i < 24; ++i)
        EXPECT_EQ(0x80 + i % 64, req.text[i - 4]) << i;
    EXPECT_EQ(0xee, req.text[20]) << "beyond the head part";
    EXPECT_EQ(0, memcmp(req.text + kReqKeyAt, "cfg.a\0", 6));
    EXPECT_EQ(0xee, req.text[kReqKeyAt + 6]) << "no terminator added";
    EXPECT_EQ(0, memcmp(req.text + kReqValueAt, "on\0", 3));

    // A get after it: only the first value byte is cleared, the rest is left as it was.
    frame = request(0, std::string("cfg.b\0", 6), "");
    build_request(frame, req, 4321);
    EXPECT_EQ(0, req.text[kReqValueAt]);
    EXPECT_EQ(0, memcmp(req.text + kReqValueAt + 1, "n\0", 2));
}

TEST(BuildRequest, LargestPartsStayInTheirAreas) {
    static nvrpc_req req;
    memset(&req, 0, sizeof req);
    nvrpc_frame frame = request(256, std::string(1024, 'k'), std::string(1024, 'v'));
    ASSERT_TRUE(request_parts_ok(frame));
    build_request(frame, req, 1);
    EXPECT_EQ(0x80 + 275 % 64, req.text[kReqKeyAt - 1]);
    EXPECT_EQ('k', req.text[kReqKeyAt]);
    EXPECT_EQ('k', req.text[kReqValueAt - 1]);
    EXPECT_EQ('v', req.text[kReqValueAt]);
    EXPECT_EQ('v', req.text[kReqTextSize - 1]);
}

TEST(Reply, MatchesOnlyWithTheRequestIdentifier) {
    static nvrpc_req req;
    build_request(request(0, "k", ""), req, 9);
    EXPECT_TRUE(reply_matches(req, reply(77, 0, ""), 9));
    EXPECT_FALSE(reply_matches(req, reply(78, 0, ""), 9));
    EXPECT_TRUE(reply_matches(req, reply(77, 0, ""), 4));
    EXPECT_FALSE(reply_matches(req, reply(77, 0, ""), 3)) << "too short to carry a req_id";
}

TEST(Reply, ValueIsCutAtItsNulTheBytesReceivedAnd1023) {
    EXPECT_EQ(3u, reply_value_length(reply(1, 0, std::string("abc\0def", 7)), 8 + 7));
    EXPECT_EQ(2u, reply_value_length(reply(1, 0, "abcdef"), 8 + 2));
    EXPECT_EQ(0u, reply_value_length(reply(1, 0, "abc"), 6));
    EXPECT_EQ(1023u, reply_value_length(reply(1, 0, std::string(1024, 'x')), 1032));
}

TEST(Answer, CarriesWordReplyAndValueWithItsNul) {
    nvrpc_frame frame = request(0, "key", "");
    frame.opaque = 0x55aa;
    nvrpc_frame before = frame;
    build_answer(frame, 0xa1b2c3d4, reply(77, -5, std::string("hello\0", 6)), 8 + 6);

    EXPECT_EQ(18, frame.payload_len);
    EXPECT_EQ(before.opaque, frame.opaque);
    EXPECT_EQ(before.head_len, frame.head_len);
    EXPECT_EQ(before.key_len, frame.key_len);
    EXPECT_EQ(before.value_len, frame.value_len);
    EXPECT_EQ(static_cast<int32_t>(0xa1b2c3d4), i32_at(frame.payload));
    EXPECT_EQ(77, i32_at(frame.payload + 4));
    EXPECT_EQ(-5, i32_at(frame.payload + 8));
    EXPECT_EQ(0, memcmp(frame.payload + 12, "hello\0", 6));
}

TEST(Answer, EmptyShortAndUnterminatedValues) {
    nvrpc_frame frame = request(0, "key", "");
    build_answer(frame, 1, reply(77, 0, ""), 9);
    EXPECT_EQ(13, frame.payload_len);

    // Without a NUL in its 1024 bytes the value is cut at 1023 and terminated.
    build_answer(frame, 1, reply(77, 0, std::string(1024, 'x')), 1032);
    EXPECT_EQ(1023 + 13, frame.payload_len);
    EXPECT_EQ(0, frame.payload[12 + 1023]);

    // A reply cut inside its result: the missing bytes count as 0.
    memset(frame.payload, 0xff, 16);
    build_answer(frame, 1, reply(77, 0x01020304, ""), 6);
    EXPECT_EQ(0x0304, i32_at(frame.payload + 8));
    EXPECT_EQ(13, frame.payload_len);
}

TEST(Reply, ForeignReplyLineStaysWithinTheBuffers) {
    static nvrpc_req req;
    memset(&req, 'z', sizeof req); // no NUL anywhere in the key or value areas
    nvrpc_frame frame = request(0, std::string(1024, 'k'), std::string(1024, 'v'));
    build_request(frame, req, 321);
    nvrpc_rsp rsp = reply(1, 0, std::string(1024, 'r'));
    std::string line = stdout_of([&] { report_foreign_reply(req, rsp, 1032); });
    std::string expected = "nv error:recv unknow msg pid = " + std::to_string(getpid()) +
                           ", tid = 321, key = " + std::string(1024, 'k') +
                           ", value = " + std::string(1023, 'r') + "\n";
    EXPECT_EQ(expected, line);
}
