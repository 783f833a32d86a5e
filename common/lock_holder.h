/* SPDX-License-Identifier: MIT */
// Who holds an advisory lock on a file, as the kernel lists it in /proc/locks.
#pragma once

#include <sys/types.h>

namespace orvo {

// The process that took a flock() lock on fd's file, as seen from this process's pid
// namespace; 0 when the file is not locked or the holder cannot be named.
pid_t flock_holder(int fd);

// Whether pid is a live process running as root or as this process's effective user.
bool trusted_process(pid_t pid);

} // namespace orvo
