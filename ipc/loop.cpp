// SPDX-License-Identifier: MIT
// The receive loop: reference-counted start and stop, and the receive thread itself.
#include "builtins.h"
#include "internal.h"
#include "registry.h"

#include "common/export.h"
#include "common/guards.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <pthread.h>
#include <sys/msg.h>
#include <sys/prctl.h>
#include <thread>

extern "C" {
ORVO_EXPORT int terminate_loop_flag = 0;
}

namespace qxipc {

namespace {

enum class Phase { stopped, starting, running, ending };

// The state lock and its condition are static and never destroyed: a detached receive
// thread may still use them while the process exits. Lock order: registry before state.
pthread_mutex_t state_mutex = PTHREAD_MUTEX_INITIALIZER;
// Signals every change of phase: starters and terminators wait on it.
pthread_cond_t phase_changed = PTHREAD_COND_INITIALIZER;
Phase phase = Phase::stopped;
// Read by the receive thread after each pass without the lock.
std::atomic<bool> running{false};
int ref_count = 0;
pthread_t loop_thread{};
unsigned loops_ended = 0;
bool stop_sent = false;

constexpr auto kReopenPause = std::chrono::milliseconds(100);

struct StartRequest {
    const char *name;
    bool started = false;
};

void set_terminate_flag(int value) {
    __atomic_store_n(&terminate_loop_flag, value, __ATOMIC_SEQ_CST);
}

void enter(Phase next) {
    phase = next;
    pthread_cond_broadcast(&phase_changed);
}

// Receives the next message into buffer, with len cut to the payload that arrived.
// False when the own queue is gone and cannot be made again.
bool receive(qx_ipc_msg *buffer) {
    for (;;) {
        std::memset(buffer, 0, sizeof(qx_ipc_msg));
        buffer->len = QX_IPC_MAX_DATA;
        buffer->fd_svr = own_queue;
        ssize_t got = msgrcv(own_queue, buffer, text_size(QX_IPC_MAX_DATA), 0, MSG_NOERROR);
        if (got >= 0) {
            // A longer message arrives truncated: never trust len beyond what came.
            long payload = static_cast<long>(got) - QX_IPC_HEADER_TEXT_SIZE;
            if (buffer->len > payload)
                buffer->len = payload < 0 ? 0 : static_cast<int>(payload);
            if (buffer->len < 0)
                buffer->len = 0;
            return true;
        }
        const int error = errno;
        if (error == EINTR)
            continue;
        // Any lasting failure must neither spin nor end the loop at once.
        std::this_thread::sleep_for(kReopenPause);
        if (error == EIDRM || error == EINVAL) {
            int queue = reopen_own_queue(own_key);
            if (queue < 0)
                return false;
            own_queue = queue;
        }
    }
}

void teardown(const char *name, qx_ipc_msg *buffer) {
    qx_ipc_log(kLogPrefix, kLogError, "Warning:The thread(%s) is term!\n\n", name);
    qx_ipc_msg_free(buffer);
    registry_clear();
    if (own_queue != -1)
        msgctl(own_queue, IPC_RMID, nullptr);
    orvo::MutexGuard lock(state_mutex);
    set_terminate_flag(1);
    ++loops_ended;
    stop_sent = false;
    enter(Phase::stopped);
}

void *receive_thread(void *arg) {
    auto *request = static_cast<StartRequest *>(arg);
    char name[64] = {};
    std::strncpy(name, request->name != nullptr ? request->name : QX_IPC_DEFAULT_NAME, 62);

    registry_clear();
    qx_ipc_msg *buffer = qx_ipc_msg_new(QX_IPC_MAX_DATA);
    int key = -1;
    int queue = -1;
    if (buffer == nullptr || !open_own_queue(name, &key, &queue)) {
        qx_ipc_msg_free(buffer);
        orvo::MutexGuard lock(state_mutex);
        enter(Phase::stopped);
        return nullptr;
    }
    own_key = key;
    own_queue = queue;
    register_builtins();
    // Named before the start returns, so the name is in place for whoever looks.
    prctl(PR_SET_NAME, name, 0, 0, 0);
    {
        orvo::MutexGuard lock(state_mutex);
        running = true;
        set_terminate_flag(0);
        request->started = true;
        enter(Phase::running);
    }

    while (running) {
        if (!receive(buffer)) {
            stop_loop();
            break;
        }
        registry_dispatch(buffer);
    }
    teardown(name, buffer);
    return nullptr;
}

} // namespace

void stop_loop() {
    orvo::MutexGuard lock(state_mutex);
    running = false;
    enter(Phase::ending);
}

} // namespace qxipc

extern "C" {

ORVO_EXPORT unsigned long qx_ipc_start_loop(const char *name) {
    using namespace qxipc;
    static_assert(sizeof(pthread_t) <= sizeof(unsigned long), "thread handle fits the result");
    orvo::MutexGuard lock(state_mutex);
    ++ref_count;
    // A start or an end under way finishes first: one receive thread at a time.
    lock.wait_until(phase_changed,
                    [] { return phase == Phase::stopped || phase == Phase::running; });
    if (phase == Phase::running)
        return static_cast<unsigned long>(loop_thread);

    // The new thread uses request until it has started: the wait for it must not be cut
    // short by a cancellation (deferred to the caller's next cancellation point).
    orvo::CancellationOff no_cancel;
    StartRequest request{name};
    enter(Phase::starting);
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    pthread_t thread;
    int error = pthread_create(&thread, &attr, receive_thread, &request);
    pthread_attr_destroy(&attr);
    if (error != 0) {
        enter(Phase::stopped);
        return 0;
    }
    loop_thread = thread;
    lock.wait_until(phase_changed, [] { return phase != Phase::starting; });
    return request.started ? static_cast<unsigned long>(thread) : 0;
}

ORVO_EXPORT int qx_ipc_terminate_loop(void) {
    using namespace qxipc;
    orvo::MutexGuard lock(state_mutex);
    --ref_count;
    if (!running || ref_count > 0)
        return 0;
    const unsigned ended = loops_ended;
    if (!stop_sent) {
        // Later callers wait for the same stop message instead of sending another.
        stop_sent = true;
        qx_ipc_msg stop{};
        stop.fd_svr = own_key;
        stop.fd_src = own_key;
        stop.msg_id = 2;
        lock.unlock();
        int result = qx_ipc_send_msg(&stop);
        lock.lock();
        if (result < 0) {
            stop_sent = false;
            return -1;
        }
    }
    // A handler that ends the loop cannot wait for it: the loop ends after this pass.
    if (!pthread_equal(pthread_self(), loop_thread))
        lock.wait_until(phase_changed, [ended] { return loops_ended != ended; });
    return 0;
}

ORVO_EXPORT int get_terminate_flag(void) {
    return __atomic_load_n(&terminate_loop_flag, __ATOMIC_SEQ_CST);
}

} // extern "C"
