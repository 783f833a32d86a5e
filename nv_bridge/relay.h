// The exchange of one request with the parameter service over queue 4134.
#pragma once

#include "nvrpc_frame.h"
#include "reply_timer.h"

namespace nvrpc {

// Sends the checked request in `frame` to the service and turns `frame` into the answer,
// sending it again whenever a wait for the reply ends without it (`timer` bounds each).
// False when the queue could not be opened or the send failed: `frame` is then unchanged.
bool relay_request(nvrpc_frame &frame, nvrpc_req &req, nvrpc_rsp &rsp, int32_t tid,
                   ReplyTimer &timer);

} // namespace nvrpc
