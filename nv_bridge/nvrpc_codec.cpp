// SPDX-License-Identifier: MIT
#include "nvrpc_codec.h"

#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace nvrpc {

namespace {

int32_t load_i32(const uint8_t *at) {
    int32_t value;
    memcpy(&value, at, sizeof value);
    return value;
}

void store_i32(uint8_t *at, int32_t value) {
    memcpy(at, &value, sizeof value);
}

// The key as text: up to its NUL within the key area.
int key_text_length(const nvrpc_req &req) {
    return static_cast<int>(
        strnlen(reinterpret_cast<const char *>(req.text + kReqKeyAt), kKeySize));
}

} // namespace

bool frame_length_ok(const nvrpc_frame &frame, ssize_t count) {
    // Without a whole header, payload_len is stale and must not be trusted.
    if (count < static_cast<ssize_t>(kFrameHeaderSize)) {
        printf("[nvrpc] read error, len=%d != %d!\n", static_cast<int>(count),
               static_cast<int>(kFrameHeaderSize));
        return false;
    }
    int64_t expected = int64_t{frame.payload_len} + int64_t{kFrameHeaderSize};
    if (frame.payload_len < 0 || count != expected) {
        printf("[nvrpc] read error, len=%d != %d!\n", static_cast<int>(count),
               static_cast<int>(static_cast<uint32_t>(frame.payload_len) + kFrameHeaderSize));
        return false;
    }
    return true;
}

bool request_parts_ok(const nvrpc_frame &frame) {
    if (frame.head_len < 0 || frame.key_len < 0 || frame.value_len < 0) {
        printf("[nvrpc] bad frame: negative length (head_len=%d key_len=%d value_len=%d), "
               "echoed\n",
               frame.head_len, frame.key_len, frame.value_len);
        return false;
    }
    int64_t head = int64_t{frame.head_len} + kHeadPartExtra;
    if (head > static_cast<int64_t>(kHeadPartMax)) {
        printf("[nvrpc] bad frame: head part %lld > %d bytes, echoed\n",
               static_cast<long long>(head), static_cast<int>(kHeadPartMax));
        return false;
    }
    if (frame.key_len > static_cast<int32_t>(kKeySize)) {
        printf("[nvrpc] bad frame: key part %d > %d bytes, echoed\n", frame.key_len,
               static_cast<int>(kKeySize));
        return false;
    }
    if (frame.value_len > static_cast<int32_t>(kValueSize)) {
        printf("[nvrpc] bad frame: value part %d > %d bytes, echoed\n", frame.value_len,
               static_cast<int>(kValueSize));
        return false;
    }
    int64_t parts = head + frame.key_len + frame.value_len;
    if (parts > frame.payload_len) {
        printf("[nvrpc] bad frame: parts %lld > payload_len %d bytes, echoed\n",
               static_cast<long long>(parts), frame.payload_len);
        return false;
    }
    return true;
}

uint32_t build_request(const nvrpc_frame &frame, nvrpc_req &req, int32_t tid) {
    const uint8_t *head = frame.payload;
    size_t head_size = static_cast<size_t>(frame.head_len) + kHeadPartExtra;
    const uint8_t *key = head + head_size;
    const uint8_t *value = key + frame.key_len;

    // Head bytes 0 to 7 would land on mtype and tid, which are written over them anyway.
    memcpy(req.text + kReqIdAt, head + kHeadReqIdAt, head_size - kHeadReqIdAt);
    memcpy(req.text + kReqKeyAt, key, static_cast<size_t>(frame.key_len));
    if (frame.value_len == 0)
        req.text[kReqValueAt] = 0;
    else
        memcpy(req.text + kReqValueAt, value, static_cast<size_t>(frame.value_len));

    uint32_t word;
    memcpy(&word, head + kHeadWordAt, sizeof word);
    req.mtype = kRequestType;
    store_i32(req.text + kReqTidAt, tid);
    return word;
}

size_t reply_value_length(const nvrpc_rsp &rsp, ssize_t text_count) {
    if (text_count <= static_cast<ssize_t>(kRspValueAt))
        return 0;
    size_t received = static_cast<size_t>(text_count) - kRspValueAt;
    size_t limit = received < kValueSize - 1 ? received : kValueSize - 1;
    return strnlen(reinterpret_cast<const char *>(rsp.text + kRspValueAt), limit);
}

bool reply_matches(const nvrpc_req &req, const nvrpc_rsp &rsp, ssize_t text_count) {
    if (text_count < static_cast<ssize_t>(kRspReqIdAt + sizeof(int32_t)))
        return false;
    return load_i32(rsp.text + kRspReqIdAt) == load_i32(req.text + kReqIdAt);
}

void report_foreign_reply(const nvrpc_req &req, const nvrpc_rsp &rsp, ssize_t text_count) {
    printf("nv error:recv unknow msg pid = %d, tid = %ld, key = %.*s, value = %.*s\n",
           static_cast<int>(getpid()), static_cast<long>(load_i32(req.text + kReqTidAt)),
           key_text_length(req), reinterpret_cast<const char *>(req.text + kReqKeyAt),
           static_cast<int>(reply_value_length(rsp, text_count)),
           reinterpret_cast<const char *>(rsp.text + kRspValueAt));
}

void build_answer(nvrpc_frame &frame, uint32_t word, const nvrpc_rsp &rsp, ssize_t text_count) {
    size_t value_length = reply_value_length(rsp, text_count);
    // Result bytes that did not arrive count as 0.
    uint8_t result[sizeof(int32_t)] = {};
    if (text_count > static_cast<ssize_t>(kRspResultAt)) {
        size_t got = static_cast<size_t>(text_count) - kRspResultAt;
        memcpy(result, rsp.text + kRspResultAt, got < sizeof result ? got : sizeof result);
    }

    uint8_t *out = frame.payload;
    memcpy(out, &word, sizeof word);
    memcpy(out + 4, rsp.text + kRspReqIdAt, sizeof(int32_t));
    memcpy(out + 8, result, sizeof result);
    memcpy(out + kAnswerHeadSize, rsp.text + kRspValueAt, value_length);
    out[kAnswerHeadSize + value_length] = 0;
    frame.payload_len = static_cast<int32_t>(value_length + kAnswerHeadSize + 1);
}

} // namespace nvrpc
