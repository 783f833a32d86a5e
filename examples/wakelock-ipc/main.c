/* SPDX-License-Identifier: MIT */
/* An application on the module: holds a wake lock while it makes an IPC request.
 * It answers its own request through an event on its endpoint, so it shows both sides
 * of a request without a second process. */
#include <liborvo-kesl-autosuspend.h>
#include <libqxipc.h>

#include <stdio.h>
#include <string.h>

enum { PING = 0x7001, PONG = 0x7002, TIMEOUT_MS = 2000 };

static int answer_ping(qx_ipc_event *ev, qx_ipc_msg *req) {
    static const char text[] = "pong";
    qx_ipc_msg *rsp = qx_ipc_msg_new(sizeof text);
    (void)ev;
    if (!rsp)
        return -1;
    memset(rsp, 0, sizeof *rsp);
    rsp->fd_svr = req->fd_src;
    rsp->fd_src = qx_ipc_get_self_fd();
    rsp->msg_id = req->msg_rsp;
    rsp->len = sizeof text;
    memcpy(rsp->data, text, sizeof text);
    int rc = qx_ipc_send_msg(rsp);
    qx_ipc_msg_free(rsp);
    return rc;
}

static int ping_self(void) {
    static const char text[] = "ping";
    qx_ipc_event ev;
    memset(&ev, 0, sizeof ev);
    ev.keep = 1;
    ev.tag = PING;
    ev.msg_id = PING;
    ev.handler = answer_ping;
    if (qx_ipc_event_add(&ev) != 0)
        return -1;

    qx_ipc_msg *req = qx_ipc_msg_new(sizeof text);
    if (!req)
        return -1;
    memset(req, 0, sizeof *req);
    req->fd_svr = qx_ipc_get_self_fd();
    req->fd_src = qx_ipc_get_self_fd();
    req->msg_id = PING;
    req->msg_rsp = PONG;
    req->need_rsp = 1;
    req->len = sizeof text;
    memcpy(req->data, text, sizeof text);

    qx_ipc_msg *rsp = NULL;
    int rc = qx_ipc_send_msg_wait_rsp_timeout(req, &rsp, TIMEOUT_MS);
    if (rc == 0 && rsp)
        printf("answer from %d: %.*s\n", rsp->fd_src, rsp->len, (const char *)rsp->data);
    else
        printf("no answer within %d ms\n", TIMEOUT_MS);
    qx_ipc_msg_free(rsp);
    qx_ipc_msg_free(req);
    qx_ipc_event_del(&ev);
    return rc;
}

int main(void) {
    static const char lock_name[] = "example_app";
    int slot = kesl_wakelock_create(lock_name, (int)strlen(lock_name));
    if (slot < 0) {
        printf("wake lock not created: %d\n", slot);
        return 1;
    }
    if (kesl_wakelock_lock(slot) != 0) {
        printf("wake lock not taken\n");
        kesl_wakelock_destroy(slot);
        return 1;
    }
    printf("holding wake lock %s in slot %d\n", lock_name, slot);

    qx_ipc_start_loop("example_app");
    printf("endpoint key %d\n", qx_ipc_get_self_fd());
    int rc = ping_self();
    qx_ipc_terminate_loop();

    if (kesl_wakelock_destroy(slot) != 0)
        printf("wake lock not released\n");
    else
        printf("wake lock released\n");
    return rc == 0 ? 0 : 1;
}
