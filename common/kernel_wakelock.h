/* SPDX-License-Identifier: MIT */
// Kernel wake locks taken and released by writing a name to the power files.
#pragma once

#include <cstddef>

namespace orvo {

constexpr const char kWakeLockFile[] = "/sys/power/wake_lock";
constexpr const char kWakeUnlockFile[] = "/sys/power/wake_unlock";

enum class WakelockWrite {
    ok,
    open_failed, // errno set
    short_write, // the file took fewer bytes than the name (errno set when it refused them)
};

// Opens file read-write, writes the len bytes of name in one piece (the kernel takes a write
// whole or not at all), closes it.
WakelockWrite write_wakelock_file(const char *file, const char *name, size_t len);

} // namespace orvo
