/* SPDX-License-Identifier: MIT */
// The event registry: entries in registration order, guarded by the registry lock.
#pragma once

#include "libqxipc.h"

namespace qxipc {

struct Entry {
    qx_ipc_event ev{};
    Entry *prev = nullptr;
    Entry *next = nullptr;
    bool linked = false;
    // A response wait: owned by the waiting call, which alone releases it.
    bool waiter = false;
};

// Appends a copy of ev; -1 when out of memory.
int registry_add(const qx_ipc_event &ev);
// Removes every entry with this msg_id and tag.
void registry_del(int msg_id, int tag);
// Appends a response wait entry.
void registry_link_wait(Entry *entry);
// Unlinks a response wait entry if still linked; returns its answer (or null) and clears it.
qx_ipc_msg *registry_withdraw(Entry *entry);
// Calls every entry that handles msg's identifier, in registration order.
void registry_dispatch(qx_ipc_msg *msg);
// Empties the registry; waiting calls are woken without an answer.
void registry_clear();

} // namespace qxipc
