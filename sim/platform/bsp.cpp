// libbsp stand-in: wake locks go to the (simulated) kernel, the low-power mode is recorded.
#include "qx_pm.h"
#include "simctl.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {

int write_kernel_file(const char *file, const char *text) {
    int fd = open(file, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return -errno;
    ssize_t n = write(fd, text, strlen(text));
    int result = n < 0 ? -errno : 0;
    close(fd);
    return result;
}

} // namespace

EXPORT int qx_pm_wakelock_lock(const char *name) {
    sim::record("libbsp", "qx_pm_wakelock_lock %s", name);
    if (int code = sim::fail_code("qx_pm_wakelock_lock"))
        return code;
    return write_kernel_file("/sys/power/wake_lock", name);
}

EXPORT int qx_pm_wakelock_unlock(const char *name) {
    sim::record("libbsp", "qx_pm_wakelock_unlock %s", name);
    if (int code = sim::fail_code("qx_pm_wakelock_unlock"))
        return code;
    return write_kernel_file("/sys/power/wake_unlock", name);
}

EXPORT int qx_pm_set_lp_mode(int mode) {
    sim::record("libbsp", "qx_pm_set_lp_mode %d", mode);
    return sim::fail_code("qx_pm_set_lp_mode");
}
