/* SPDX-License-Identifier: MIT */
// Request frames as the modem core sends them, and the decoding of the daemon's answers.
//
// The modem core's own conventions (the daemon does not interpret them): head-part bytes
// 12 to 15 carry the operation, key and value parts carry their text with its NUL.
#pragma once

#include "nvrpc_frame.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sim::nv {

constexpr int32_t kOpGet = 1;
constexpr int32_t kOpSet = 2;
constexpr size_t kHeadOpAt = 12;

struct FrameRequest {
    int32_t cmd = nvrpc::kCmdRequest;
    uint32_t opaque = 0x0c0ffee0;
    uint32_t word = 0x1234abcd;
    int32_t req_id = 1;
    int32_t op = kOpGet;
    int32_t head_len = 0;
    std::string key;
    std::optional<std::string> value; // none: value part empty
    // Header fields as sent when set; otherwise they match the parts.
    std::optional<int32_t> head_len_field, key_len_field, value_len_field, payload_len_field;
    size_t pad = 0;                 // extra payload bytes after the parts
    std::optional<size_t> truncate; // send only this many bytes of the frame
};

std::vector<uint8_t> build_frame(const FrameRequest &request);

struct Answer {
    nvrpc::nvrpc_frame header{}; // header fields only
    uint32_t word = 0;
    int32_t req_id = 0;
    int32_t result = 0;
    std::string value;
};

// Decodes an answer; false when it is shorter than its header.
bool decode_answer(const std::vector<uint8_t> &bytes, Answer &answer);

// One line: the answer's fields and its value, escaped.
std::string describe_answer(const std::vector<uint8_t> &bytes, const std::vector<uint8_t> &request);

std::string hex(const std::vector<uint8_t> &bytes);
bool parse_hex(const std::string &text, std::vector<uint8_t> &bytes);
std::string escaped(const std::string &text);

} // namespace sim::nv
