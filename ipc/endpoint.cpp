// Endpoint keys: the well-known names, the dynamic range and the own queue.
#include "internal.h"

#include <cerrno>
#include <cstring>
#include <sys/msg.h>

namespace qxipc {

std::atomic<int> own_key{-1};
std::atomic<int> own_queue{-1};

namespace {

constexpr int default_key = 5470;
constexpr int first_dynamic_key = 5471;
constexpr int last_dynamic_key = 5726;

struct WellKnown {
    const char *name;
    int key;
};

constexpr WellKnown well_known[] = {
    {"wifi_proxy_ipc", 5467},
    {"mnet_whitelist_proxy_ipc", 5468},
    {"msm-server", 5469},
    {"telecom-server", 5470},
};

int well_known_key(const char *name) {
    for (const auto &endpoint : well_known)
        if (name != nullptr && std::strcmp(name, endpoint.name) == 0)
            return endpoint.key;
    return -1;
}

void log_no_queue() {
    qx_ipc_log(log_prefix, log_error, "No MSG-QUEUE can be used!\n\n");
}

} // namespace

bool open_own_queue(const char *name, int *key, int *queue) {
    int fixed = well_known_key(name);
    if (fixed >= 0) {
        int id = msgget(fixed, IPC_CREAT | queue_mode);
        if (id < 0) {
            log_no_queue();
            return false;
        }
        *key = fixed;
        *queue = id;
        return true;
    }
    // The lowest key whose queue this process creates; taken keys are skipped.
    for (int candidate = first_dynamic_key; candidate <= last_dynamic_key; ++candidate) {
        int id = msgget(candidate, IPC_CREAT | IPC_EXCL | queue_mode);
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
    int flags = IPC_CREAT | queue_mode;
    if (key >= first_dynamic_key)
        flags |= IPC_EXCL;
    return msgget(key, flags);
}

} // namespace qxipc

extern "C" {

__attribute__((visibility("default"))) int qx_ipc_get_key_by_name(const char *name) {
    // Only the Wi-Fi proxy has a key of its own here; every other name is the default.
    if (name != nullptr && std::strcmp(name, "wifi_proxy_ipc") == 0)
        return 5467;
    return qxipc::default_key;
}

__attribute__((visibility("default"))) int qx_ipc_get_svr_fd(const char *name) {
    int key = qxipc::well_known_key(name);
    return key >= 0 ? key : qxipc::default_key;
}

__attribute__((visibility("default"))) int qx_ipc_get_self_fd(void) {
    return qxipc::own_key;
}

} // extern "C"
