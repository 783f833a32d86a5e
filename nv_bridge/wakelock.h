/* SPDX-License-Identifier: MIT */
// The kernel wake lock "nvrpc_lock" that keeps the module awake while a request is relayed.
#pragma once

namespace nvrpc {

void wakelock_take();
void wakelock_release();

} // namespace nvrpc
