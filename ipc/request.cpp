// SPDX-License-Identifier: MIT
// Request and answer: a one-shot wait entry, registered before the request leaves.
#include "deadline.h"
#include "internal.h"
#include "registry.h"

#include "common/export.h"

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <sched.h>
#include <semaphore.h>
#include <sys/msg.h>

namespace qxipc {

namespace {

// The wall clock jumps when network time arrives; time-outs are measured on a steady clock
// where the C library can wait on one.
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 30))
constexpr clockid_t kWaitClock = CLOCK_MONOTONIC;
int wait_until(sem_t *sem, const timespec *deadline) {
    return sem_clockwait(sem, kWaitClock, deadline);
}
#else
constexpr clockid_t kWaitClock = CLOCK_REALTIME;
int wait_until(sem_t *sem, const timespec *deadline) {
    return sem_timedwait(sem, deadline);
}
#endif

// The handler of a wait entry: runs on the receive thread, which has unlinked the entry.
int copy_answer(qx_ipc_event *ev, qx_ipc_msg *msg) {
    // len was cut on receipt to the payload that arrived.
    qx_ipc_msg *copy = qx_ipc_msg_new(msg->len);
    if (copy != nullptr)
        std::memcpy(copy, msg, offsetof(qx_ipc_msg, data) + static_cast<size_t>(msg->len));
    ev->rsp = copy;
    sem_post(static_cast<sem_t *>(ev->arg));
    return 0;
}

// A local answer comes within tens of microseconds. With another CPU to run the receive
// thread, the waiter looks for it that long before it sleeps: the receive thread's post
// then finds it awake, and the wake-up of a sleeping thread is saved. Bound to one CPU,
// the answer cannot come while the waiter runs, so it sleeps at once.
constexpr auto kAnswerWindow = std::chrono::microseconds(100);

bool other_cpus() {
    cpu_set_t cpus;
    return sched_getaffinity(0, sizeof cpus, &cpus) == 0 && CPU_COUNT(&cpus) > 1;
}

bool answered_soon(sem_t *sem) {
    if (!other_cpus())
        return false;
    const auto until = std::chrono::steady_clock::now() + kAnswerWindow;
    do {
        if (sem_trywait(sem) == 0)
            return true;
    } while (std::chrono::steady_clock::now() < until);
    return false;
}

// One wait for an answer. The entry lives here and is withdrawn on every way out,
// including the unwinding of a cancelled thread.
class ResponseWait {
  public:
    explicit ResponseWait(const qx_ipc_msg &req) : active_(req.need_rsp != 0) {
        if (!active_)
            return;
        sem_init(&sem_, 0, 0);
        entry_.ev.fd_svr = req.fd_svr;
        entry_.ev.keep = 0;
        entry_.ev.tag = req.seq;
        entry_.ev.msg_id = req.msg_rsp;
        entry_.ev.handler = copy_answer;
        entry_.ev.arg = &sem_;
        registry_link_wait(&entry_);
    }

    ~ResponseWait() {
        if (!active_)
            return;
        qx_ipc_msg_free(registry_withdraw(&entry_));
        sem_destroy(&sem_);
    }

    ResponseWait(const ResponseWait &) = delete;
    ResponseWait &operator=(const ResponseWait &) = delete;

    // 0 with the answer in *rsp_out (or released), -1 on time-out or without an answer.
    int await(unsigned int timeout, qx_ipc_msg **rsp_out) {
        if (!woken(timeout, rsp_out))
            return -1;
        qx_ipc_msg *answer = registry_withdraw(&entry_);
        if (answer == nullptr) {
            // The loop ended, the entry was deleted, or the copy found no memory.
            if (rsp_out != nullptr)
                *rsp_out = nullptr;
            return -1;
        }
        if (rsp_out != nullptr)
            *rsp_out = answer;
        else
            qx_ipc_msg_free(answer);
        return 0;
    }

  private:
    bool woken(unsigned int timeout, qx_ipc_msg **rsp_out) {
        timespec now;
        if (timeout != 0 && clock_gettime(kWaitClock, &now) != 0) {
            qx_ipc_log(kLogPrefix, kLogError, "qx_ipc_send_msg_wait_rsp clock_gettime fail.\n\n");
            return false;
        }
        if (answered_soon(&sem_))
            return true;
        if (timeout == 0) {
            while (sem_wait(&sem_) < 0)
                if (errno != EINTR)
                    return false;
            return true;
        }
        const timespec deadline = deadline_after(now, timeout);
        int result;
        while ((result = wait_until(&sem_, &deadline)) < 0 && errno == EINTR) {
        }
        if (result == 0)
            return true;
        qx_ipc_log(kLogPrefix, kLogError,
                   "qx_ipc_send_msg_wait_rsp wait msg_rsp(0x%x) wait timeout.\n\n",
                   static_cast<unsigned>(entry_.ev.msg_id));
        if (rsp_out != nullptr)
            *rsp_out = nullptr;
        return false;
    }

    bool active_;
    sem_t sem_;
    Entry entry_;
};

} // namespace

} // namespace qxipc

extern "C" {

ORVO_EXPORT int qx_ipc_send_msg_wait_rsp_timeout(qx_ipc_msg *req, qx_ipc_msg **rsp_out,
                                                 unsigned int timeout) {
    using namespace qxipc;
    if (req == nullptr)
        return -1;
    if (req->len < 0) {
        errno = EINVAL;
        return -1;
    }
    req->seq = next_seq();
    req->mtype = 1;
    ResponseWait wait(*req);
    bool lookup_failed = false;
    int result = send_to_key(req, req->fd_svr, IPC_CREAT | kQueueMode, 0, &lookup_failed);
    if (lookup_failed) {
        qx_ipc_log(kLogPrefix, kLogError, "qx_ipc_send_msg_wait_rsp fd_svr(0x%x) error\n\n",
                   static_cast<unsigned>(req->fd_svr));
        return -1;
    }
    if (result < 0 || req->need_rsp == 0)
        return result < 0 ? -1 : 0;
    return wait.await(timeout, rsp_out);
}

ORVO_EXPORT int qx_ipc_send_msg_wait_rsp(qx_ipc_msg *req, qx_ipc_msg **rsp_out) {
    return qx_ipc_send_msg_wait_rsp_timeout(req, rsp_out, 0);
}

} // extern "C"
