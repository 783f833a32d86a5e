// SPDX-License-Identifier: MIT
// ctl wifi: the simulated Wi-Fi service behind libqxtel: delays, results and events.
#include "topics.h"
#include "wifi_model.h"

#include <cstdio>

namespace sim::ctl {

using wifi::World;

namespace {

const char kUsage[] = R"(usage: sim/module ctl wifi COMMAND
  delay [enable|disable|ap|sta|addr|stop] MS
                                         time a requested change takes (all but stop
                                         when no name; a stop takes 300 ms at first);
                                         addr: from a station up to its address
  result enable|disable ok|3|4|never     how enabling or disabling ends
  result ap ok|5|never                   how an access point start ends
  result sta ok|never|6 [CODE]           how a station start ends (6: failed with CODE)
  addr HAS_ADDR HAS_ADDR6                address flags of a connected station (1 = address)
  join MAC [HOST] [AP]                   a station joins access point AP (default 0)
  leave MAC [AP]                         a station leaves
  scan [COUNT]                           a scan finds COUNT networks (default 4)
  error CODE                             the service reports an error
  state                                  the service's states
  reset                                  the service as at power-on (settings kept)
  start | stop | restart | status        the service's process: while it is stopped every
                                         call fails and no indication arrives
)";

int usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

int fail(const char *message) {
    return complain("wifi", message);
}

int delay(const std::vector<std::string> &args) {
    long long ms = 0;
    if (args.empty() || args.size() > 2 || !number(args.back(), ms) || ms < 0)
        return usage();
    std::string name = args.size() == 2 ? args[0] : "all";
    bool known = true;
    wifi::update([&](World &w) {
        wifi::Settings &s = w.settings;
        if (name == "all")
            s.enable.delay_ms = s.disable.delay_ms = s.ap.delay_ms = s.sta.delay_ms =
                s.addr_delay_ms = ms;
        else if (name == "enable")
            s.enable.delay_ms = ms;
        else if (name == "disable")
            s.disable.delay_ms = ms;
        else if (name == "ap")
            s.ap.delay_ms = ms;
        else if (name == "sta")
            s.sta.delay_ms = ms;
        else if (name == "stop")
            s.stop_delay_ms = ms;
        else if (name == "addr")
            s.addr_delay_ms = ms;
        else
            known = false;
        return known;
    });
    return known ? 0 : usage();
}

// ok, never or one of the failure states the name allows.
int result(const std::vector<std::string> &args) {
    if (args.size() < 2 || args.size() > 3)
        return usage();
    const std::string &name = args[0], &how = args[1];
    int ok_state, fail_a, fail_b;
    if (name == "enable")
        ok_state = QX_WIFI_ENABLED, fail_a = QX_WIFI_ENABLE_FAILED, fail_b = QX_WIFI_DISABLE_FAILED;
    else if (name == "disable")
        ok_state = QX_WIFI_DISABLED, fail_a = QX_WIFI_ENABLE_FAILED,
        fail_b = QX_WIFI_DISABLE_FAILED;
    else if (name == "ap")
        ok_state = QX_WIFI_AP_UP, fail_a = fail_b = QX_WIFI_AP_FAILED;
    else if (name == "sta")
        ok_state = QX_WIFI_STA_UP, fail_a = fail_b = QX_WIFI_STA_FAILED;
    else
        return usage();
    long long state = 0, code = 0;
    bool never = how == "never";
    if (how == "ok" || never)
        state = ok_state;
    else if (!number(how, state) || (state != fail_a && state != fail_b))
        return usage();
    if (args.size() == 3 && (name != "sta" || !number(args[2], code)))
        return usage();
    wifi::update([&](World &w) {
        wifi::Settings &s = w.settings;
        wifi::Transition &t = name == "enable"    ? s.enable
                              : name == "disable" ? s.disable
                              : name == "ap"      ? s.ap
                                                  : s.sta;
        t.settled = static_cast<int>(state);
        t.never = never;
        if (name == "sta")
            s.sta_code = static_cast<int>(code);
        return true;
    });
    return 0;
}

int addr(const std::vector<std::string> &args) {
    long long v4 = 0, v6 = 0;
    if (args.size() != 2 || !number(args[0], v4) || !number(args[1], v6))
        return usage();
    wifi::update([&](World &w) {
        w.settings.has_addr = static_cast<uint8_t>(v4);
        w.settings.has_addr6 = static_cast<uint8_t>(v6);
        return true;
    });
    return 0;
}

// A station can join or leave only an access point that is up.
int station(bool join, const std::vector<std::string> &args) {
    size_t ap_arg = join ? 2 : 1;
    long long ap = 0;
    if (args.empty() || args.size() > ap_arg + 1 ||
        (args.size() == ap_arg + 1 && !number(args[ap_arg], ap)) || ap < 0 || ap >= wifi::kApCount)
        return usage();
    const std::string &mac = args[0];
    std::string host = join && args.size() > 1 ? args[1] : "";
    bool up = false;
    wifi::update([&](World &w) {
        up = wifi::ap_state(w, static_cast<int>(ap), wifi::now_ms()) == QX_WIFI_AP_UP;
        if (!up)
            return false;
        if (join)
            w.service.hosts[mac] = host;
        else
            w.service.hosts.erase(mac);
        return true;
    });
    if (!up)
        return fail("the access point is not up");
    // After the host is stored, so that a client finds it once it hears of the join.
    wifi::append_event(std::string(join ? "join " : "leave ") + std::to_string(ap) + " " +
                       wifi::encode_text(mac));
    return 0;
}

int scan(const std::vector<std::string> &args) {
    long long count = 4;
    if (args.size() > 1 || (args.size() == 1 && !number(args[0], count)))
        return usage();
    if (wifi::enable_state(wifi::snapshot(), wifi::now_ms()) != QX_WIFI_ENABLED)
        return fail("Wi-Fi is not enabled");
    wifi::append_event("scan " + std::to_string(count));
    return 0;
}

int error(const std::vector<std::string> &args) {
    long long code = 0;
    if (args.size() != 1 || !number(args[0], code))
        return usage();
    wifi::append_event("error " + std::to_string(code));
    return 0;
}

int status() {
    World w = wifi::snapshot();
    int64_t now = wifi::now_ms();
    std::printf("enable %d\nwork_mode %d\n", wifi::enable_state(w, now), w.service.work_mode);
    for (int i = 0; i < wifi::kApCount; i++)
        std::printf("ap%d %d\n", i, wifi::ap_state(w, i, now));
    std::printf("sta %d\ntest_mode %d\n", wifi::sta_state(w, now), w.service.test_mode);
    return 0;
}

} // namespace

int wifi(const Args &all) {
    if (all.empty())
        return usage();
    std::string command = all[0];
    Args args(all.begin() + 1, all.end());
    if (command == "delay")
        return delay(args);
    if (command == "result")
        return result(args);
    if (command == "addr")
        return addr(args);
    if (command == "join" || command == "leave")
        return station(command == "join", args);
    if (command == "scan")
        return scan(args);
    if (command == "error")
        return error(args);
    if (command == "state" && args.empty())
        return status();
    if (command == "reset" && args.empty()) {
        wifi::update([](World &w) {
            w.service = wifi::Service{};
            return true;
        });
        return 0;
    }
    return usage();
}

} // namespace sim::ctl
