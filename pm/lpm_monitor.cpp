// SPDX-License-Identifier: MIT
// The low-power-mode monitor: a thread reading the platform's edge attribute and calling
// the application's handler with each edge.
#include "liborvo-kesl-autosuspend.h"
#include "logger.h"

#include "common/export.h"
#include "common/unique_fd.h"

#include <cerrno>
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

ORVO_EXPORT int g_init_flag = 0;
ORVO_EXPORT kesl_lpm_handler_t g_lpm_handler = nullptr;
ORVO_EXPORT pthread_t thid;

namespace {

using pm::kMonitorLevel;
using pm::library_log;

constexpr const char *kAttribute = "/sys/xp2xp/xp2xp_notify/xp2xp_state";
// A read of this many bytes reports edge 0, one more byte edge 1.
constexpr ssize_t kEdgeLowLength = 5;
constexpr ssize_t kEdgeHighLength = 6;
// A missing or failing attribute is retried at this pace rather than in a busy loop.
constexpr useconds_t kRetryPauseUs = 100 * 1000;

// Open and read are cancellation points; the descriptor closes when the thread unwinds.
ssize_t read_attribute() {
    char buffer[16] = {};
    orvo::UniqueFd fd = orvo::open_fd(kAttribute, O_RDONLY);
    if (!fd)
        return -1;
    return read(fd.get(), buffer, sizeof buffer - 1);
}

} // namespace

extern "C" ORVO_EXPORT void *check_dtr(void *) {
    for (;;) {
        ssize_t length = read_attribute();
        library_log(kMonitorLevel, "xp2xp_state ret = %d\n", static_cast<int>(length));
        // A cancelled monitor may still run while kesl_lpm_init stores the next handler.
        kesl_lpm_handler_t handler = __atomic_load_n(&g_lpm_handler, __ATOMIC_ACQUIRE);
        if (length == kEdgeLowLength)
            handler(0);
        else if (length == kEdgeHighLength)
            handler(1);
        else if (length <= 0)
            usleep(kRetryPauseUs);
    }
    return nullptr;
}

extern "C" ORVO_EXPORT int kesl_lpm_init(kesl_lpm_handler_t handler, void * /*config*/) {
    if (!handler)
        return -6;
    if (g_init_flag != 0) {
        library_log(kMonitorLevel, "g_init_flag is error\n");
        return -1;
    }
    g_init_flag = 1;
    __atomic_store_n(&g_lpm_handler, handler, __ATOMIC_RELEASE);
    int error = pthread_create(&thid, nullptr, check_dtr, nullptr);
    if (error != 0) {
        library_log(kMonitorLevel, "pthread create fail, kesl_lpm_init fail\n");
        g_init_flag = 0;
        return error;
    }
    return 0;
}

extern "C" ORVO_EXPORT int kesl_lpm_deinit(void) {
    if (g_init_flag != 1) {
        library_log(kMonitorLevel, "g_init_flag is error");
        return -1;
    }
    g_init_flag = 0;
    int error = pthread_cancel(thid);
    if (error != 0) {
        library_log(kMonitorLevel, "pthread cancel fail, lpm deinit fail\n");
        return error;
    }
    // Nobody joins the cancelled thread: detached, it frees its stack when it ends.
    pthread_detach(thid);
    library_log(kMonitorLevel, "pthread cancel success, lpm deinit success\n");
    return 0;
}
