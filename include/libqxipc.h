/* SPDX-License-Identifier: MIT */
/**
 * @file libqxipc.h
 * @brief libqxipc: messages between processes over System V message queues.
 *
 * Each process owns one queue, its endpoint, known by the queue's key. A receive thread
 * (qx_ipc_start_loop()) reads the own queue and calls every registered event whose msg_id
 * matches a message. qx_ipc_send_msg_wait_rsp_timeout() sends a request and waits for the
 * answer, a message whose msg_id is the request's msg_rsp.
 *
 * Built-in events, registered at every start:
 * - 0, 1: absorbed;
 * - 2: stops the receive loop;
 * - 3: subscribe: the sender (fd_src) subscribes to the identifier in msg_rsp;
 * - 4: unsubscribe: drops the sender's subscriptions to the identifier in msg_rsp;
 * - 5: publish: the message goes to every subscriber of the identifier in msg_rsp, with
 *   msg_id set to that identifier and fd_src to the own key, so that subscribers take it
 *   with an ordinary event for the identifier; a subscriber whose queue is full misses it.
 *   Identifiers 0 to 5 cannot be subscribed to or published.
 *
 * @par Errors
 * The calls return 0 (or a key, or a thread) on success and -1 on failure; the send calls
 * leave errno as the failed msgsnd(2) set it. Failures also print one line starting with
 * "[qx]" on standard output.
 *
 * @par Threads
 * Every call may be made from any thread. qx_ipc_start_loop() starts the receive thread
 * (once; later calls count), which runs the handlers one at a time with the event registry
 * locked: a handler must not add or delete events, nor wait for an answer (the answer would
 * come through the same thread). qx_ipc_send_msg_wait_rsp_timeout() blocks until the answer
 * or the time-out; the send calls block while the destination queue is full unless
 * IPC_NOWAIT is given. No call is safe in a signal handler. After fork() the child has no
 * receive thread.
 */
#ifndef LIBQXIPC_H
#define LIBQXIPC_H

#ifdef __cplusplus
extern "C" {
#endif

/** Header bytes after mtype: the message text is len + QX_IPC_HEADER_TEXT_SIZE bytes. */
#define QX_IPC_HEADER_TEXT_SIZE 28
/** Largest payload that a receiving endpoint accepts. */
#define QX_IPC_MAX_DATA 4096

/** Default endpoint name: takes the lowest free key of 5471 to 5726. */
#define QX_IPC_DEFAULT_NAME "qxipc"

/** A message: a header and len payload bytes, allocated with qx_ipc_msg_new(). */
typedef struct qx_ipc_msg {
    long mtype;           /**< set to 1 by every send */
    int fd_svr;           /**< key of the destination queue */
    int fd_src;           /**< key of the sender's queue, normally qx_ipc_get_self_fd() */
    int seq;              /**< written by every send */
    int msg_id;           /**< identifier the receiver dispatches on */
    int msg_rsp;          /**< identifier of the expected answer; topic of subscribe/publish */
    int need_rsp;         /**< non-zero: the sender waits for an answer */
    int len;              /**< payload bytes, at most ::QX_IPC_MAX_DATA */
    unsigned char data[]; /**< the payload */
} qx_ipc_msg;

struct qx_ipc_event;
/** An event's handler: runs on the receive thread; msg is valid during the call only.
 *  Its result is not used. */
typedef int qx_ipc_handler(struct qx_ipc_event *ev, qx_ipc_msg *msg);

/** A registered event: the handler for one message identifier. The library keeps a copy. */
typedef struct qx_ipc_event {
    int fd_svr;              /**< free for the user */
    int keep;                /**< non-zero: stays registered; 0: removed after its first match */
    int tag;                 /**< compared by qx_ipc_event_del() together with msg_id */
    int msg_id;              /**< identifier handled */
    qx_ipc_handler *handler; /**< called for each matching message */
    void *arg;               /**< free for the user */
    void *rsp;               /**< free for the user */
} qx_ipc_event;

/**
 * @brief Allocates a message for len payload bytes; the header and payload are not cleared.
 * @param len payload bytes
 * @return the message, which the caller releases with qx_ipc_msg_free(); null when
 *         len is negative or memory is short.
 */
qx_ipc_msg *qx_ipc_msg_new(int len);

/** @brief Releases a message (null is ignored). @param msg from qx_ipc_msg_new() or an
 *  answer */
void qx_ipc_msg_free(qx_ipc_msg *msg);

/**
 * @brief The key of a well-known endpoint.
 * @param name an endpoint name
 * @return 5467 for "wifi_proxy_ipc", else the default key 5471.
 */
int qx_ipc_get_key_by_name(const char *name);

/**
 * @brief The key to send to for a named endpoint: its fixed key when it has one, else the
 * default key 5471.
 * @param name an endpoint name
 * @return the key.
 */
int qx_ipc_get_svr_fd(const char *name);

/** @brief The own endpoint's key. @return the key, or -1 before qx_ipc_start_loop() */
int qx_ipc_get_self_fd(void);

/**
 * @brief Sends a message to the queue of msg->fd_svr; the library sets mtype and seq.
 *        Blocks while that queue is full.
 * @param msg the message; the caller keeps it
 * @return 0 when sent; -1 for a null message, a bad key or length, a missing queue or a
 *         failed send (errno as msgsnd(2) set it).
 */
int qx_ipc_send_msg(qx_ipc_msg *msg);

/**
 * @brief As qx_ipc_send_msg(), with flags for msgsnd(2).
 * @param msg the message
 * @param flag 0, or IPC_NOWAIT not to wait for room (-1 with errno EAGAIN then)
 * @return 0 when sent, -1 otherwise.
 */
int qx_ipc_send_msg_with_flag(qx_ipc_msg *msg, int flag);

/**
 * @brief Prints "prefix Err:text" (level 3) or "prefix text" to standard output.
 * @param prefix the line's prefix, such as "[qx]"
 * @param level 3 for an error
 * @param format printf format, with its arguments
 */
void qx_ipc_log(const char *prefix, int level, const char *format, ...)
    __attribute__((format(printf, 3, 4)));

/**
 * @brief Opens the own endpoint and starts the receive thread; reference-counted: a
 * later call returns the running thread.
 * @param name the endpoint's name: a well-known name takes its fixed key, any other the
 *        lowest free key of 5471 to 5726 (::QX_IPC_DEFAULT_NAME)
 * @return the receive thread (a pthread_t), or 0 when no queue could be opened.
 */
unsigned long qx_ipc_start_loop(const char *name);

/**
 * @brief Drops one reference; the last stops the receive thread and waits for it (unless
 * called from a handler, then the loop ends after the current message).
 * @return 0; -1 when the stop message could not be sent.
 */
int qx_ipc_terminate_loop(void);

/**
 * @brief Registers an event; call after qx_ipc_start_loop(), not from a handler.
 * @param ev the event; the library keeps a copy
 * @return 0; -1 for a null event or when memory is short.
 */
int qx_ipc_event_add(qx_ipc_event *ev);

/**
 * @brief Registers count events, as qx_ipc_event_add() each.
 * @param evs the events
 * @param count how many
 * @return 0.
 */
int qx_ipc_register_events(qx_ipc_event *evs, int count);

/**
 * @brief Removes every registered event with the msg_id and tag of ev.
 * @param ev the event to match
 * @return 0.
 */
int qx_ipc_event_del(qx_ipc_event *ev);

/**
 * @brief Sends a request and, when req->need_rsp is set, waits for its answer: the next
 * message whose msg_id is req->msg_rsp.
 * @param req the request; the caller keeps it
 * @param[out] rsp_out the answer, which the caller releases with qx_ipc_msg_free(); null to
 *        drop it
 * @param timeout milliseconds to wait; 0 waits without limit
 * @return 0 when sent (and answered); -1 when the send failed, the time-out passed or the
 *         receive loop ended first.
 */
int qx_ipc_send_msg_wait_rsp_timeout(qx_ipc_msg *req, qx_ipc_msg **rsp_out, unsigned int timeout);

/**
 * @brief As qx_ipc_send_msg_wait_rsp_timeout() without a time-out.
 * @param req the request
 * @param[out] rsp_out the answer, released by the caller
 * @return 0 when sent (and answered), -1 otherwise.
 */
int qx_ipc_send_msg_wait_rsp(qx_ipc_msg *req, qx_ipc_msg **rsp_out);

/**
 * @name Kept for other deliverables and old callers
 * Use qx_ipc_terminate_loop() to stop the loop.
 * @{
 */
/** @brief Whether the receive loop has ended. @return ::terminate_loop_flag */
int get_terminate_flag(void);
/** 1 once the receive loop has ended, 0 while it runs. Read it, do not write it. */
extern int terminate_loop_flag;
/** @} */

#ifdef __cplusplus
}
#endif

#endif
