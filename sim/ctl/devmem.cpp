// ctl devmem: the values that the devmem stand-in reads from registers.
#include "simctl.h"
#include "topics.h"

#include <cstdio>
#include <regex>
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
    static const std::regex kNumber("^(0[xX][0-9a-fA-F]{1,8}|[0-9]+)$");
    if (value != "none" && !std::regex_match(value, kNumber))
        return usage();
    return write_file(path(kDdrId), value + "\n") ? 0 : complain("devmem", "cannot set ddrid");
}

} // namespace sim::ctl
