#include "relay.h"

#include "nvrpc_codec.h"

#include <cerrno>
#include <cstdio>
#include <sys/msg.h>

namespace nvrpc {

namespace {

// Replies of the daemon's type already waiting answer no request sent now (they come late,
// for copies sent again); left in the queue, each would make one more request go twice.
void take_out_waiting_replies(int queue, const nvrpc_req &req, nvrpc_rsp &rsp, int32_t tid) {
    for (;;) {
        ssize_t count = msgrcv(queue, &rsp, kRspTextSize, tid, IPC_NOWAIT | MSG_NOERROR);
        if (count < 0)
            return;
        report_foreign_reply(req, rsp, count);
    }
}

// MSG_NOERROR: an oversized reply is cut rather than left to block the queue for ever.
ssize_t receive_reply(int queue, nvrpc_rsp &rsp, int32_t tid, ReplyTimer &timer) {
    ReplyWaitBound bound(timer);
    return msgrcv(queue, &rsp, kRspTextSize, tid, MSG_NOERROR);
}

} // namespace

bool relay_request(nvrpc_frame &frame, nvrpc_req &req, nvrpc_rsp &rsp, int32_t tid,
                   ReplyTimer &timer) {
    int queue = msgget(kQueueKey, IPC_CREAT | 0600);
    if (queue < 0) {
        printf("nv error: msgget msgId fail, errno = %d!\n", errno);
        return false;
    }
    uint32_t word = build_request(frame, req, tid);
    for (;;) {
        take_out_waiting_replies(queue, req, rsp, tid);
        if (msgsnd(queue, &req, kReqTextSize, 0) < 0) {
            printf("nv error: msgsnd fail, errno = %d!\n", errno);
            return false;
        }
        // A service that took the request and died never answers: the bound ends the wait
        // and the request goes again, for the service once it is back.
        ssize_t count = receive_reply(queue, rsp, tid, timer);
        if (count < 0) {
            printf("nv error: msgrcv fail, errno = %d!\n", errno);
            continue;
        }
        if (!reply_matches(req, rsp, count)) {
            report_foreign_reply(req, rsp, count);
            continue;
        }
        build_answer(frame, word, rsp, count);
        return true;
    }
}

} // namespace nvrpc
