// SPDX-License-Identifier: MIT
#include "wakelock.h"

#include "common/kernel_wakelock.h"

#include <cstdio>

namespace nvrpc {

namespace {

constexpr char kLockName[] = "nvrpc_lock";

// Failures are reported and otherwise ignored: the relay goes on without the lock.
void write_lock_file(const char *path) {
    switch (orvo::write_wakelock_file(path, kLockName, sizeof kLockName - 1)) {
    case orvo::WakelockWrite::ok:
        break;
    case orvo::WakelockWrite::open_failed:
        perror("nvrpc wakelock open error");
        break;
    case orvo::WakelockWrite::short_write:
        printf("nvrpc wakelock write fail\n");
        break;
    }
}

} // namespace

void wakelock_take() {
    write_lock_file(orvo::kWakeLockFile);
}

void wakelock_release() {
    write_lock_file(orvo::kWakeUnlockFile);
}

} // namespace nvrpc
