// SPDX-License-Identifier: MIT
#include "command_parser.h"

#include <cstdio>

namespace sim::autosuspend {
namespace {

const char *const kCommands[] = {"enable", "disable"};

bool starts_with(const std::string &text, const std::string &prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

std::string hex(const std::string &bytes) {
    std::string text = "junk";
    for (unsigned char byte : bytes) {
        char two[4];
        std::snprintf(two, sizeof two, " %02x", byte);
        text += two;
    }
    return text;
}

} // namespace

std::vector<std::string> CommandParser::feed(const char *bytes, std::size_t size) {
    pending_.append(bytes, size);
    std::vector<std::string> items;
    while (!pending_.empty()) {
        bool matched = false;
        bool maybe_more = false;
        for (const char *command : kCommands) {
            std::string text = command;
            if (starts_with(pending_, text)) {
                flush_junk(items);
                items.push_back(text);
                pending_.erase(0, text.size());
                matched = true;
                break;
            }
            if (starts_with(text, pending_))
                maybe_more = true;
        }
        if (matched)
            continue;
        if (maybe_more)
            break;
        junk_ += pending_[0];
        pending_.erase(0, 1);
    }
    if (pending_.empty())
        flush_junk(items);
    return items;
}

std::string CommandParser::rest() {
    junk_ += pending_;
    pending_.clear();
    std::string text = junk_.empty() ? "" : hex(junk_);
    junk_.clear();
    return text;
}

void CommandParser::flush_junk(std::vector<std::string> &items) {
    if (!junk_.empty())
        items.push_back(hex(junk_));
    junk_.clear();
}

} // namespace sim::autosuspend
