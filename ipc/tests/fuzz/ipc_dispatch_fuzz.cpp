// SPDX-License-Identifier: MIT
// Arbitrary message bytes and lengths into a running receive loop's queue: the loop hands
// every message on with a len no larger than what arrived, never stalls, and keeps serving.
// Runs inside a simulated module (its own IPC namespace).
#include "libqxipc.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <semaphore.h>
#include <sys/msg.h>
#include <vector>

namespace {

constexpr int kStop = 2;
constexpr int kSentinel = 0x7fff0001;
constexpr size_t kLargest = QX_IPC_HEADER_TEXT_SIZE + QX_IPC_MAX_DATA + 64;

sem_t g_passed;
int g_queue = -1;
// The input under test carries this seq (forwarded copies get the library's own numbers)
// and this many payload bytes; written before the send, read by the loop after receipt.
int g_marker = 0;
long g_arrived_payload = 0;

void check(bool ok) {
    if (!ok)
        abort();
}

int on_sentinel(qx_ipc_event *, qx_ipc_msg *) {
    sem_post(&g_passed);
    return 0;
}

int on_message(qx_ipc_event *, qx_ipc_msg *msg) {
    check(msg->len >= 0 && msg->len <= QX_IPC_MAX_DATA);
    if (msg->seq == g_marker)
        check(msg->len <= g_arrived_payload);
    // Every payload byte the loop claims is readable.
    volatile unsigned char sum = 0;
    for (int i = 0; i < msg->len; ++i)
        sum = static_cast<unsigned char>(sum + msg->data[i]);
    return 0;
}

void add_event(int msg_id, int keep, qx_ipc_handler *handler) {
    qx_ipc_event ev{};
    ev.keep = keep;
    ev.tag = msg_id;
    ev.msg_id = msg_id;
    ev.handler = handler;
    check(qx_ipc_event_add(&ev) == 0);
}

void send_raw(const void *text, size_t size) {
    std::vector<unsigned char> buffer(sizeof(long) + size);
    long type = 1;
    memcpy(buffer.data(), &type, sizeof type);
    if (size > 0)
        memcpy(buffer.data() + sizeof type, text, size);
    while (msgsnd(g_queue, buffer.data(), size, 0) != 0)
        check(errno == EINTR);
}

// Waits until the loop has dispatched everything sent before the sentinel.
void wait_for_loop() {
    qx_ipc_msg header{};
    header.fd_svr = qx_ipc_get_self_fd();
    header.msg_id = kSentinel;
    send_raw(reinterpret_cast<const char *>(&header) + sizeof(long), QX_IPC_HEADER_TEXT_SIZE);
    timespec deadline;
    clock_gettime(CLOCK_REALTIME, &deadline);
    deadline.tv_sec += 10;
    while (sem_timedwait(&g_passed, &deadline) != 0)
        check(errno == EINTR); // a time-out means the loop stalled
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    sem_init(&g_passed, 0, 0);
    check(qx_ipc_start_loop(nullptr) != 0);
    g_queue = msgget(qx_ipc_get_self_fd(), 0);
    check(g_queue >= 0);
    add_event(kSentinel, 1, on_sentinel);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size > kLargest)
        return -1;
    std::vector<unsigned char> text(data, data + size);
    int msg_id = 0;
    g_marker = 0x40000000 + (g_marker + 1) % 0x10000000;
    if (text.size() >= 12)
        memcpy(text.data() + 8, &g_marker, sizeof g_marker);
    // The identifier as the loop sees it: bytes that did not arrive read as 0.
    size_t id_bytes = text.size() > 12 ? std::min<size_t>(text.size() - 12, 4) : 0;
    if (id_bytes > 0)
        memcpy(&msg_id, text.data() + 12, id_bytes);
    // A stop or a sentinel would end the loop or the wait early.
    if (msg_id == kStop || msg_id == kSentinel) {
        msg_id = 0;
        memset(text.data() + 12, 0, id_bytes);
    }
    add_event(msg_id, 0, on_message);
    g_arrived_payload = std::max(0L, static_cast<long>(size) - QX_IPC_HEADER_TEXT_SIZE);
    send_raw(text.data(), text.size());
    wait_for_loop();
    qx_ipc_event ev{};
    ev.tag = msg_id;
    ev.msg_id = msg_id;
    qx_ipc_event_del(&ev); // the one-shot entry, if the message did not reach it
    return 0;
}
