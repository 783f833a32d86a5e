// SPDX-License-Identifier: MIT
// wlan_rftest_demo: switches the Wi-Fi driver's test mode on and off by console commands.
// Exit status 0 on every path.
#include "rftest_demo.h"

#include <cstdio>

int main() {
    // Line by line, so that the termination handler's direct writes keep their place.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    return wifi_tools::run_rftest_demo();
}
