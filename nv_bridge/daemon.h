/* SPDX-License-Identifier: MIT */
// The daemon's start-up and one pass of its main loop, over its fixed buffers.
#pragma once

#include "nvrpc_frame.h"
#include "reply_timer.h"

#include <cstdint>

namespace nvrpc {

// The fixed buffers: one frame, one queue request, one reply.
struct Buffers {
    nvrpc_frame frame;
    nvrpc_req req;
    nvrpc_rsp rsp;
};

struct Started {
    int channel; // -1 when the channel could not be set up (the reason is printed)
    int32_t tid; // the requester's word on the queue: the daemon's thread id
};

// Takes the wake lock (held until the first answer), opens and sets up the channel, and
// arms the one SIGALRM, 20 s on, that breaks a blocking call then in progress.
Started start_up();

enum class Pass { idle, answered, write_failed };

// Reads the next frame; a request is relayed (or echoed when it cannot be) and answered,
// under the wake lock. After write_failed the wake lock is still held.
Pass serve_one_frame(int channel, Buffers &buffers, int32_t tid, ReplyTimer &timer);

} // namespace nvrpc
