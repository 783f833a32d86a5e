/* SPDX-License-Identifier: MIT */
// Opening the lock-table file safely, and whole-buffer reads and writes of it.
#pragma once

#include "common/unique_fd.h"

#include <sys/types.h>

namespace pm {

// Opens the table without following a symbolic link, close-on-exec, creating it (O_EXCL)
// when O_CREAT is given and it is missing. Anything but a regular file is refused like a
// file that cannot be opened (errno EINVAL), and so is one that another user could have
// planted or could change: more than one link, writable by others, or owned by a uid that
// is neither root's nor this process's (errno EACCES).
orvo::UniqueFd open_table(int flags);

// Reads or writes up to size bytes at the start of the file; the count, or -1 when
// nothing could be transferred.
ssize_t read_whole(int fd, void *buffer, size_t size);
ssize_t write_whole(int fd, const void *buffer, size_t size);

// The system's text for an error number.
const char *error_text(int error, char *buffer, size_t size);

} // namespace pm
