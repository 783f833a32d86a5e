// SPDX-License-Identifier: MIT
// wlan_dual_demo: brings Wi-Fi up as an access point and, when asked, as a station too;
// prints what the Wi-Fi service reports until a stop word or a termination signal, then
// takes Wi-Fi down again. Exit status 0 on every path.
#include "dual_demo.h"

#include <cstdio>

int main(int argc, char **argv) {
    // Line by line, so that the termination handler's direct writes keep their place.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    return wifi_tools::run_dual_demo(argc, argv);
}
