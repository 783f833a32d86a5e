// Small socket and clock helpers of the simulated service.
#pragma once

#include <cstdint>
#include <string>

namespace simautosuspend {

// A listening local stream socket at path (any old file there is removed); -1 on failure.
int listen_at(const char *path);

// Milliseconds since the service started: the service's own clock.
int64_t now_ms();

// Whether the simulated kernel holds any wake lock.
bool wake_lock_held();

// Writes all of text; false on failure (no SIGPIPE).
bool send_all(int fd, const void *data, std::size_t size);

void close_fd(int &fd);

} // namespace simautosuspend
