/* SPDX-License-Identifier: MIT */
// Trust in what already sits at a fixed path or queue key: any local user may have put it
// there first. It is used only when root or this process's own user made it and nobody
// else can change it.
#pragma once

#include "common/unique_fd.h"

#include <sys/stat.h>
#include <sys/types.h>

namespace orvo {

// Root's uid or the process's effective uid.
bool trusted_uid(uid_t uid);

// A regular file with one link, owned by a trusted uid and not writable by others.
bool trusted_file(const struct stat &st);

// Opens path without following a symbolic link and without blocking on a FIFO,
// close-on-exec, and keeps it only when it is a trusted file: errno EINVAL for anything but
// a regular file, EACCES for one that another user could have planted or could change.
UniqueFd open_trusted_file(const char *path, int flags);

// A System V queue whose owner and creator are trusted and which grants nothing to others.
// False, with errno EACCES, for any other queue (errno from msgctl when it cannot be
// looked at).
bool trusted_queue(int queue);

} // namespace orvo
