// SPDX-License-Identifier: MIT
// ctl kernel: the simulated kernel's edges, reads, file failures and register writes.
#include "simclient.h"
#include "topics.h"

#include <cstdio>

namespace sim::ctl {

int kernel(const Args &args) {
    if (args.empty() || args[0] == "-h" || args[0] == "--help") {
        std::fputs(
            "usage: sim/module ctl kernel edge 0|1 [MS] | xp2xp N | fail FILE ERRNO [COUNT] |"
            " unfail FILE | reset | writes\n",
            args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    if (args[0] == "writes" && args.size() == 1) {
        std::fputs(kernel_writes().c_str(), stdout);
        return 0;
    }
    std::string line;
    for (const auto &word : args)
        line += (line.empty() ? "" : " ") + word;
    return kernel_control(line) ? 0 : complain("kernel", "refused: " + line);
}

} // namespace sim::ctl
