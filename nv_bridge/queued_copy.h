/* SPDX-License-Identifier: MIT */
// Whether the copy of a request sent last still waits in queue 4134, untaken by the service.
// A copy is sent again only once the service has taken the one before: copies of a request
// that nobody reads would fill the queue for every process that shares it.
#pragma once

#include "nvrpc_frame.h"

#include <ctime>

namespace nvrpc {

// True while `req`, sent at `sent_at` (seconds of the wall clock, as the queue keeps its
// times), waits in `queue`. Looked at in place where the kernel can (MSG_COPY); elsewhere
// the copy counts as taken once anything was read from the queue since it was sent. False
// when the queue cannot be looked at (gone): a resend then fails as it must.
bool copy_still_queued(int queue, const nvrpc_req &req, time_t sent_at);

// True when something was read from `queue` at or after `since`, or the queue cannot be
// looked at.
bool read_from_since(int queue, time_t since);

} // namespace nvrpc
