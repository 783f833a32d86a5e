/* SPDX-License-Identifier: MIT */
/*
 * libqxipc: messages between processes over System V message queues.
 *
 * Each process owns one queue, its endpoint, known by the queue's key. A receive thread
 * (qx_ipc_start_loop) reads the own queue and calls every registered event whose msg_id
 * matches a message. qx_ipc_send_msg_wait_rsp_timeout sends a request and waits for the
 * answer, a message whose msg_id is the request's msg_rsp.
 *
 * Built-in events, registered at every start:
 *   0, 1  absorbed.
 *   2     stops the receive loop.
 *   3     subscribe: the sender (fd_src) subscribes to the identifier in msg_rsp.
 *   4     unsubscribe: drops the sender's subscriptions to the identifier in msg_rsp.
 *   5     publish: the message goes to every subscriber of the identifier in msg_rsp, with
 *         msg_id set to that identifier and fd_src to the own key, so that subscribers take
 *         it with an ordinary event for the identifier; a subscriber whose queue is full
 *         misses it. Identifiers 0 to 5 cannot be subscribed to or published.
 */
#ifndef LIBQXIPC_H
#define LIBQXIPC_H

#ifdef __cplusplus
extern "C" {
#endif

/* Header bytes after mtype: the message text is len + QX_IPC_HEADER_TEXT_SIZE bytes. */
#define QX_IPC_HEADER_TEXT_SIZE 28
/* Largest payload that a receiving endpoint accepts. */
#define QX_IPC_MAX_DATA 4096

/* Default endpoint name: takes the lowest free key of 5471 to 5726. */
#define QX_IPC_DEFAULT_NAME "qxipc"

typedef struct qx_ipc_msg {
    long mtype;   /* set to 1 by every send */
    int fd_svr;   /* key of the destination queue */
    int fd_src;   /* key of the sender's queue, normally qx_ipc_get_self_fd() */
    int seq;      /* written by every send */
    int msg_id;   /* identifier the receiver dispatches on */
    int msg_rsp;  /* identifier of the expected answer; topic of subscribe/publish */
    int need_rsp; /* non-zero: the sender waits for an answer */
    int len;      /* payload bytes, at most QX_IPC_MAX_DATA */
    unsigned char data[];
} qx_ipc_msg;

struct qx_ipc_event;
typedef int qx_ipc_handler(struct qx_ipc_event *ev, qx_ipc_msg *msg);

typedef struct qx_ipc_event {
    int fd_svr;              /* free for the user */
    int keep;                /* non-zero: stays registered; 0: removed after its first match */
    int tag;                 /* compared by qx_ipc_event_del together with msg_id */
    int msg_id;              /* identifier handled */
    qx_ipc_handler *handler; /* runs on the receive thread; msg is valid during the call only */
    void *arg;
    void *rsp;
} qx_ipc_event;

/* Messages: a buffer for len payload bytes (contents not cleared), or null. */
qx_ipc_msg *qx_ipc_msg_new(int len);
void qx_ipc_msg_free(qx_ipc_msg *msg);

/* Endpoint keys. */
int qx_ipc_get_key_by_name(const char *name);
int qx_ipc_get_svr_fd(const char *name);
int qx_ipc_get_self_fd(void);

/* Sends: 0 when sent, -1 on failure. The library sets mtype and seq. */
int qx_ipc_send_msg(qx_ipc_msg *msg);
int qx_ipc_send_msg_with_flag(qx_ipc_msg *msg, int flag);

/* Prints "prefix Err:text" (level 3) or "prefix text" to standard output. */
void qx_ipc_log(const char *prefix, int level, const char *format, ...)
    __attribute__((format(printf, 3, 4)));

/* Receive loop, reference-counted: one qx_ipc_terminate_loop per qx_ipc_start_loop. */
unsigned long qx_ipc_start_loop(const char *name);
int qx_ipc_terminate_loop(void);
int get_terminate_flag(void);
extern int terminate_loop_flag;

/* Events: register after qx_ipc_start_loop. Handlers must not call these. */
int qx_ipc_event_add(qx_ipc_event *ev);
int qx_ipc_register_events(qx_ipc_event *evs, int count);
int qx_ipc_event_del(qx_ipc_event *ev);

/* Request and answer: timeout in ms, 0 waits without limit. The answer written to *rsp_out
 * belongs to the caller, who releases it with qx_ipc_msg_free. */
int qx_ipc_send_msg_wait_rsp_timeout(qx_ipc_msg *req, qx_ipc_msg **rsp_out, unsigned int timeout);
int qx_ipc_send_msg_wait_rsp(qx_ipc_msg *req, qx_ipc_msg **rsp_out);

#ifdef __cplusplus
}
#endif

#endif
