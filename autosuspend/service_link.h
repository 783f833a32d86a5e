/* SPDX-License-Identifier: MIT */
// The two channels to the autosuspend service, set up once per process.
#pragma once

#include <pthread.h>

namespace autosuspend {

// Held across the set-up and across every command send.
extern pthread_mutex_t g_command_mutex;
// The command channel; -1 while not connected or after a failed send.
extern int g_command_fd;

// Connects both channels and starts the feedback reader, once: 0 when ready, else -1.
int libautosuspend_init();

} // namespace autosuspend
