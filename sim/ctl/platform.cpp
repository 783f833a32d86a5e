// SPDX-License-Identifier: MIT
// Scripted failures, settings, the calls record, the log, and the services of the boot.
#include "simclient.h"
#include "topics.h"

#include <cstdio>

namespace sim::ctl {

namespace {

int usage(const std::string &verb) {
    const char *text = verb == "fail"     ? "CALL CODE [COUNT]"
                       : verb == "unfail" ? "CALL"
                       : verb == "set"    ? "NAME VALUE"
                       : verb == "unset"  ? "NAME"
                       : verb == "calls"  ? "[clear]"
                       : verb == "log"    ? "[--plain]"
                                          : "";
    std::fprintf(stderr, "usage: sim/module ctl %s %s\n", verb.c_str(), text);
    return 2;
}

int boot() {
    for (const std::string &name : boot_service_names()) {
        Service service(name);
        if (!service.start())
            return complain("boot", service.error());
    }
    return 0;
}

} // namespace

int platform(const std::string &verb, const Args &args) {
    long long code = 0, count = -1;
    if (verb == "fail") {
        if (args.size() < 2 || args.size() > 3 || !number(args[1], code) ||
            (args.size() == 3 && (!number(args[2], count) || count <= 0)))
            return usage(verb);
        return sim::fail(args[0], static_cast<int>(code), static_cast<int>(count))
                   ? 0
                   : complain(verb, "cannot script " + args[0]);
    }
    if (verb == "unfail") {
        if (args.size() != 1)
            return usage(verb);
        return unfail(args[0]) ? 0 : complain(verb, "cannot end the script of " + args[0]);
    }
    if (verb == "set") {
        if (args.size() != 2 || !number(args[1], code))
            return usage(verb);
        return set(args[0], static_cast<long>(code)) ? 0 : complain(verb, "cannot set " + args[0]);
    }
    if (verb == "unset") {
        if (args.size() != 1)
            return usage(verb);
        return unset(args[0]) ? 0 : complain(verb, "cannot unset " + args[0]);
    }
    if (verb == "calls") {
        if (args.size() == 1 && args[0] == "clear") {
            clear_calls();
            return 0;
        }
        if (!args.empty())
            return usage(verb);
        for (const auto &line : calls())
            std::printf("%s\n", line.c_str());
        return 0;
    }
    if (verb == "log") {
        bool plain = args.size() == 1 && args[0] == "--plain";
        if (!args.empty() && !plain)
            return usage(verb);
        for (const auto &line : plain ? log_plain() : log_lines())
            std::printf("%s\n", line.c_str());
        return 0;
    }
    if (verb == "boot" && args.empty())
        return boot();
    return usage(verb);
}

} // namespace sim::ctl
