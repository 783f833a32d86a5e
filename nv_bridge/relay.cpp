#include "relay.h"

#include "nvrpc_codec.h"

#include <cerrno>
#include <cstdio>
#include <sys/msg.h>

namespace nvrpc {

bool relay_request(nvrpc_frame &frame, nvrpc_req &req, nvrpc_rsp &rsp, int32_t tid) {
    int queue = msgget(kQueueKey, IPC_CREAT | 0600);
    if (queue < 0) {
        printf("nv error: msgget msgId fail, errno = %d!\n", errno);
        return false;
    }
    uint32_t word = build_request(frame, req, tid);
    for (;;) {
        if (msgsnd(queue, &req, kReqTextSize, 0) < 0) {
            printf("nv error: msgsnd fail, errno = %d!\n", errno);
            return false;
        }
        // MSG_NOERROR: an oversized reply is cut rather than left to block the queue for ever.
        ssize_t count = msgrcv(queue, &rsp, kRspTextSize, tid, MSG_NOERROR);
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
