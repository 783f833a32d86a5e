/* SPDX-License-Identifier: MIT */
// The exchange of one request with the parameter service over queue 4134.
#pragma once

#include "nvrpc_frame.h"
#include "reply_timer.h"

namespace nvrpc {

// Sends the checked request in `frame` to the service and turns `frame` into the answer.
// `timer` bounds each wait for the reply; after a wait that ends without it, the request
// goes again once the service has taken the copy sent last. False when the queue could
// not be opened or a send failed otherwise than on a full queue: `frame` is then unchanged.
bool relay_request(nvrpc_frame &frame, nvrpc_req &req, nvrpc_rsp &rsp, int32_t tid,
                   ReplyTimer &timer);

} // namespace nvrpc
