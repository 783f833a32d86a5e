/* SPDX-License-Identifier: MIT */
// Frames and replies as the modem core and the parameter service send them, for the tests.
#pragma once

#include "nvrpc_frame.h"

#include <cstring>
#include <string>

namespace nvrpc {

// The requester's word and req_id of every request() frame.
constexpr uint32_t kTestWord = 0xa1b2c3d4;
constexpr int32_t kTestReqId = 77;

// A request frame: head part of head_len + 20 bytes, key and value parts, as sent.
inline nvrpc_frame request(int32_t head_len, const std::string &key, const std::string &value) {
    nvrpc_frame frame{};
    frame.cmd = kCmdRequest;
    frame.head_len = head_len;
    frame.key_len = static_cast<int32_t>(key.size());
    frame.value_len = static_cast<int32_t>(value.size());
    size_t head = static_cast<size_t>(head_len) + kHeadPartExtra;
    for (size_t i = 0; i < head; ++i)
        frame.payload[i] = static_cast<uint8_t>(0x80 + i % 64);
    memcpy(frame.payload + kHeadWordAt, &kTestWord, sizeof kTestWord);
    memcpy(frame.payload + kHeadReqIdAt, &kTestReqId, sizeof kTestReqId);
    memcpy(frame.payload + head, key.data(), key.size());
    memcpy(frame.payload + head + key.size(), value.data(), value.size());
    frame.payload_len = static_cast<int32_t>(head + key.size() + value.size());
    return frame;
}

inline int32_t i32_at(const uint8_t *at) {
    int32_t value;
    memcpy(&value, at, sizeof value);
    return value;
}

// A reply: req_id, result, then `value` as given (its NUL only when it holds one).
inline nvrpc_rsp reply(int32_t req_id, int32_t result, const std::string &value) {
    nvrpc_rsp rsp{};
    memcpy(rsp.text + kRspReqIdAt, &req_id, sizeof req_id);
    memcpy(rsp.text + kRspResultAt, &result, sizeof result);
    memcpy(rsp.text + kRspValueAt, value.data(), value.size());
    return rsp;
}

} // namespace nvrpc
