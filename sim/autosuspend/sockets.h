/* SPDX-License-Identifier: MIT */
// Small socket and clock helpers of the simulated service.
#pragma once

#include "common/unique_fd.h"

#include <cstddef>
#include <cstdint>

namespace sim::autosuspend {

// A listening local stream socket at path (any old file there is removed).
orvo::UniqueFd listen_at(const char *path);

// Milliseconds since the service started: the service's own clock.
int64_t now_ms();

// Whether the simulated kernel holds any wake lock.
bool wake_lock_held();

// Writes all of data; false on failure (SIGPIPE is ignored by the service).
bool send_all(int fd, const void *data, std::size_t size);

} // namespace sim::autosuspend
