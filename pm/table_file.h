// Opening the lock-table file safely, and whole-buffer reads and writes of it.
#pragma once

#include "common/unique_fd.h"

#include <sys/types.h>

namespace pm {

// Opens the table without following a symbolic link, close-on-exec; anything but a regular
// file is refused like a file that cannot be opened (errno EINVAL).
orvo::UniqueFd open_table(int flags);

// Reads or writes up to size bytes at the start of the file; the count, or -1 when
// nothing could be transferred.
ssize_t read_whole(int fd, void *buffer, size_t size);
ssize_t write_whole(int fd, const void *buffer, size_t size);

// The system's text for an error number.
const char *error_text(int error, char *buffer, size_t size);

} // namespace pm
