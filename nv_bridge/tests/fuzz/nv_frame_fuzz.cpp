// SPDX-License-Identifier: MIT
// Arbitrary rpmsg frames (with any read count) and arbitrary service replies through the
// NV bridge's frame checks, request building and answer building: nothing is read or written
// outside the fixed buffers, and an answer always fits its frame with its value terminated.
#include "nvrpc_codec.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

using namespace nvrpc;

void check(bool ok) {
    if (!ok)
        abort();
}

uint16_t take_u16(const uint8_t *&data, size_t &size) {
    uint16_t value = 0;
    if (size >= 2) {
        memcpy(&value, data, 2);
        data += 2;
        size -= 2;
    }
    return value;
}

} // namespace

// Input: read count (2 bytes), frame length in the input (2 bytes), the frame bytes, then
// the reply's received count (2 bytes) and its bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // Heap buffers of their exact sizes, so that any overrun is caught.
    auto frame = std::make_unique<nvrpc_frame>();
    auto req = std::make_unique<nvrpc_req>();
    auto rsp = std::make_unique<nvrpc_rsp>();

    // A read never returns more than the frame buffer holds.
    ssize_t count = take_u16(data, size) % (sizeof(nvrpc_frame) + 1);
    size_t frame_bytes = std::min<size_t>(take_u16(data, size), std::min(size, sizeof *frame));
    memcpy(frame.get(), data, frame_bytes);
    data += frame_bytes;
    size -= frame_bytes;

    if (!frame_length_ok(*frame, count))
        return 0;
    check(count >= static_cast<ssize_t>(kFrameHeaderSize) &&
          frame->payload_len == count - static_cast<ssize_t>(kFrameHeaderSize));
    if (!request_parts_ok(*frame))
        return 0;
    uint32_t word = build_request(*frame, *req, 1234);
    check(req->mtype == kRequestType);

    ssize_t text_count = take_u16(data, size) % (kRspTextSize + 1);
    memcpy(rsp->text, data, std::min(size, kRspTextSize));
    if (!reply_matches(*req, *rsp, text_count))
        report_foreign_reply(*req, *rsp, text_count);
    build_answer(*frame, word, *rsp, text_count);
    size_t value = static_cast<size_t>(frame->payload_len) - kAnswerHeadSize - 1;
    check(frame->payload_len >= static_cast<int32_t>(kAnswerHeadSize + 1));
    check(value < kValueSize && value == reply_value_length(*rsp, text_count));
    check(frame->payload[kAnswerHeadSize + value] == 0);
    check(memcmp(frame->payload, &word, sizeof word) == 0);
    return 0;
}
