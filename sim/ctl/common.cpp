// SPDX-License-Identifier: MIT
#include "topics.h"

#include <cstdio>
#include <cstdlib>

namespace sim::ctl {

int complain(const std::string &topic, const std::string &text) {
    std::fprintf(stderr, "ctl %s: %s\n", topic.c_str(), text.c_str());
    return 1;
}

bool number(const std::string &text, long long &value) {
    char *end = nullptr;
    value = std::strtoll(text.c_str(), &end, 0);
    return !text.empty() && *end == '\0';
}

} // namespace sim::ctl
