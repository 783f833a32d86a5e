/* SPDX-License-Identifier: MIT */
// Whole transfers over descriptors that may transfer less than asked (pipes, sockets,
// sysfs) or be interrupted by a signal.
#pragma once

#include <sys/types.h>

namespace orvo {

// Reads until size bytes have arrived or the end of the file; EINTR is retried. The count,
// or -1 (errno set) when an error came before any byte.
ssize_t read_all(int fd, void *buffer, size_t size);

// Writes all size bytes, going on after short writes; EINTR is retried. The count (less than
// size when the descriptor stopped taking bytes), or -1 (errno set) when an error came before
// any byte.
ssize_t write_all(int fd, const void *buffer, size_t size);

} // namespace orvo
