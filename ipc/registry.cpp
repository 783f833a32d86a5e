// SPDX-License-Identifier: MIT
// The event registry and the dispatch of one message to its entries.
#include "registry.h"

#include "list.h"

#include "common/export.h"
#include "common/guards.h"

#include <new>
#include <semaphore.h>

namespace qxipc {

namespace {

pthread_mutex_t registry_mutex = PTHREAD_MUTEX_INITIALIZER;
List<Entry> entries; // guarded by registry_mutex

void link(Entry *entry) {
    entries.push_back(entry);
    entry->linked = true;
}

void unlink(Entry *entry) {
    entries.remove(entry);
    entry->linked = false;
}

// Takes an entry out for good: a waiter is woken (its answer, if any, stays for it to
// collect), any other entry is released.
void retire(Entry *entry) {
    unlink(entry);
    if (entry->waiter)
        sem_post(static_cast<sem_t *>(entry->ev.arg));
    else
        delete entry;
}

} // namespace

int registry_add(const qx_ipc_event &ev) {
    auto *entry = new (std::nothrow) Entry;
    if (entry == nullptr)
        return -1;
    entry->ev = ev;
    orvo::MutexGuard lock(registry_mutex);
    link(entry);
    return 0;
}

void registry_del(int msg_id, int tag) {
    orvo::MutexGuard lock(registry_mutex);
    for (Entry *entry = entries.head, *next = nullptr; entry != nullptr; entry = next) {
        next = entry->next;
        if (entry->ev.msg_id == msg_id && entry->ev.tag == tag)
            retire(entry);
    }
}

void registry_link_wait(Entry *entry) {
    entry->waiter = true;
    orvo::MutexGuard lock(registry_mutex);
    link(entry);
}

qx_ipc_msg *registry_withdraw(Entry *entry) {
    orvo::MutexGuard lock(registry_mutex);
    if (entry->linked)
        unlink(entry);
    auto *answer = static_cast<qx_ipc_msg *>(entry->ev.rsp);
    entry->ev.rsp = nullptr;
    return answer;
}

void registry_dispatch(qx_ipc_msg *msg) {
    // Handlers may change the header (publish does); entries match the identifier received.
    const int msg_id = msg->msg_id;
    orvo::MutexGuard lock(registry_mutex);
    for (Entry *entry = entries.head, *next = nullptr; entry != nullptr; entry = next) {
        next = entry->next;
        if (entry->ev.msg_id != msg_id)
            continue;
        // A waiter may return as soon as its handler has run: decide everything before.
        const bool one_shot = entry->ev.keep == 0;
        const bool release = one_shot && !entry->waiter;
        if (one_shot)
            unlink(entry);
        if (entry->ev.handler != nullptr)
            entry->ev.handler(&entry->ev, msg);
        if (release)
            delete entry;
    }
}

void registry_clear() {
    orvo::MutexGuard lock(registry_mutex);
    while (entries.head != nullptr)
        retire(entries.head);
}

} // namespace qxipc

extern "C" {

ORVO_EXPORT int qx_ipc_event_add(qx_ipc_event *ev) {
    if (ev == nullptr)
        return -1;
    return qxipc::registry_add(*ev);
}

ORVO_EXPORT int qx_ipc_register_events(qx_ipc_event *evs, int count) {
    for (int i = 0; evs != nullptr && i < count; ++i)
        qxipc::registry_add(evs[i]);
    return 0;
}

ORVO_EXPORT int qx_ipc_event_del(qx_ipc_event *ev) {
    if (ev != nullptr)
        qxipc::registry_del(ev->msg_id, ev->tag);
    return 0;
}

} // extern "C"
