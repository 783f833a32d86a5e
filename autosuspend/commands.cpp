// SPDX-License-Identifier: MIT
// The "enable" and "disable" commands on the command channel.
#include "channel.h"
#include "liborvo-autosuspend.h"
#include "logger.h"
#include "service_link.h"

#include "common/export.h"
#include "common/guards.h"

#include <cstring>
#include <sys/socket.h>

namespace autosuspend {
namespace {

constexpr std::size_t kCommandBufferSize = 15;

int send_command(const char *command, const char *failure_message) {
    if (libautosuspend_init() != 0)
        return -1;
    orvo::MutexGuard lock(g_command_mutex);
    char buffer[kCommandBufferSize] = {};
    std::strncpy(buffer, command, sizeof buffer - 1);
    library_log(kLogLevel, "Sending data...\n");
    // A channel closed by an earlier failure stays closed: nothing is sent on it. No
    // SIGPIPE either when the service has gone: the failure is reported instead.
    if (g_command_fd < 0 || send(g_command_fd, buffer, std::strlen(buffer), MSG_NOSIGNAL) < 0) {
        library_log(kLogLevel, "SEND ERROR ");
        close_channel(g_command_fd);
        library_log(kLogLevel, failure_message);
        return -1;
    }
    library_log(kLogLevel, "Data sent: %s\n", buffer);
    return 1;
}

} // namespace
} // namespace autosuspend

extern "C" ORVO_EXPORT int orvo_autosleep_enable(void) {
    return autosuspend::send_command("enable", "libautosuspend send enable cmd fail.\n");
}

extern "C" ORVO_EXPORT int orvo_autosleep_disable(void) {
    return autosuspend::send_command("disable", "libautosuspend send disable cmd fail.\n");
}
