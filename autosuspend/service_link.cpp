// SPDX-License-Identifier: MIT
#include "service_link.h"
#include "channel.h"
#include "feedback_reader.h"
#include "logger.h"

#include "common/guards.h"

#include <atomic>
#include <cstdint>

namespace autosuspend {

pthread_mutex_t g_command_mutex = PTHREAD_MUTEX_INITIALIZER;
int g_command_fd = -1;

namespace {

// Set once both channels are connected and the reader runs; never cleared.
std::atomic<bool> g_ready{false};

bool start_reader(int data_fd) {
    pthread_t thread;
    void *arg = reinterpret_cast<void *>(static_cast<intptr_t>(data_fd));
    if (pthread_create(&thread, nullptr, feedback_reader_main, arg) != 0)
        return false;
    pthread_detach(thread);
    return true;
}

} // namespace

int libautosuspend_init() {
    if (g_ready.load())
        return 0;
    library_log(kLogLevel, "Start libautosuspend_init.\n");
    char command_path[kClientPathSize];
    char data_path[kClientPathSize];
    format_client_path(command_path, kCommandClientFormat);
    format_client_path(data_path, kDataClientFormat);

    orvo::MutexGuard lock(g_command_mutex);
    // Another thread may have finished the set-up while this one waited for the mutex.
    if (g_ready.load())
        return 0;
    if (connect_channel(g_command_fd, command_path, kCommandServerPath) < 0) {
        library_log(kLogLevel, "cmd channel connect error.\n");
        return -1;
    }
    int data_fd = -1;
    if (connect_channel(data_fd, data_path, kDataServerPath) < 0) {
        library_log(kLogLevel, "data channel connect error.\n");
        // The next attempt connects a new command channel; this one would only leak.
        close_channel(g_command_fd);
        return -1;
    }
    if (!start_reader(data_fd)) {
        library_log(kLogLevel, "feedback reader start error.\n");
        close_channel(data_fd);
        close_channel(g_command_fd);
        return -1;
    }
    g_ready.store(true);
    return 0;
}

} // namespace autosuspend
