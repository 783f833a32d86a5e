// SPDX-License-Identifier: MIT
// Wake locks, low-power mode and whitelist: straight to the platform, no service involved.
#include "liborvo-autosuspend.h"
#include "logger.h"
#include "qx_mnet.h"
#include "qx_pm.h"

#include "common/export.h"

#include <cstdlib>

using autosuspend::kLogLevel;
using autosuspend::library_log;

namespace {

bool is_empty(const char *name) {
    return name == nullptr || name[0] == '\0';
}

// A platform wake-lock call by name, with its own failure and success lines: 1 or -1.
int wake_lock_call(const char *name, int (*call)(const char *), const char *failed,
                   const char *succeeded) {
    if (is_empty(name))
        return -1;
    library_log(kLogLevel, "Get param:%s \n", name);
    int result = call(name);
    if (result != 0) {
        library_log(kLogLevel, failed, result);
        return -1;
    }
    library_log(kLogLevel, succeeded);
    return 1;
}

} // namespace

extern "C" ORVO_EXPORT int acquire_wake_lock(int /*lock_type*/, const char *name) {
    return wake_lock_call(name, qx_pm_wakelock_lock, "do_wakelock failed, err:%d",
                          "do_wakelock succeed\n");
}

extern "C" ORVO_EXPORT int release_wake_lock(const char *name) {
    return wake_lock_call(name, qx_pm_wakelock_unlock, "do_wakeunlock failed, err:%d",
                          "do_wakeunlock succeed\n");
}

extern "C" ORVO_EXPORT int orvo_set_lpmode(int mode) {
    library_log(kLogLevel, "Get param:%d \n", mode);
    int result = qx_pm_set_lp_mode(mode);
    if (result != 0) {
        library_log(kLogLevel, "do_set_lpmode failed, err:%d", result);
        std::exit(1);
    }
    library_log(kLogLevel, "do_set_lpmode succeed\n");
    return 0;
}

extern "C" ORVO_EXPORT int orvo_whitelist_clear(void) {
    int result = qx_mnet_whitelist_clear();
    if (result != 0)
        library_log(kLogLevel, "qx_mnet_whitelist_clear ret=%d\n", result);
    return result;
}
