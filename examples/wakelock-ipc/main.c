/* SPDX-License-Identifier: MIT */
/* An application on the module, in four steps, each a few lines with its errors handled:
 *   1. a wake lock held around work, the work being
 *   2. an IPC request with a time-out (answered by an event on the own endpoint, so both
 *      sides of a request show without a second process);
 *   3. automatic suspend switched on, and one wake-up awaited (bounded by a timer thread,
 *      since orvo_wait_wakeup_event has no time-out);
 *   4. an SMS receive handler, and one message awaited.
 * Exit status 0 when every step worked. */
#include <liborvo-autosuspend.h>
#include <liborvo-kesl-autosuspend.h>
#include <liborvo-kesl-sms.h>
#include <libqxipc.h>

#include <errno.h>
#include <pthread.h>
#include <semaphore.h>
#include <stdio.h>
#include <string.h>
#include <time.h>

enum { PING = 0x7001, PONG = 0x7002, TIMEOUT_MS = 2000, WAKEUP_WAIT_S = 10, SMS_WAIT_S = 10 };

/* Waits on sem for at most seconds: 0 when posted, -1 on time-out. */
static int wait_seconds(sem_t *sem, int seconds) {
    struct timespec deadline;
    clock_gettime(CLOCK_REALTIME, &deadline);
    deadline.tv_sec += seconds;
    while (sem_timedwait(sem, &deadline) != 0)
        if (errno != EINTR)
            return -1;
    return 0;
}

/* --- 2. IPC request with a time-out */

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
    if (!req) {
        qx_ipc_event_del(&ev);
        return -1;
    }
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

/* --- 1. a wake lock around the work */

static int work_under_wake_lock(void) {
    static const char lock_name[] = "example_app";
    int slot = kesl_wakelock_create(lock_name, (int)strlen(lock_name));
    if (slot < 0) {
        printf("wake lock not created: %d\n", slot);
        return -1;
    }
    if (kesl_wakelock_lock(slot) != 0) {
        printf("wake lock not taken\n");
        kesl_wakelock_destroy(slot);
        return -1;
    }
    printf("holding wake lock %s in slot %d\n", lock_name, slot);

    int rc = -1;
    if (qx_ipc_start_loop("example_app") == 0) {
        printf("no IPC endpoint\n");
    } else {
        printf("endpoint key %d\n", qx_ipc_get_self_fd());
        rc = ping_self();
        qx_ipc_terminate_loop();
    }

    if (kesl_wakelock_destroy(slot) != 0) {
        printf("wake lock not released\n");
        return -1;
    }
    printf("wake lock released\n");
    return rc;
}

/* --- 3. automatic suspend and one wake-up */

static sem_t woken;
static int32_t slept_from, woke_at;

static void *wait_wakeup(void *unused) {
    (void)unused;
    if (orvo_wait_wakeup_event(&slept_from, &woke_at) == 0)
        sem_post(&woken);
    return NULL;
}

static int one_wakeup(void) {
    pthread_t waiter;
    if (sem_init(&woken, 0, 0) != 0)
        return -1;
    if (kesl_autosuspend_enable('1') != 0) {
        printf("automatic suspend not switched on\n");
        return -1;
    }
    /* The waiter may stay blocked if no wake-up comes: it is detached, the process ends it. */
    if (pthread_create(&waiter, NULL, wait_wakeup, NULL) != 0) {
        kesl_autosuspend_enable('0');
        return -1;
    }
    pthread_detach(waiter);
    int rc = wait_seconds(&woken, WAKEUP_WAIT_S);
    if (rc == 0)
        printf("woke after %d ms asleep\n", (int)(woke_at - slept_from));
    else
        printf("no wake-up within %d s\n", WAKEUP_WAIT_S);
    if (kesl_autosuspend_enable('0') != 0)
        printf("automatic suspend not switched off\n");
    return rc;
}

/* --- 4. an SMS receive handler */

static sem_t received;
static char sender[KESL_SMS_NUMBER_SIZE];
static char text[KESL_SMS_CONTENT_SIZE + 1];

/* On a receive thread of the library; the record is reused afterwards: copy what to keep.
 * One message is kept; later ones are only counted out by the semaphore. */
static void on_sms(kesl_sms_msg *msg, int *handle) {
    (void)handle;
    int value = 0;
    if (sem_getvalue(&received, &value) == 0 && value > 0)
        return;
    snprintf(sender, sizeof sender, "%.*s", (int)sizeof msg->number, msg->number);
    int length = msg->length < 0 || msg->length > KESL_SMS_CONTENT_SIZE ? 0 : msg->length;
    memcpy(text, msg->content, (size_t)length);
    text[length] = '\0';
    sem_post(&received);
}

static int one_message(void) {
    int handle = 0;
    if (sem_init(&received, 0, 0) != 0)
        return -1;
    int rc = kesl_sms_client_init(&handle);
    if (rc != 0) {
        printf("SMS client not opened: %d\n", rc);
        return -1;
    }
    rc = kesl_sms_addrxmsghandler(on_sms);
    if (rc != 0) {
        printf("SMS handler not added: %d\n", rc);
    } else {
        printf("waiting for a message\n");
        fflush(stdout);
        rc = wait_seconds(&received, SMS_WAIT_S);
        if (rc == 0)
            printf("message from %s: %s\n", sender, text);
        else
            printf("no message within %d s\n", SMS_WAIT_S);
    }
    kesl_sms_client_deinit(handle);
    return rc;
}

int main(void) {
    int failed = 0;
    failed |= work_under_wake_lock() != 0;
    failed |= one_wakeup() != 0;
    failed |= one_message() != 0;
    return failed ? 1 : 0;
}
