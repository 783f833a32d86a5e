// SPDX-License-Identifier: MIT
// Message buffers: a header and len payload bytes on the heap.
#include "libqxipc.h"

#include "common/export.h"

#include <cstddef>
#include <cstdlib>

// The record goes to the kernel as it lies in memory: a long, then seven 32-bit fields.
static_assert(offsetof(qx_ipc_msg, fd_svr) == sizeof(long), "header starts after mtype");
static_assert(offsetof(qx_ipc_msg, len) == sizeof(long) + 24, "len is the last header field");
static_assert(offsetof(qx_ipc_msg, data) == sizeof(long) + QX_IPC_HEADER_TEXT_SIZE,
              "payload follows the header");
static_assert(sizeof(long) != 4 || sizeof(qx_ipc_msg) == 32, "32-byte header on the module");
static_assert(sizeof(void *) != 4 || sizeof(qx_ipc_event) == 7 * 4, "seven words on the module");

extern "C" {

ORVO_EXPORT qx_ipc_msg *qx_ipc_msg_new(int len) {
    if (len < 0)
        return nullptr;
    return static_cast<qx_ipc_msg *>(std::malloc(sizeof(qx_ipc_msg) + static_cast<size_t>(len)));
}

ORVO_EXPORT void qx_ipc_msg_free(qx_ipc_msg *msg) {
    std::free(msg);
}

} // extern "C"
