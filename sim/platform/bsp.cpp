// SPDX-License-Identifier: MIT
// libbsp stand-in: wake locks go to the (simulated) kernel, the low-power mode is recorded.
#include "common/export.h"
#include "common/kernel_wakelock.h"
#include "qx_pm.h"
#include "simctl.h"

#include <cerrno>
#include <cstring>

namespace {

int write_kernel_file(const char *file, const char *name) {
    errno = 0;
    if (orvo::write_wakelock_file(file, name, std::strlen(name)) == orvo::WakelockWrite::ok)
        return 0;
    return errno ? -errno : -EIO;
}

} // namespace

extern "C" ORVO_EXPORT int qx_pm_wakelock_lock(const char *name) {
    sim::record("libbsp", "qx_pm_wakelock_lock %s", name);
    if (int code = sim::fail_code("qx_pm_wakelock_lock"))
        return code;
    return write_kernel_file(orvo::kWakeLockFile, name);
}

extern "C" ORVO_EXPORT int qx_pm_wakelock_unlock(const char *name) {
    sim::record("libbsp", "qx_pm_wakelock_unlock %s", name);
    if (int code = sim::fail_code("qx_pm_wakelock_unlock"))
        return code;
    return write_kernel_file(orvo::kWakeUnlockFile, name);
}

extern "C" ORVO_EXPORT int qx_pm_set_lp_mode(int mode) {
    sim::record("libbsp", "qx_pm_set_lp_mode %d", mode);
    return sim::fail_code("qx_pm_set_lp_mode");
}
