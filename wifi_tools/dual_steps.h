/* SPDX-License-Identifier: MIT */
// The bring-up and shutdown steps of wlan_dual_demo. Each prints its own failure lines and
// returns 0 or the failing call's result or wait's code.
#pragma once

#include "dual_command_line.h"

namespace wifi_tools {

int user_wifi_enable();
int user_ap_enable(int ap_index);
int user_sta_enable(const DualCommandLine &cl);
int user_wifi_disable();

} // namespace wifi_tools
