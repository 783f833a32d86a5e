/* SPDX-License-Identifier: MIT */
// The modem-core simulator's control link: its command-line client hands it a frame to send
// on the channel and gets back the daemon's answer.
#pragma once

#include "common/unique_fd.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sim::nv {

// Request record: uint32 time-out in ms (0: do not wait for an answer), then the frame bytes.
// Reply record: int32 status, then the answer bytes.
enum class LinkStatus : int32_t {
    answered = 0,
    sent = 1,
    no_channel = -1,
    timed_out = -2,
    write_failed = -3,
};

constexpr size_t kLinkMessageMax = 16384;

// Serves the channel's far end: a SOCK_SEQPACKET listener that the daemon's channel
// interposer connects to, or with `device` the modem's end of the board driver's channel
// (its records: a 32-bit kind, ModemRecord, then a frame's bytes).
int serve(bool send_hello, const char *device = nullptr);

enum class ModemRecord : uint32_t { frame = 0, opened = 1, closed = 2 };

// Sends one frame through the running simulator; the answer lands in `answer`.
LinkStatus exchange(const std::vector<uint8_t> &frame, uint32_t timeout_ms,
                    std::vector<uint8_t> &answer);

// A SOCK_SEQPACKET socket bound and listening at `path`, or connected to it; none on failure.
orvo::UniqueFd seqpacket_listen(const std::string &path);
orvo::UniqueFd seqpacket_connect(const std::string &path);

} // namespace sim::nv
