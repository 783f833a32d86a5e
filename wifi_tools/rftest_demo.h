/* SPDX-License-Identifier: MIT */
// wlan_rftest_demo's run: the test-mode commands read from the console.
#pragma once

namespace wifi_tools {

// The whole run; 0 on every path.
int run_rftest_demo();

// Carries out one console line (changed in place: its last character goes). A command is
// any leading part of "testmode_enable" or "testmode_disable" (the enable word is tried
// first); anything else prints the usage.
void handle_rftest_command(char *line);

} // namespace wifi_tools
