/* SPDX-License-Identifier: MIT */
// Frame checks, request building and answer building: pure functions over the fixed
// buffers, so that tests and fuzzers can drive them without a channel or a queue.
#pragma once

#include "nvrpc_frame.h"

namespace nvrpc {

// True when `count` bytes read form one whole frame; otherwise prints the read error line.
bool frame_length_ok(const nvrpc_frame &frame, ssize_t count);

// True when the request's parts fit the queue request and lie within payload_len;
// otherwise prints one "[nvrpc]" line naming the fault.
bool request_parts_ok(const nvrpc_frame &frame);

// Lays a checked request onto `req` (which keeps the bytes of earlier requests outside
// the parts) and returns the requester's word.
uint32_t build_request(const nvrpc_frame &frame, nvrpc_req &req, int32_t tid);

// The reply's value length: up to its NUL, within the bytes received and below 1024.
size_t reply_value_length(const nvrpc_rsp &rsp, ssize_t text_count);

// True when the reply carries the request's req_id.
bool reply_matches(const nvrpc_req &req, const nvrpc_rsp &rsp, ssize_t text_count);

// Prints the line for a reply that belongs to another request.
void report_foreign_reply(const nvrpc_req &req, const nvrpc_rsp &rsp, ssize_t text_count);

// Turns the request frame into the answer carrying the reply.
void build_answer(nvrpc_frame &frame, uint32_t word, const nvrpc_rsp &rsp, ssize_t text_count);

} // namespace nvrpc
