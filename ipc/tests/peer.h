/* SPDX-License-Identifier: MIT */
// A peer endpoint in a child process: answers requests until a stop message ends its loop.
#pragma once

#include "test_support.h"

#include <string>
#include <thread>

namespace ipctest {

enum PeerRequest : int {
    echo_request = 100,    // answered at once with "answer:" + payload
    delayed_request = 110, // answered after the payload's number of milliseconds
};

inline int peer_answer(qx_ipc_event *, qx_ipc_msg *req) {
    if (req->msg_id == delayed_request)
        std::this_thread::sleep_for(std::chrono::milliseconds(std::stoi(payload(req))));
    Msg rsp = make_msg(req->fd_src, req->msg_rsp, "answer:" + payload(req));
    qx_ipc_send_msg(rsp.get());
    return 0;
}

// Runs in a child: the endpoint name's loop, answering, until stopped; then exits 0.
inline int run_peer(const char *name, Pipe &ready) {
    if (qx_ipc_start_loop(name) == 0)
        return 1;
    for (int id : {echo_request, delayed_request}) {
        qx_ipc_event ev = make_event(id, id, 1, peer_answer);
        qx_ipc_event_add(&ev);
    }
    ready.put(qx_ipc_get_self_fd());
    testkit::eventually([] { return get_terminate_flag() != 0; }, std::chrono::seconds(30));
    return get_terminate_flag() == 1 ? 0 : 1;
}

inline void stop_peer(int key) {
    Msg stop = make_msg(key, 2);
    qx_ipc_send_msg(stop.get());
}

} // namespace ipctest
