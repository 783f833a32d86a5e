// SPDX-License-Identifier: MIT
// The six events every loop starts with: absorb, stop, subscribe, unsubscribe, publish.
#include "builtins.h"

#include "internal.h"
#include "list.h"
#include "registry.h"

#include <new>
#include <sys/msg.h>

namespace qxipc {

namespace {

enum : int {
    absorb_0 = 0,
    absorb_1 = 1,
    stop_id = 2,
    subscribe_id = 3,
    unsubscribe_id = 4,
    publish_id = 5,
};

struct Subscriber {
    int fd_src;
    int seq;
    int msg_id;
    Subscriber *prev;
    Subscriber *next;
};

// Any process that may send to the endpoint may subscribe: a bound keeps one that sends
// subscriptions without end from growing the list and each publish's sends without end.
constexpr int kMaxSubscribers = 1024;

// Touched only on the receive thread.
List<Subscriber> subscribers;
int subscriber_count = 0;

bool subscribed(int fd_src, int msg_id) {
    for (Subscriber *subscriber = subscribers.head; subscriber != nullptr;
         subscriber = subscriber->next)
        if (subscriber->fd_src == fd_src && subscriber->msg_id == msg_id)
            return true;
    return false;
}

// A second subscription of the same key to the same topic is absorbed: one copy each.
void append(int fd_src, int seq, int msg_id) {
    if (subscribed(fd_src, msg_id))
        return;
    if (subscriber_count >= kMaxSubscribers) {
        qx_ipc_log(kLogPrefix, kLogError,
                   "subscriber list full (%d), 0x%x not subscribed to %d\n\n", kMaxSubscribers,
                   fd_src, msg_id);
        return;
    }
    auto *subscriber = new (std::nothrow) Subscriber{fd_src, seq, msg_id, nullptr, nullptr};
    if (subscriber == nullptr)
        return; // out of memory: the subscription is not recorded
    subscribers.push_back(subscriber);
    ++subscriber_count;
}

void remove(Subscriber *subscriber) {
    subscribers.remove(subscriber);
    delete subscriber;
    --subscriber_count;
}

// Forwarded messages carry the topic as msg_id: a topic among the built-in identifiers
// would be taken for a command (or published again) by the subscriber's loop.
bool is_topic(int msg_id) {
    return msg_id > publish_id || msg_id < absorb_0;
}

int on_absorb(qx_ipc_event *, qx_ipc_msg *) {
    return 0;
}

int on_stop(qx_ipc_event *, qx_ipc_msg *) {
    stop_loop();
    return 0;
}

int on_subscribe(qx_ipc_event *, qx_ipc_msg *msg) {
    if (!is_topic(msg->msg_rsp))
        return 0;
    append(msg->fd_src, msg->seq, msg->msg_rsp);
    return 0;
}

int on_unsubscribe(qx_ipc_event *, qx_ipc_msg *msg) {
    for (Subscriber *subscriber = subscribers.head, *next = nullptr; subscriber != nullptr;
         subscriber = next) {
        next = subscriber->next;
        if (subscriber->fd_src == msg->fd_src && subscriber->msg_id == msg->msg_rsp)
            remove(subscriber);
    }
    return 0;
}

int on_publish(qx_ipc_event *, qx_ipc_msg *msg) {
    const int topic = msg->msg_rsp;
    if (!is_topic(topic))
        return 0;
    const int received_id = msg->msg_id;
    for (Subscriber *subscriber = subscribers.head; subscriber != nullptr;
         subscriber = subscriber->next) {
        if (subscriber->msg_id != topic)
            continue;
        msg->fd_svr = subscriber->fd_src;
        msg->fd_src = own_key;
        msg->msg_id = topic;
        // A subscriber that no longer reads (its process died, its queue stayed) must not
        // block this loop for good: a full subscriber misses the message instead.
        qx_ipc_send_msg_with_flag(msg, IPC_NOWAIT);
    }
    msg->msg_id = received_id;
    return 0;
}

} // namespace

void register_builtins() {
    while (subscribers.head != nullptr)
        remove(subscribers.head);
    struct {
        int msg_id;
        qx_ipc_handler *handler;
    } const builtins[] = {
        {absorb_0, on_absorb},
        {absorb_1, on_absorb},
        {stop_id, on_stop},
        {subscribe_id, on_subscribe},
        {unsubscribe_id, on_unsubscribe},
        {publish_id, on_publish},
    };
    for (const auto &builtin : builtins) {
        qx_ipc_event ev{};
        ev.keep = 1;
        ev.tag = builtin.msg_id;
        ev.msg_id = builtin.msg_id;
        ev.handler = builtin.handler;
        registry_add(ev);
    }
}

} // namespace qxipc
