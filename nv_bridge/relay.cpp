// SPDX-License-Identifier: MIT
#include "relay.h"

#include "nvrpc_codec.h"
#include "queued_copy.h"

#include "common/trust.h"

#include <cerrno>
#include <cstdio>
#include <sys/msg.h>

namespace nvrpc {

namespace {

ssize_t take_waiting_reply(int queue, nvrpc_rsp &rsp, int32_t tid) {
    return msgrcv(queue, &rsp, kRspTextSize, tid, IPC_NOWAIT | MSG_NOERROR);
}

// Replies of the daemon's type waiting before a request is sent answer no copy of it (they
// come late, for earlier requests); left in the queue, each would make it go twice.
void take_out_stale_replies(int queue, const nvrpc_req &req, nvrpc_rsp &rsp, int32_t tid) {
    for (ssize_t count; (count = take_waiting_reply(queue, rsp, tid)) >= 0;)
        report_foreign_reply(req, rsp, count);
}

// After a wait that ended without the answer: the answer may have come since (between the
// wait's end and now), behind late replies to earlier copies or requests. Returns its text
// size, or -1 when it has not come.
ssize_t take_waiting_answer(int queue, const nvrpc_req &req, nvrpc_rsp &rsp, int32_t tid) {
    for (ssize_t count; (count = take_waiting_reply(queue, rsp, tid)) >= 0;) {
        if (reply_matches(req, rsp, count))
            return count;
        report_foreign_reply(req, rsp, count);
    }
    return -1;
}

// MSG_NOERROR: an oversized reply is cut rather than left to block the queue for ever.
ssize_t receive_reply(int queue, nvrpc_rsp &rsp, int32_t tid, ReplyTimer &timer) {
    ReplyWaitBound bound(timer);
    return msgrcv(queue, &rsp, kRspTextSize, tid, MSG_NOERROR);
}

// Queue 4134 is used only when root or this user made it and no one else may read or write
// it: anyone who could would read every request and forge its answer.
int open_queue() {
    int queue = msgget(kQueueKey, IPC_CREAT | 0600);
    if (queue >= 0 && !orvo::trusted_queue(queue))
        return -1;
    return queue;
}

// Returns 0, or the send's errno once reported.
int send_request(int queue, const nvrpc_req &req, int flags, time_t &sent_at) {
    sent_at = time(nullptr);
    if (msgsnd(queue, &req, kReqTextSize, flags) == 0)
        return 0;
    int error = errno;
    printf("nv error: msgsnd fail, errno = %d!\n", error);
    return error;
}

} // namespace

bool relay_request(nvrpc_frame &frame, nvrpc_req &req, nvrpc_rsp &rsp, int32_t tid,
                   ReplyTimer &timer) {
    int queue = open_queue();
    if (queue < 0) {
        printf("nv error: msgget msgId fail, errno = %d!\n", errno);
        return false;
    }
    uint32_t word = build_request(frame, req, tid);
    take_out_stale_replies(queue, req, rsp, tid);
    time_t sent_at = 0;
    int first_send;
    {
        // Blocked on a full queue, the send ends with the bound and fails as sends fail.
        ReplyWaitBound bound(timer);
        first_send = send_request(queue, req, 0, sent_at);
    }
    if (first_send != 0)
        return false;
    ssize_t count;
    for (;;) {
        // A service that took the request and died never answers: the bound ends the wait.
        count = receive_reply(queue, rsp, tid, timer);
        if (count >= 0 && reply_matches(req, rsp, count))
            break;
        if (count < 0)
            printf("nv error: msgrcv fail, errno = %d!\n", errno);
        else
            report_foreign_reply(req, rsp, count);
        count = take_waiting_answer(queue, req, rsp, tid);
        if (count >= 0)
            break;
        // The request goes again only for a service that has taken the last copy, and a
        // copy sent again never blocks: a full queue means waiting once more.
        if (copy_still_queued(queue, req, sent_at))
            continue;
        int error = send_request(queue, req, IPC_NOWAIT, sent_at);
        if (error != 0 && error != EAGAIN)
            return false;
    }
    build_answer(frame, word, rsp, count);
    return true;
}

} // namespace nvrpc
