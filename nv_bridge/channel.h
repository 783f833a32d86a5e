/* SPDX-License-Identifier: MIT */
// The rpmsg channel to the modem core: set-up, the first message, frame reads and writes.
#pragma once

#include "nvrpc_frame.h"

#include <ctime>

namespace nvrpc {

constexpr const char *kChannelPath = "/dev/armps_rpmsgch8";
constexpr time_t kSelectTimeoutSeconds = 604800; // 7 days

// Opens and sets up the channel; -1 (after printing why) when that fails.
int channel_open();

// Waits for the channel's first 24-byte message, retrying every 200 ms. False only when
// its buffer cannot be had.
bool channel_wait_first_message(int fd);

// Reads one frame: 0, or -1 on time-out, -2 when select fails, -3 for a bad length.
int frame_read(int fd, nvrpc_frame &frame, time_t timeout_seconds);

// Writes the whole frame: 0, or -1 when it could not be written in full.
int frame_write(int fd, const nvrpc_frame &frame);

} // namespace nvrpc
