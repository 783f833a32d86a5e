/* SPDX-License-Identifier: MIT */
// wlan_dual_demo's run: bring-up, the console until a stop word or signal, shutdown.
#pragma once

namespace wifi_tools {

// The whole run for a command line; 0 on every path.
int run_dual_demo(int argc, char **argv);

} // namespace wifi_tools
