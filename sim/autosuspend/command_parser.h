/* SPDX-License-Identifier: MIT */
// Splits the byte stream of a command channel into "enable" and "disable" commands. The
// stream has no separators, so anything else is reported as junk, byte for byte.
#pragma once

#include <string>
#include <vector>

namespace sim::autosuspend {

class CommandParser {
  public:
    // Appends received bytes; gives the complete items found so far: "enable", "disable"
    // or "junk <hex bytes>".
    std::vector<std::string> feed(const char *bytes, std::size_t size);
    // At the end of the stream: what is left, as junk (empty when nothing is left).
    std::string rest();

  private:
    std::string pending_;
    std::string junk_;
    void flush_junk(std::vector<std::string> &items);
};

} // namespace sim::autosuspend
