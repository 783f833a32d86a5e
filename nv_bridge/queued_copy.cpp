// SPDX-License-Identifier: MIT
#include "queued_copy.h"

#include <cerrno>
#include <cstring>
#include <sys/msg.h>

namespace nvrpc {

namespace {

enum class Found { yes, no, cannot_look };

bool is_copy(const nvrpc_req &seen, ssize_t count, const nvrpc_req &req) {
    return count == static_cast<ssize_t>(kReqTextSize) && seen.mtype == req.mtype &&
           memcmp(seen.text, req.text, kReqTextSize) == 0;
}

// Walks the queue by position without taking anything out. A position that cannot be
// copied holds a message too large to be the copy, or the queue changed under the walk: a
// copy missed that way counts as taken, and one copy more goes.
Found find_in_place(int queue, const nvrpc_req &req) {
    static nvrpc_req seen; // a fixed buffer: no allocation in the main loop
    msqid_ds state{};
    if (msgctl(queue, IPC_STAT, &state) < 0)
        return Found::no;
    for (unsigned long position = 0; position < state.msg_qnum; ++position) {
        ssize_t count = msgrcv(queue, &seen, kReqTextSize, static_cast<long>(position),
                               IPC_NOWAIT | MSG_COPY | MSG_NOERROR);
        if (count < 0 && errno == ENOSYS)
            return Found::cannot_look;
        if (is_copy(seen, count, req))
            return Found::yes;
    }
    return Found::no;
}

} // namespace

bool read_from_since(int queue, time_t since) {
    msqid_ds state{};
    if (msgctl(queue, IPC_STAT, &state) < 0)
        return true;
    return state.msg_rtime >= since;
}

bool copy_still_queued(int queue, const nvrpc_req &req, time_t sent_at) {
    Found found = find_in_place(queue, req);
    if (found == Found::cannot_look)
        return !read_from_since(queue, sent_at);
    return found == Found::yes;
}

} // namespace nvrpc
