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

std::vector<std::string> lines_of(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
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
