/* SPDX-License-Identifier: MIT */
// The command line of wlan_dual_demo.
#pragma once

namespace wifi_tools {

struct DualCommandLine {
    int work_mode = 0; // also the index of the access point started and queried
    bool station = false;
    const char *ssid = nullptr;
    const char *pw = nullptr;
    const char *auth = nullptr;
};

// Every argument count is accepted; counts that mean nothing are ignored.
DualCommandLine parse_dual_command_line(int argc, char **argv);

// Any user may read the command line (/proc/PID/cmdline) while the program runs: the pass
// phrase is copied out of argv, its bytes there cleared, and cl.pw points at the copy.
void hide_pass_phrase(DualCommandLine &cl);

} // namespace wifi_tools
