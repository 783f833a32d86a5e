// SPDX-License-Identifier: MIT
// ctl SERVICE start|stop|restart|status|pid|kill: the one lifecycle of every service.
#include "simclient.h"
#include "topics.h"

#include <csignal>
#include <cstdio>
#include <cstring>

namespace sim::ctl {

namespace {

int signal_number(const std::string &text) {
    long long value = 0;
    if (number(text, value))
        return static_cast<int>(value);
    std::string name = text.compare(0, 3, "SIG") == 0 ? text.substr(3) : text;
    for (int signal = 1; signal < NSIG; ++signal) {
        const char *abbrev = sigabbrev_np(signal);
        if (abbrev && name == abbrev)
            return signal;
    }
    return 0;
}

} // namespace

int service(const std::string &name, const Args &args) {
    Service service(name);
    std::string verb = args.empty() ? "" : args[0];
    Args rest(args.begin() + (args.empty() ? 0 : 1), args.end());
    bool ok;
    if (verb == "start") {
        ok = service.start(rest);
    } else if (verb == "restart") {
        ok = service.restart(rest);
    } else if (verb == "stop" && rest.empty()) {
        ok = service.stop();
    } else if (verb == "status" && rest.empty()) {
        std::printf("%s\n", service.status().c_str());
        return 0;
    } else if (verb == "pid" && rest.empty()) {
        pid_t pid = service.pid();
        if (pid > 0)
            std::printf("%d\n", static_cast<int>(pid));
        return pid > 0 ? 0 : complain(name, "not running");
    } else if (verb == "kill" && rest.size() == 1 && signal_number(rest[0]) > 0) {
        ok = service.kill(signal_number(rest[0]));
    } else {
        std::fprintf(stderr,
                     "usage: sim/module ctl %s start [ARGS] | stop | restart [ARGS] | "
                     "status | pid | kill SIGNAL\n",
                     name.c_str());
        return 2;
    }
    return ok ? 0 : complain(name, service.error());
}

} // namespace sim::ctl
