// SPDX-License-Identifier: MIT
// ctl strict: the strict platform's seed and what it has done, one "KIND COUNT" a line.
#include "simclient.h"
#include "topics.h"

#include <cstdio>

namespace sim::ctl {

int strict(const Args &args) {
    if (!args.empty()) {
        std::fputs("usage: sim/module ctl strict   the seed, then each kind of fault and its "
                   "count (nothing when the module is not strict)\n",
                   stderr);
        return 2;
    }
    auto seed = strict_seed();
    if (!seed)
        return 0;
    std::printf("seed %llu\n", *seed);
    for (const auto &[kind, count] : strict_counts())
        std::printf("%s %llu\n", kind.c_str(), count);
    return 0;
}

} // namespace sim::ctl
