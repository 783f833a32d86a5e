// SPDX-License-Identifier: MIT
// orvo-sim-ctl: the shell twin of the simulator's client API (sim/module ctl TOPIC ...).
#include "simclient.h"
#include "topics.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>

namespace {

const char kUsage[] = R"(usage: sim/module ctl TOPIC ...

  fail CALL CODE [COUNT]       make a platform call fail with CODE, COUNT times or for ever
  unfail CALL                  let CALL succeed again
  set NAME VALUE | unset NAME  a stand-in's setting (rpmsg_write_max: most bytes per write)
  calls [clear]                the platform calls received, "<library> <call> <args>"
  log [--plain]                the module's system log (--plain: without date and time)
  kernel edge 0|1 | xp2xp N | fail FILE ERRNO [COUNT] | unfail FILE | writes
  SERVICE start [ARGS] | stop | restart [ARGS] | status | pid | kill SIGNAL
                               a simulated service (sim/services.d): )";

const char kTopics[] = R"(
  after MS TOPIC ...           TOPIC after MS milliseconds on the alarm clock, which wakes
                               the module from sleep; it stays awake until TOPIC is done
  strict                       the strict platform's seed and its faults of each kind
  autosuspend | nv | sms | wifi | devmem | led ...
                               the simulators' own requests (ctl TOPIC --help)
)";

bool is_service(const std::string &name) {
    auto names = sim::service_names();
    return std::find(names.begin(), names.end(), name) != names.end();
}

bool lifecycle(const std::string &verb) {
    return verb == "start" || verb == "stop" || verb == "restart" || verb == "status" ||
           verb == "pid" || verb == "kill";
}

// The simulators' own topics.
const std::map<std::string, int (*)(const sim::ctl::Args &)> kSimulatorTopics = {
    {"kernel", sim::ctl::kernel}, {"autosuspend", sim::ctl::autosuspend},
    {"nv", sim::ctl::nv},         {"sms", sim::ctl::sms},
    {"wifi", sim::ctl::wifi},     {"devmem", sim::ctl::devmem},
    {"led", sim::ctl::led},       {"strict", sim::ctl::strict},
};

int usage(FILE *to) {
    std::fputs(kUsage, to);
    std::string names;
    for (const auto &name : sim::service_names())
        names += (names.empty() ? "" : " ") + name;
    std::fputs(names.c_str(), to);
    std::fputs(kTopics, to);
    return to == stdout ? 0 : 2;
}

int run_topic(const std::string &topic, const sim::ctl::Args &args);

// after MS TOPIC ...: as a device that raises a wake-up interrupt at a time.
int after(const sim::ctl::Args &args) {
    long long ms = 0;
    if (args.size() < 2 || !sim::ctl::number(args[0], ms) || ms < 0 || ms > 86400000)
        return usage(stderr);
    auto hold = sim::wait_waking(static_cast<int>(ms));
    if (!hold)
        return sim::ctl::complain("after", "cannot wait on the alarm clock");
    return run_topic(args[1], sim::ctl::Args(args.begin() + 2, args.end()));
}

int run_topic(const std::string &topic, const sim::ctl::Args &args) {
    if (topic == "-h" || topic == "--help" || topic == "help")
        return usage(stdout);
    if (topic == "after")
        return after(args);
    if (topic == "fail" || topic == "unfail" || topic == "set" || topic == "unset" ||
        topic == "calls" || topic == "log" || topic == "boot")
        return sim::ctl::platform(topic, args);
    if (!args.empty() && lifecycle(args[0]) && is_service(topic))
        return sim::ctl::service(topic, args);
    auto simulator = kSimulatorTopics.find(topic);
    if (simulator != kSimulatorTopics.end())
        return simulator->second(args);
    if (is_service(topic))
        return sim::ctl::service(topic, args);
    std::fprintf(stderr, "sim/module: unknown ctl topic '%s'\n", topic.c_str());
    return 1;
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 2)
        return usage(stderr);
    return run_topic(argv[1], sim::ctl::Args(argv + 2, argv + argc));
}
