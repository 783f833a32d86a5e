// SPDX-License-Identifier: MIT
// ctl devmem: the values that the devmem stand-in reads from registers.
#include "simctl.h"
#include "topics.h"

#include <cctype>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace sim::ctl {

namespace {

constexpr const char kDdrId[] = "devmem/0x0121B040";

int usage() {
    std::fputs(
        R"(usage: sim/module ctl devmem ddrid VALUE   the DDR-identification register (0x0121b040)
                                           reads VALUE (a 32-bit number)
       sim/module ctl devmem ddrid none    reading it fails: devmem prints nothing
       sim/module ctl devmem ddrid reset   back to its power-on value (0xF8631500)
)",
        stderr);
    return 2;
}

// "0x" and one to eight hexadecimal digits, or decimal digits.
bool register_value(const std::string &text) {
    bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    std::string digits = hex ? text.substr(2) : text;
    if (digits.empty() || (hex && digits.size() > 8))
        return false;
    for (char c : digits) {
        if (!(hex ? std::isxdigit(static_cast<unsigned char>(c))
                  : std::isdigit(static_cast<unsigned char>(c))))
            return false;
    }
    return true;
}

} // namespace

int devmem(const Args &args) {
    if (args.size() != 2 || args[0] != "ddrid")
        return usage();
    mkdir(path("devmem").c_str(), 0755);
    const std::string &value = args[1];
    if (value == "reset") {
        unlink(path(kDdrId).c_str());
        return 0;
    }
    if (value != "none" && !register_value(value))
        return usage();
    return write_file(path(kDdrId), value + "\n") ? 0 : complain("devmem", "cannot set ddrid");
}

} // namespace sim::ctl
