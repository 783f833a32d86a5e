/* SPDX-License-Identifier: MIT */
// Layouts of the rpmsg frame and of the request and reply messages on queue 4134.
// All integers are 32-bit and native-endian; only the queue messages' mtype is a long.
#pragma once

#include <cstddef>
#include <cstdint>
#include <sys/types.h>

namespace nvrpc {

constexpr int32_t kCmdRequest = 0xaa;
constexpr int32_t kCmdAnswer = 0xbb;

constexpr size_t kFrameHeaderSize = 24;
constexpr size_t kFramePayloadSize = 3072;

// The request's head part is head_len + 20 bytes.
constexpr int32_t kHeadPartExtra = 20;
constexpr size_t kHeadPartMax = 276;
constexpr size_t kKeySize = 1024;
constexpr size_t kValueSize = 1024;

// Head-part offsets.
constexpr size_t kHeadWordAt = 4;
constexpr size_t kHeadReqIdAt = 8;

struct nvrpc_frame {
    int32_t cmd;
    uint32_t opaque;
    int32_t head_len;
    int32_t key_len;
    int32_t value_len;
    int32_t payload_len;
    uint8_t payload[kFramePayloadSize];
};
static_assert(sizeof(nvrpc_frame) == 3096);
static_assert(offsetof(nvrpc_frame, payload) == kFrameHeaderSize);

constexpr key_t kQueueKey = 4134;
constexpr long kRequestType = 6;
constexpr size_t kReqTextSize = 2320;
constexpr size_t kRspTextSize = 1032;

// Offsets within a message's text, which follows the mtype (4 bytes on the module).
constexpr size_t kReqTidAt = 0;
constexpr size_t kReqIdAt = 4;
constexpr size_t kReqKeyAt = 272;
constexpr size_t kReqValueAt = kReqKeyAt + kKeySize;
static_assert(kReqValueAt + kValueSize == kReqTextSize);
// Head-part byte 8 (the request identifier) lands on text byte 4.
constexpr size_t kHeadToText = kHeadReqIdAt - kReqIdAt;
static_assert(kHeadPartMax - kHeadToText == kReqKeyAt);

constexpr size_t kRspReqIdAt = 0;
constexpr size_t kRspResultAt = 4;
constexpr size_t kRspValueAt = 8;
static_assert(kRspValueAt + kValueSize == kRspTextSize);

struct nvrpc_req {
    long mtype;
    uint8_t text[kReqTextSize];
};

struct nvrpc_rsp {
    long mtype;
    uint8_t text[kRspTextSize];
};

static_assert(offsetof(nvrpc_req, text) == sizeof(long));
static_assert(sizeof(nvrpc_req) == sizeof(long) + kReqTextSize);
static_assert(sizeof(nvrpc_rsp) == sizeof(long) + kRspTextSize);
static_assert(sizeof(long) != 4 || (sizeof(nvrpc_req) == 2324 && sizeof(nvrpc_rsp) == 1036));

// The answer payload: requester's word, req_id, result, value text with its NUL.
constexpr size_t kAnswerHeadSize = 12;

} // namespace nvrpc
