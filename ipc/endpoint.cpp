// SPDX-License-Identifier: MIT
// Endpoint keys: the well-known names, the dynamic range and the own queue.
#include "internal.h"

#include "common/export.h"
#include "common/trust.h"

#include <cerrno>
#include <cstring>
#include <sys/msg.h>

namespace qxipc {

std::atomic<int> own_key{-1};
std::atomic<int> own_queue{-1};

namespace {

constexpr int kDefaultKey = 5470;
constexpr int kFirstDynamicKey = 5471;
constexpr int kLastDynamicKey = 5726;

struct WellKnown {
    const char *name;
    int key;
};

constexpr WellKnown kWellKnown[] = {
    {"wifi_proxy_ipc", 5467},
    {"mnet_whitelist_proxy_ipc", 5468},
    {"msm-server", 5469},
    {"telecom-server", 5470},
};

int well_known_key(const char *name) {
    for (const auto &endpoint : kWellKnown)
        if (name != nullptr && std::strcmp(name, endpoint.name) == 0)
            return endpoint.key;
    return -1;
}

void log_no_queue() {
    qx_ipc_log(kLogPrefix, kLogError, "No MSG-QUEUE can be used!\n\n");
}

// A fixed key's queue may have been made first by another user, to read the endpoint's
// messages or stop its loop: only one of root's or this user's, closed to others, is used.
int open_fixed_queue(int key) {
    int id = msgget(key, IPC_CREAT | kQueueMode);
    if (id >= 0 && !orvo::trusted_queue(id))
        return -1;
    return id;
}

} // namespace

bool open_own_queue(const char *name, int *key, int *queue) {
    int fixed = well_known_key(name);
    if (fixed >= 0) {
        int id = open_fixed_queue(fixed);
        if (id < 0) {
            log_no_queue();
            return false;
        }
        *key = fixed;
        *queue = id;
        return true;
    }
    // The lowest key whose queue this process creates; taken keys are skipped.
    for (int candidate = kFirstDynamicKey; candidate <= kLastDynamicKey; ++candidate) {
        int id = msgget(candidate, IPC_CREAT | IPC_EXCL | kQueueMode);
        if (id >= 0) {
            *key = candidate;
            *queue = id;
            return true;
        }
    }
    log_no_queue();
    return false;
}

int reopen_own_queue(int key) {
    // A dynamic key may have been taken by another endpoint meanwhile: never share its queue.
    if (key >= kFirstDynamicKey)
        return msgget(key, IPC_CREAT | IPC_EXCL | kQueueMode);
    return open_fixed_queue(key);
}

} // namespace qxipc

extern "C" {

ORVO_EXPORT int qx_ipc_get_key_by_name(const char *name) {
    // Only the Wi-Fi proxy has a key of its own here; every other name is the default.
    if (name != nullptr && std::strcmp(name, "wifi_proxy_ipc") == 0)
        return 5467;
    return qxipc::kDefaultKey;
}

ORVO_EXPORT int qx_ipc_get_svr_fd(const char *name) {
    int key = qxipc::well_known_key(name);
    return key >= 0 ? key : qxipc::kDefaultKey;
}

ORVO_EXPORT int qx_ipc_get_self_fd(void) {
    return qxipc::own_key;
}

} // extern "C"
