// Reads the sandbox's system log, as written by the liborvo-log stand-in.
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace logcap {

// Lines without their date and time: "<tag> <level> <text>".
inline std::vector<std::string> lines(const std::string &tag = "") {
    std::ifstream in("/run/orvo-sim/log");
    std::vector<std::string> result;
    std::string line;
    while (std::getline(in, line)) {
        auto first = line.find(' ');
        auto second = first == std::string::npos ? first : line.find(' ', first + 1);
        if (second == std::string::npos)
            continue;
        std::string plain = line.substr(second + 1);
        if (tag.empty() || plain.compare(0, tag.size() + 1, tag + " ") == 0)
            result.push_back(plain);
    }
    return result;
}

inline void clear() { std::ofstream("/run/orvo-sim/log", std::ios::trunc); }

} // namespace logcap
