// SPDX-License-Identifier: MIT
// Sending: sequence numbers, queue lookup by key and the plain sends.
#include "internal.h"

#include "common/export.h"

#include <cerrno>
#include <sys/msg.h>

namespace qxipc {

namespace {

std::atomic<unsigned> seq_counter{0};

// The queue this thread sent to last: saves a lookup per message. A removed queue makes its
// identifier invalid for good (EINVAL), and the key is then looked up again.
struct RememberedQueue {
    int key = 0;
    int queue = -1;
};
thread_local RememberedQueue remembered;

} // namespace

int next_seq() {
    return static_cast<int>(seq_counter.fetch_add(1));
}

int send_to_key(qx_ipc_msg *msg, int key, int get_flags, int send_flags, bool *lookup_failed) {
    *lookup_failed = false;
    // Key 0 is IPC_PRIVATE: msgget would make a new queue that no endpoint reads.
    if (key == IPC_PRIVATE) {
        errno = ENOENT;
        *lookup_failed = true;
        return -1;
    }
    bool known = remembered.queue >= 0 && remembered.key == key;
    int queue = known ? remembered.queue : msgget(key, get_flags);
    if (queue < 0) {
        *lookup_failed = true;
        return -1;
    }
    int result = msgsnd(queue, msg, text_size(msg->len), send_flags);
    if (result < 0 && known && errno == EINVAL) {
        remembered = RememberedQueue{};
        queue = msgget(key, get_flags);
        if (queue < 0) {
            *lookup_failed = true;
            return -1;
        }
        result = msgsnd(queue, msg, text_size(msg->len), send_flags);
    }
    remembered = RememberedQueue{key, queue};
    return result;
}

} // namespace qxipc

extern "C" {

ORVO_EXPORT int qx_ipc_send_msg_with_flag(qx_ipc_msg *msg, int flag) {
    using namespace qxipc;
    if (msg == nullptr)
        return -1;
    if (msg->fd_svr < 0) {
        qx_ipc_log(kLogPrefix, kLogError, "qx_ipc_send_msg failed(fd_svr=0x%x)\n\n",
                   static_cast<unsigned>(msg->fd_svr));
        return -1;
    }
    if (msg->len < 0) {
        errno = EINVAL;
        return -1;
    }
    msg->mtype = 1;
    msg->seq = next_seq();
    bool lookup_failed = false;
    int result = send_to_key(msg, msg->fd_svr, 0, flag, &lookup_failed);
    if (lookup_failed) {
        int error = errno;
        qx_ipc_log(kLogPrefix, kLogError, "qx_ipc_send_msg failed(0x%x)\n\n",
                   static_cast<unsigned>(error));
        errno = error;
    }
    return result;
}

ORVO_EXPORT int qx_ipc_send_msg(qx_ipc_msg *msg) {
    return qx_ipc_send_msg_with_flag(msg, 0);
}

} // extern "C"
