// SPDX-License-Identifier: MIT
// ctl led: the mode each LED of the stand-in was last set to.
#include "simclient.h"
#include "topics.h"

#include <cstdio>

namespace sim::ctl {

int led(const Args &args) {
    if (args.size() != 1 || (args[0] != "net" && args[0] != "status")) {
        std::fputs(
            "usage: sim/module ctl led net|status   the LED's mode, nothing when never set\n",
            stderr);
        return 2;
    }
    std::string mode = led_mode(args[0]);
    if (!mode.empty())
        std::printf("%s\n", mode.c_str());
    return 0;
}

} // namespace sim::ctl
