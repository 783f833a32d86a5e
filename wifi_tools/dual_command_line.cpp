// SPDX-License-Identifier: MIT
#include "dual_command_line.h"

#include <cstring>
#include <string>

namespace wifi_tools {

namespace {

int work_mode_of(const char *arg) {
    return std::strcmp(arg, "1") == 0 ? 1 : 0;
}

} // namespace

DualCommandLine parse_dual_command_line(int argc, char **argv) {
    DualCommandLine cl;
    int n = argc - 1;
    char **arg = argv + 1;
    if (n == 1) {
        cl.work_mode = work_mode_of(arg[0]);
    } else if (n == 3) {
        cl.station = true;
        cl.ssid = arg[0];
        cl.pw = arg[1];
        cl.auth = arg[2];
    } else if (n == 4) {
        cl.work_mode = work_mode_of(arg[0]);
        cl.station = true;
        cl.ssid = arg[1];
        cl.pw = arg[2];
        cl.auth = arg[3];
    }
    return cl;
}

void hide_pass_phrase(DualCommandLine &cl) {
    if (cl.pw == nullptr)
        return;
    static std::string kept;
    kept = cl.pw;
    std::memset(const_cast<char *>(cl.pw), 0, kept.size());
    cl.pw = kept.c_str();
}

} // namespace wifi_tools
