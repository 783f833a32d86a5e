// SPDX-License-Identifier: MIT
#include "modem_frames.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace sim::nv {

namespace {

void put_i32(std::vector<uint8_t> &bytes, size_t at, int32_t value) {
    memcpy(bytes.data() + at, &value, sizeof value);
}

int32_t get_i32(const uint8_t *at) {
    int32_t value;
    memcpy(&value, at, sizeof value);
    return value;
}

} // namespace

std::vector<uint8_t> build_frame(const FrameRequest &request) {
    size_t head = static_cast<size_t>(request.head_len < 0 ? 0 : request.head_len) +
                  static_cast<size_t>(nvrpc::kHeadPartExtra);
    std::vector<uint8_t> payload(head, 0);
    memcpy(payload.data() + nvrpc::kHeadWordAt, &request.word, sizeof request.word);
    memcpy(payload.data() + nvrpc::kHeadReqIdAt, &request.req_id, sizeof request.req_id);
    memcpy(payload.data() + kHeadOpAt, &request.op, sizeof request.op);
    size_t key_len = request.key.size() + 1;
    payload.insert(payload.end(), request.key.c_str(), request.key.c_str() + key_len);
    size_t value_len = request.value ? request.value->size() + 1 : 0;
    if (request.value)
        payload.insert(payload.end(), request.value->c_str(), request.value->c_str() + value_len);
    for (size_t i = 0; i < request.pad; ++i)
        payload.push_back(static_cast<uint8_t>(0x5a));

    std::vector<uint8_t> frame(nvrpc::kFrameHeaderSize + payload.size(), 0);
    put_i32(frame, 0, request.cmd);
    memcpy(frame.data() + 4, &request.opaque, sizeof request.opaque);
    put_i32(frame, 8, request.head_len_field.value_or(request.head_len));
    put_i32(frame, 12, request.key_len_field.value_or(static_cast<int32_t>(key_len)));
    put_i32(frame, 16, request.value_len_field.value_or(static_cast<int32_t>(value_len)));
    put_i32(frame, 20, request.payload_len_field.value_or(static_cast<int32_t>(payload.size())));
    std::copy(payload.begin(), payload.end(), frame.begin() + nvrpc::kFrameHeaderSize);
    if (request.truncate && *request.truncate < frame.size())
        frame.resize(*request.truncate);
    return frame;
}

bool decode_answer(const std::vector<uint8_t> &bytes, Answer &answer) {
    if (bytes.size() < nvrpc::kFrameHeaderSize)
        return false;
    memcpy(&answer.header, bytes.data(), nvrpc::kFrameHeaderSize);
    const uint8_t *payload = bytes.data() + nvrpc::kFrameHeaderSize;
    size_t payload_size = bytes.size() - nvrpc::kFrameHeaderSize;
    if (payload_size >= nvrpc::kAnswerHeadSize) {
        memcpy(&answer.word, payload, sizeof answer.word);
        answer.req_id = get_i32(payload + 4);
        answer.result = get_i32(payload + 8);
        const char *value = reinterpret_cast<const char *>(payload + nvrpc::kAnswerHeadSize);
        answer.value.assign(value, strnlen(value, payload_size - nvrpc::kAnswerHeadSize));
    }
    return true;
}

std::string describe_answer(const std::vector<uint8_t> &bytes,
                            const std::vector<uint8_t> &request) {
    Answer answer;
    if (!decode_answer(bytes, answer))
        return "short answer " + hex(bytes);
    const nvrpc::nvrpc_frame &h = answer.header;
    char line[256];
    snprintf(line, sizeof line,
             "answer cmd=0x%x opaque=0x%08x head_len=%d key_len=%d value_len=%d payload_len=%d "
             "word=0x%08x req_id=%d result=%d value=\"",
             static_cast<unsigned>(h.cmd), h.opaque, h.head_len, h.key_len, h.value_len,
             h.payload_len, answer.word, answer.req_id, answer.result);
    std::string text = line + escaped(answer.value) + "\"";
    bool echo = request.size() == bytes.size() && request.size() >= nvrpc::kFrameHeaderSize &&
                std::equal(request.begin() + 4, request.end(), bytes.begin() + 4);
    if (echo)
        text += " (echo of the request)";
    return text;
}

std::string hex(const std::vector<uint8_t> &bytes) {
    std::string text;
    char digits[3];
    for (uint8_t byte : bytes) {
        snprintf(digits, sizeof digits, "%02x", byte);
        text += digits;
    }
    return text;
}

bool parse_hex(const std::string &text, std::vector<uint8_t> &bytes) {
    std::string digits;
    for (char c : text)
        if (!isspace(static_cast<unsigned char>(c)))
            digits += c;
    if (digits.size() % 2)
        return false;
    bytes.clear();
    for (size_t i = 0; i < digits.size(); i += 2) {
        char *end;
        std::string pair = digits.substr(i, 2);
        long byte = strtol(pair.c_str(), &end, 16);
        if (*end)
            return false;
        bytes.push_back(static_cast<uint8_t>(byte));
    }
    return true;
}

std::string escaped(const std::string &text) {
    std::string out;
    char code[5];
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7f) {
            snprintf(code, sizeof code, "\\x%02x", c);
            out += code;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

} // namespace sim::nv
