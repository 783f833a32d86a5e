/* SPDX-License-Identifier: MIT */
// The waits for a state change: at most five tries of a one-second sleep and a query.
// 0 when the state succeeded, 1 when it failed, 11 when it did not settle.
#pragma once

namespace wifi_tools {

int user_wait_enable_status();
int user_wait_ap_start_status(int ap_index);
int user_wait_sta_start_status();
int user_wait_disable_status();

} // namespace wifi_tools
