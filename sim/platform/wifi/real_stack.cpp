// SPDX-License-Identifier: MIT
#include "real_stack.h"

#include "child_process.h"
#include "ctrl_socket.h"
#include "daemon.h"
#include "simctl.h"
#include "stack_texts.h"
#include "wifi_world.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <functional>
#include <poll.h>
#include <sstream>
#include <sys/inotify.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sim::wifi {
namespace {

constexpr const char kRadios[] = "/sys/class/ieee80211";
constexpr const char kBoardDriver[] = "/sys/kernel/debug/orvo_board/control";
constexpr int kTickMs = 250;
constexpr int64_t kLeaseWaitMs = 10000; // a joined station without a lease is reported then
constexpr int kWrongKeyCode = 15;       // 802.11's reason: 4-way handshake timeout
constexpr int kUnspecifiedCode = 1;
constexpr const char kStationHostName[] = "orvo-module";

std::string file_of(const std::string &name) {
    return sim::path("wifi/" + name);
}

std::string log_file() {
    return file_of("stack.log");
}

bool command(const std::vector<std::string> &argv, int netns = -1) {
    return run_command(argv, log_file(), netns);
}

std::optional<std::string> output_of(const std::vector<std::string> &argv) {
    std::string out = file_of("command.out");
    unlink(out.c_str());
    if (!run_command(argv, out))
        return std::nullopt;
    return sim::read_file(out);
}

// The kernel's simulated radios, in the order of their numbers.
std::vector<std::string> simulated_radios() {
    std::vector<std::string> names;
    if (DIR *dir = opendir(kRadios)) {
        while (dirent *entry = readdir(dir)) {
            std::string name = entry->d_name;
            char target[PATH_MAX];
            ssize_t n =
                readlink((std::string(kRadios) + "/" + name).c_str(), target, sizeof target - 1);
            if (n > 0 && std::string(target, static_cast<size_t>(n)).find("mac80211_hwsim") !=
                             std::string::npos)
                names.push_back(name);
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end(), [](const std::string &a, const std::string &b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    return names;
}

// The network interface of a radio in this namespace.
std::string netdev_of(const std::string &phy) {
    std::string found;
    if (DIR *dir = opendir("/sys/class/net")) {
        while (dirent *entry = readdir(dir)) {
            std::string name = entry->d_name;
            auto owner = sim::read_file("/sys/class/net/" + name + "/phy80211/name");
            if (found.empty() && owner && owner->substr(0, owner->find('\n')) == phy)
                found = name;
        }
        closedir(dir);
    }
    return found;
}

std::string address_of(const std::string &dev) {
    return sim::read_file("/sys/class/net/" + dev + "/address").value_or("").substr(0, 17);
}

void publish(const std::function<void(World &)> &change) {
    update([&](World &w) {
        w.stack.real = true;
        change(w);
        return true;
    });
}

struct AccessPoint {
    std::string dev;
    ChildProcess hostapd, dhcpd;
    CtrlSocket events;
    int state = QX_WIFI_AP_DOWN;
    std::map<std::string, int64_t> joining; // MAC -> when it joined, until its lease shows
};

struct Station {
    ChildProcess supplicant, dhcpc;
    CtrlSocket ctrl, events;
    int state = QX_WIFI_STA_DOWN;
    bool leased = false;
};

class RealStack {
  public:
    bool find_radios();
    void run(int signals, int changes);

  private:
    void take_up(const World &w);
    bool enable();
    void disable();
    void set_test_mode(int on);
    int start_ap(int i);
    void stop_ap(int i);
    int start_sta(const Service &v);
    void stop_sta();

    void look_after();
    void look_after_ap(int i);
    void look_after_joins(int i);
    void look_after_sta();
    void ap_event(int i, const std::string &event);
    void sta_event(const std::string &event);
    void sta_connected();
    void set_ap_state(int i, int state);
    void set_sta_state(int state, int code);
    void read_scan();

    std::string hostapd_dir() const { return file_of("hostapd"); }
    std::string wpa_dir() const { return file_of("wpa"); }
    std::string lease_file() const { return file_of("sta.lease"); }

    std::string ap_phy_, sta_phy_, ap_dev_, sta_dev_;
    NetNamespace sta_ns_;
    AccessPoint ap_[kApCount];
    Station sta_;
    bool enabled_ = false;
    int test_mode_ = 0;
};

bool RealStack::find_radios() {
    std::vector<std::string> radios = simulated_radios();
    if (radios.size() < 2)
        return false;
    ap_phy_ = radios[0];
    sta_phy_ = radios[1];
    ap_dev_ = netdev_of(ap_phy_);
    sta_dev_ = netdev_of(sta_phy_);
    if (ap_dev_.empty() || sta_dev_.empty()) {
        sta_dev_.clear(); // Wi-Fi cannot be enabled
        return false;
    }
    command({"ip", "link", "set", ap_dev_, "down"});
    command({"ip", "link", "set", sta_dev_, "down"});
    publish([this](World &w) { w.stack.ap_mac[0] = address_of(ap_dev_); });
    return true;
}

// Each request not taken up yet: Wi-Fi on or off first, then the test mode, the access
// points and the station.
void RealStack::take_up(const World &w) {
    const Service &v = w.service;
    const Stack &st = w.stack;
    if (v.enable_since != st.enable_seen) {
        int state = v.enable_target ? (enable() ? QX_WIFI_ENABLED : QX_WIFI_ENABLE_FAILED)
                                    : (disable(), QX_WIFI_DISABLED);
        publish([&](World &now) {
            now.stack.enable_seen = v.enable_since;
            now.stack.enable = state;
        });
    }
    if (v.test_mode != st.test_mode && !enabled_)
        set_test_mode(v.test_mode);
    if (!enabled_)
        return;
    for (int i = 0; i < kApCount; i++) {
        if (v.ap_since[i] == st.ap_seen[i])
            continue;
        int state = v.ap_target[i] ? start_ap(i) : (stop_ap(i), QX_WIFI_AP_DOWN);
        publish([&](World &now) {
            now.stack.ap_seen[i] = v.ap_since[i];
            now.stack.ap[i] = state;
            if (v.ap_target[i]) // a stopped access point keeps naming its radio
                now.stack.ap_mac[i] = address_of(ap_[i].dev);
        });
    }
    if (v.sta_since != st.sta_seen) {
        int state = v.sta_target ? start_sta(v) : (stop_sta(), QX_WIFI_STA_DOWN);
        publish([&](World &now) {
            now.stack.sta_seen = v.sta_since;
            now.stack.sta = state;
            now.stack.sta_code = 0;
            now.stack.ip.clear();
        });
    }
}

// The station's radio moves into its namespace; both radios come up.
bool RealStack::enable() {
    if (enabled_)
        return true;
    if (sta_dev_.empty() || test_mode_)
        return false; // the radio is in test mode: switch it off first
    // A radio whose namespace just ended comes back a little later.
    bool back = false;
    for (int i = 0; i < 50 && !(back = run_command({"iw", "phy", sta_phy_, "info"}, "/dev/null"));
         i++)
        usleep(100000);
    enabled_ = back && sta_ns_.open() &&
               command({"iw", "phy", sta_phy_, "set", "netns", std::to_string(sta_ns_.pid())}) &&
               command({"ip", "link", "set", "lo", "up"}, sta_ns_.fd()) &&
               command({"ip", "link", "set", sta_dev_, "up"}, sta_ns_.fd()) &&
               command({"ip", "link", "set", ap_dev_, "up"});
    if (!enabled_)
        disable();
    return enabled_;
}

void RealStack::disable() {
    stop_sta();
    for (int i = 0; i < kApCount; i++)
        stop_ap(i);
    command({"ip", "link", "set", ap_dev_, "down"});
    sta_ns_.close();
    enabled_ = false;
    publish([](World &w) {
        w.service.hosts.clear();
        for (int i = 0; i < kApCount; i++)
            w.stack.ap[i] = QX_WIFI_AP_DOWN;
        w.stack.sta = QX_WIFI_STA_DOWN;
        w.stack.ip.clear();
        w.stack.scan.clear();
    });
}

// Test mode puts the access point's radio into monitor mode, where a capture sees the air.
void RealStack::set_test_mode(int on) {
    command({"ip", "link", "set", ap_dev_, "down"});
    bool done = command({"iw", "dev", ap_dev_, "set", "type", on ? "monitor" : "managed"});
    if (on && done)
        done = command({"ip", "link", "set", ap_dev_, "up"});
    test_mode_ = done ? on : 0;
    publish([on](World &w) { w.stack.test_mode = on; });
}

// Access point 0 is the radio's own interface; 1 an interface added beside it.
int RealStack::start_ap(int i) {
    AccessPoint &ap = ap_[i];
    stop_ap(i);
    ap.dev = i == 0 ? ap_dev_ : ap_dev_ + "ap" + std::to_string(i);
    if (i > 0)
        command({"iw", "phy", ap_phy_, "interface", "add", ap.dev, "type", "managed"});
    std::string conf = file_of("hostapd-ap" + std::to_string(i) + ".conf");
    std::string net = ap_subnet(i);
    if (!sim::write_file(conf, hostapd_config(i, ap.dev, hostapd_dir())) ||
        !command({"ip", "addr", "flush", "dev", ap.dev}) ||
        !command({"ip", "addr", "add", net + ".1/24", "dev", ap.dev}) ||
        !ap.hostapd.start({"hostapd", conf}, log_file()))
        return ap.state = QX_WIFI_AP_FAILED;
    return ap.state = QX_WIFI_AP_STARTING;
}

void RealStack::stop_ap(int i) {
    AccessPoint &ap = ap_[i];
    ap.events.close();
    ap.dhcpd.stop();
    ap.hostapd.stop();
    ap.joining.clear();
    if (i > 0 && !ap.dev.empty())
        command({"iw", "dev", ap.dev, "del"});
    if (i > 0)
        ap.dev.clear();
    ap.state = QX_WIFI_AP_DOWN;
}

int RealStack::start_sta(const Service &v) {
    stop_sta();
    std::string conf = file_of("wpa_supplicant.conf");
    std::string script = file_of("udhcpc.script");
    std::optional<std::string> text = wpa_config(v.sta_ssid, v.sta_pw, v.sta_auth, 2, wpa_dir());
    if (!text || !sim::write_file(conf, *text) ||
        !sim::write_file(script, udhcpc_script(lease_file())) || chmod(script.c_str(), 0755) ||
        !sta_.supplicant.start(
            {"wpa_supplicant", "-t", "-i", sta_dev_, "-D", "nl80211", "-c", conf}, log_file(),
            sta_ns_.fd()))
        return sta_.state = QX_WIFI_STA_FAILED;
    return sta_.state = QX_WIFI_STA_CONNECTING;
}

void RealStack::stop_sta() {
    sta_.events.close();
    sta_.ctrl.close();
    sta_.dhcpc.stop();
    sta_.supplicant.stop();
    sta_.leased = false;
    unlink(lease_file().c_str());
    if (sta_ns_.is_open())
        command({"ip", "addr", "flush", "dev", sta_dev_}, sta_ns_.fd());
    sta_.state = QX_WIFI_STA_DOWN;
}

void RealStack::set_ap_state(int i, int state) {
    ap_[i].state = state;
    publish([i, state](World &w) { w.stack.ap[i] = state; });
}

void RealStack::set_sta_state(int state, int code) {
    sta_.state = state;
    publish([state, code](World &w) {
        w.stack.sta = state;
        w.stack.sta_code = code;
        if (state != QX_WIFI_STA_UP)
            w.stack.ip.clear();
    });
}

void RealStack::look_after() {
    for (int i = 0; i < kApCount; i++)
        look_after_ap(i);
    look_after_sta();
}

// A daemon that ended on its own takes its access point or station down with it.
void RealStack::look_after_ap(int i) {
    AccessPoint &ap = ap_[i];
    if (ap.state == QX_WIFI_AP_DOWN || ap.state == QX_WIFI_AP_FAILED)
        return;
    if (!ap.hostapd.running()) {
        int state = ap.state == QX_WIFI_AP_STARTING ? QX_WIFI_AP_FAILED : QX_WIFI_AP_DOWN;
        stop_ap(i);
        set_ap_state(i, state);
        return;
    }
    if (!ap.events.is_open()) {
        // Its socket comes once hostapd has set the radio up: it may be enabled already.
        if (!ap.events.open(hostapd_dir() + "/" + ap.dev) || !ap.events.attach()) {
            ap.events.close();
            return;
        }
        CtrlSocket ctrl;
        if (ctrl.open(hostapd_dir() + "/" + ap.dev)) {
            auto status = parse_status(ctrl.request("STATUS").value_or(""));
            if (status["state"] == "ENABLED")
                ap_event(i, "AP-ENABLED");
        }
    }
    look_after_joins(i);
}

// A joined station is reported once its lease shows (with the host name it gave; udhcpd
// writes its leases each second), or without one after kLeaseWaitMs.
void RealStack::look_after_joins(int i) {
    AccessPoint &ap = ap_[i];
    if (ap.joining.empty())
        return;
    std::string leases = file_of("udhcpd-ap" + std::to_string(i) + ".leases");
    auto hosts = parse_dumpleases(output_of({"dumpleases", "-f", leases}).value_or(""));
    int64_t now = now_ms();
    for (auto it = ap.joining.begin(); it != ap.joining.end();) {
        auto lease = hosts.find(it->first);
        if (lease == hosts.end() && now - it->second < kLeaseWaitMs) {
            ++it;
            continue;
        }
        std::string mac = it->first;
        std::string host = lease == hosts.end() ? "" : lease->second;
        publish([&](World &w) { w.service.hosts[mac] = host; });
        append_event("join " + std::to_string(i) + " " + encode_text(mac));
        it = ap.joining.erase(it);
    }
}

void RealStack::ap_event(int i, const std::string &event) {
    AccessPoint &ap = ap_[i];
    std::string kind, mac;
    std::istringstream(event) >> kind >> mac;
    if (event == "AP-ENABLED" && ap.state != QX_WIFI_AP_UP) {
        std::string conf = file_of("udhcpd-ap" + std::to_string(i) + ".conf");
        std::string leases = file_of("udhcpd-ap" + std::to_string(i) + ".leases");
        sim::write_file(leases, "");
        if (sim::write_file(conf, udhcpd_config(i, ap.dev, leases)))
            ap.dhcpd.start({"udhcpd", "-f", conf}, log_file());
        set_ap_state(i, QX_WIFI_AP_UP);
    } else if (event == "AP-DISABLED") {
        set_ap_state(i, ap.state == QX_WIFI_AP_STARTING ? QX_WIFI_AP_FAILED : QX_WIFI_AP_DOWN);
    } else if (event.rfind("AP-STA-CONNECTED ", 0) == 0) {
        ap.joining.emplace(mac, now_ms());
    } else if (event.rfind("AP-STA-DISCONNECTED ", 0) == 0) {
        if (ap.joining.erase(mac))
            return; // never reported as joined
        publish([&](World &w) { w.service.hosts.erase(mac); });
        append_event("leave " + std::to_string(i) + " " + encode_text(mac));
    }
}

void RealStack::look_after_sta() {
    if (sta_.state == QX_WIFI_STA_DOWN)
        return;
    if (!sta_.supplicant.running()) {
        if (sta_.state != QX_WIFI_STA_FAILED || sta_.events.is_open()) {
            stop_sta();
            set_sta_state(QX_WIFI_STA_FAILED, 0);
        }
        return;
    }
    std::string socket = wpa_dir() + "/" + sta_dev_;
    if (!sta_.events.is_open()) {
        if (!sta_.events.open(socket) || !sta_.events.attach() || !sta_.ctrl.open(socket)) {
            sta_.events.close();
            sta_.ctrl.close();
            return;
        }
        auto status = parse_status(sta_.ctrl.request("STATUS").value_or(""));
        if (status["wpa_state"] == "COMPLETED")
            sta_connected();
    }
    if (sta_.state != QX_WIFI_STA_UP || sta_.leased)
        return;
    std::optional<Lease> lease = parse_lease(sim::read_file(lease_file()).value_or(""));
    if (!lease)
        return;
    sta_.leased = true;
    publish([&](World &w) {
        Stack &st = w.stack;
        st.ip = lease->ip;
        st.netmask = lease->netmask;
        st.subnet_bits = lease->subnet_bits;
        st.gateway = lease->gateway;
        st.dnsp = lease->dnsp;
        st.dnss = lease->dnss;
    });
}

void RealStack::sta_connected() {
    auto status = parse_status(sta_.ctrl.request("STATUS").value_or(""));
    auto signal = parse_status(sta_.ctrl.request("SIGNAL_POLL").value_or(""));
    std::string bssid = status["bssid"];
    int rssi = std::atoi(signal["RSSI"].c_str());
    unlink(lease_file().c_str());
    sta_.leased = false;
    sta_.dhcpc.start({"udhcpc", "-f", "-i", sta_dev_, "-s", file_of("udhcpc.script"), "-x",
                      std::string("hostname:") + kStationHostName, "-t", "5", "-T", "1", "-A", "2"},
                     log_file(), sta_ns_.fd());
    sta_.state = QX_WIFI_STA_UP;
    publish([&](World &w) {
        w.stack.sta = QX_WIFI_STA_UP;
        w.stack.sta_code = 0;
        w.stack.bssid = bssid;
        w.stack.rssi = rssi;
        w.stack.ip.clear();
    });
}

void RealStack::sta_event(const std::string &event) {
    auto starts = [&](const char *prefix) { return event.rfind(prefix, 0) == 0; };
    if (starts("CTRL-EVENT-CONNECTED")) {
        sta_connected();
    } else if (starts("CTRL-EVENT-DISCONNECTED")) {
        sta_.dhcpc.stop();
        sta_.leased = false;
        if (sta_.state == QX_WIFI_STA_UP)
            set_sta_state(QX_WIFI_STA_CONNECTING, std::atoi(event_field(event, "reason").c_str()));
    } else if (starts("CTRL-EVENT-SSID-TEMP-DISABLED")) {
        bool wrong_key = event_field(event, "reason") == "WRONG_KEY";
        set_sta_state(QX_WIFI_STA_FAILED, wrong_key ? kWrongKeyCode : kUnspecifiedCode);
    } else if (starts("CTRL-EVENT-ASSOC-REJECT")) {
        int code = std::atoi(event_field(event, "status_code").c_str());
        set_sta_state(QX_WIFI_STA_FAILED, code ? code : kUnspecifiedCode);
    } else if (starts("CTRL-EVENT-SSID-REENABLED") && sta_.state == QX_WIFI_STA_FAILED) {
        set_sta_state(QX_WIFI_STA_CONNECTING, 0);
    } else if (starts("CTRL-EVENT-SCAN-RESULTS")) {
        read_scan();
    }
}

void RealStack::read_scan() {
    std::vector<wifi_scan_entry> entries =
        parse_scan_results(sta_.ctrl.request("SCAN_RESULTS").value_or(""));
    publish([&](World &w) { w.stack.scan = entries; });
    append_event("scan real");
}

template <typename Handle> void drain(CtrlSocket &socket, Handle handle) {
    while (socket.is_open()) {
        std::optional<std::string> event = socket.read_event();
        if (!event)
            return;
        handle(*event);
    }
}

void RealStack::run(int signals, int changes) {
    take_up(snapshot());
    for (;;) {
        std::vector<pollfd> fds = {{signals, POLLIN, 0}, {changes, POLLIN, 0}};
        for (int i = 0; i < kApCount; i++)
            fds.push_back({ap_[i].events.fd(), POLLIN, 0});
        fds.push_back({sta_.events.fd(), POLLIN, 0});
        if (poll(fds.data(), fds.size(), enabled_ ? kTickMs : -1) < 0 && errno != EINTR)
            break;
        if (fds[0].revents)
            break;
        if (fds[1].revents) {
            char buffer[4096];
            while (read(changes, buffer, sizeof buffer) > 0) {
            }
            take_up(snapshot());
        }
        for (int i = 0; i < kApCount; i++)
            drain(ap_[i].events, [&](const std::string &e) { ap_event(i, e); });
        drain(sta_.events, [&](const std::string &e) { sta_event(e); });
        look_after();
    }
    disable();
    set_test_mode(0);
}

} // namespace

bool real_radios_present() {
    return access(kBoardDriver, F_OK) == 0 && simulated_radios().size() >= 2;
}

void run_real_stack() {
    RealStack stack;
    orvo::UniqueFd signal_fd = sim::termination_fd();
    signal(SIGPIPE, SIG_IGN);
    orvo::UniqueFd changes(inotify_init1(IN_CLOEXEC | IN_NONBLOCK));
    if (!signal_fd || !changes ||
        inotify_add_watch(changes.get(), sim::path("wifi").c_str(), IN_MOVED_TO) < 0) {
        wait_for_termination();
        return;
    }
    stack.find_radios(); // without them, enabling fails
    stack.run(signal_fd.get(), changes.get());
}

} // namespace sim::wifi
