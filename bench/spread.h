/* SPDX-License-Identifier: MIT */
// Median and quartiles of a benchmark's samples, shared by the benchmarks.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace bench {

struct Spread {
    double median, q1, q3;
};

inline Spread spread(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    auto at = [&](double share) {
        return samples[static_cast<std::size_t>(share * static_cast<double>(samples.size() - 1))];
    };
    return {at(0.5), at(0.25), at(0.75)};
}

} // namespace bench
