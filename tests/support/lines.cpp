// SPDX-License-Identifier: MIT
#include "tests/support/kit.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace testkit {

std::string read_file(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void write_file(const std::string &path, const std::string &text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

std::vector<std::string> held_wake_locks() {
    std::istringstream in(read_file("/sys/power/wake_lock"));
    std::vector<std::string> names;
    for (std::string name; in >> name;)
        names.push_back(name);
    return names;
}

std::vector<std::string> lines_of(const std::string &text) {
    std::vector<std::string> lines;
    for (size_t start = 0; start < text.size();) {
        size_t end = std::min(text.find('\n', start), text.size());
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

bool contains(const std::vector<std::string> &lines, const std::string &line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

size_t count(const std::vector<std::string> &lines, const std::string &line) {
    return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
}

size_t count_prefix(const std::vector<std::string> &lines, const std::string &prefix) {
    return static_cast<size_t>(std::count_if(lines.begin(), lines.end(), [&](const auto &line) {
        return line.compare(0, prefix.size(), prefix) == 0;
    }));
}

} // namespace testkit
