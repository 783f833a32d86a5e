/* SPDX-License-Identifier: MIT */
// Reads the sandbox's system log, as written by the liborvo-log stand-in.
#pragma once

#include "simclient.h"

#include <string>
#include <vector>

namespace logcap {

// Lines without their date and time: "<tag> <level> <text>".
inline std::vector<std::string> lines(const std::string &tag = "") { return sim::log_plain(tag); }

// The formats the logger got, "<tag> <level> <format>", each escaped onto one line (a line
// feed as \n).
inline std::vector<std::string> formats(const std::string &tag = "") {
    return sim::log_formats(tag);
}

inline void clear() { sim::clear_log(); }

} // namespace logcap
