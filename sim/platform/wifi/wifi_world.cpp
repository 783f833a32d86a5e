// SPDX-License-Identifier: MIT
#include "wifi_world.h"

#include "common/guards.h"
#include "common/unique_fd.h"
#include "simctl.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace sim::wifi {

// Hex, so that names with spaces or line feeds survive.
std::string encode_text(const std::string &text) {
    static const char digits[] = "0123456789abcdef";
    std::string hex = "-"; // never empty, so the field always exists
    for (unsigned char c : text) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

// A damaged word decodes to what can be read of it; nothing here throws.
std::string decode_text(const std::string &hex) {
    auto digit = [](char c) {
        return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    };
    std::string text;
    for (size_t i = 1; i + 1 < hex.size(); i += 2) {
        int high = digit(hex[i]), low = digit(hex[i + 1]);
        if (high < 0 || low < 0)
            break;
        text += static_cast<char>(high * 16 + low);
    }
    return text;
}

namespace {

void put(std::ostream &out, const char *key, const Transition &t) {
    out << key << ' ' << t.delay_ms << ' ' << t.settled << ' ' << t.never << '\n';
}

template <size_t N> std::string text_of(const char (&field)[N]) {
    return std::string(field, strnlen(field, N));
}

void put_stack(std::ostream &out, const Stack &st) {
    if (!st.real)
        return;
    out << "stack_enable " << st.enable_seen << ' ' << st.enable << ' ' << st.test_mode << '\n';
    for (int i = 0; i < kApCount; i++)
        out << "stack_ap " << i << ' ' << st.ap_seen[i] << ' ' << st.ap[i] << ' '
            << encode_text(st.ap_mac[i]) << '\n';
    out << "stack_sta " << st.sta_seen << ' ' << st.sta << ' ' << st.sta_code << ' '
        << encode_text(st.bssid) << ' ' << st.rssi << '\n'
        << "stack_lease " << encode_text(st.ip) << ' ' << encode_text(st.netmask) << ' '
        << st.subnet_bits << ' ' << encode_text(st.gateway) << ' ' << encode_text(st.dnsp) << ' '
        << encode_text(st.dnss) << '\n';
    for (const wifi_scan_entry &e : st.scan)
        out << "stack_scan " << encode_text(text_of(e.bssid)) << ' ' << encode_text(text_of(e.ssid))
            << ' ' << e.bandwidth << ' ' << int{e.cipher} << ' ' << e.frequency << ' '
            << int{e.auth} << ' ' << e.channel << ' ' << e.rssi << '\n';
}

template <size_t N> void set_text(char (&field)[N], const std::string &word) {
    std::string text = decode_text(word);
    std::snprintf(field, N, "%s", text.c_str());
}

// One "stack_*" line; returns false for a key of another kind.
bool get_stack(const std::string &key, std::istream &in, Stack &st) {
    std::string a, b, c, d, e;
    if (key == "stack_enable") {
        in >> st.enable_seen >> st.enable >> st.test_mode;
    } else if (key == "stack_ap") {
        int i = -1;
        in >> i;
        if (i >= 0 && i < kApCount) {
            in >> st.ap_seen[i] >> st.ap[i] >> a;
            st.ap_mac[i] = decode_text(a);
        }
    } else if (key == "stack_sta") {
        in >> st.sta_seen >> st.sta >> st.sta_code >> a >> st.rssi;
        st.bssid = decode_text(a);
    } else if (key == "stack_lease") {
        in >> a >> b >> st.subnet_bits >> c >> d >> e;
        st.ip = decode_text(a);
        st.netmask = decode_text(b);
        st.gateway = decode_text(c);
        st.dnsp = decode_text(d);
        st.dnss = decode_text(e);
    } else if (key == "stack_scan") {
        wifi_scan_entry entry{};
        int cipher = 0, auth = 0;
        in >> a >> b >> entry.bandwidth >> cipher >> entry.frequency >> auth >> entry.channel >>
            entry.rssi;
        set_text(entry.bssid, a);
        set_text(entry.ssid, b);
        entry.cipher = static_cast<uint8_t>(cipher);
        entry.auth = static_cast<uint8_t>(auth);
        if (st.scan.size() < QX_WIFI_SCAN_MAX)
            st.scan.push_back(entry);
    } else {
        return false;
    }
    st.real = true;
    return true;
}

std::string serialize(const World &w) {
    std::ostringstream out;
    const Settings &s = w.settings;
    put(out, "enable", s.enable);
    put(out, "disable", s.disable);
    put(out, "ap", s.ap);
    put(out, "sta", s.sta);
    out << "stop_delay " << s.stop_delay_ms << '\n'
        << "addr_delay " << s.addr_delay_ms << '\n'
        << "sta_code " << s.sta_code << '\n'
        << "has_addr " << s.has_addr << ' ' << s.has_addr6 << '\n';
    const Service &v = w.service;
    out << "enable_target " << v.enable_target << ' ' << v.enable_since << '\n'
        << "work_mode " << v.work_mode << '\n';
    for (int i = 0; i < kApCount; i++)
        out << "ap_target " << i << ' ' << v.ap_target[i] << ' ' << v.ap_since[i] << ' '
            << v.ap_held[i] << '\n';
    out << "sta_target " << v.sta_target << ' ' << v.sta_since << ' ' << v.sta_held << '\n'
        << "sta_param " << v.sta_configured << ' ' << v.sta_auth << ' ' << encode_text(v.sta_ssid)
        << ' ' << encode_text(v.sta_pw) << '\n'
        << "test_mode " << v.test_mode << '\n';
    for (const auto &[mac, host] : v.hosts)
        out << "host " << encode_text(mac) << ' ' << encode_text(host) << '\n';
    put_stack(out, w.stack);
    return out.str();
}

void get(std::istream &in, Transition &t) {
    in >> t.delay_ms >> t.settled >> t.never;
}

World parse(const std::string &text) {
    World w;
    Settings &s = w.settings;
    Service &v = w.service;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream in(line);
        std::string key;
        in >> key;
        if (key == "enable")
            get(in, s.enable);
        else if (key == "disable")
            get(in, s.disable);
        else if (key == "ap")
            get(in, s.ap);
        else if (key == "sta")
            get(in, s.sta);
        else if (key == "stop_delay")
            in >> s.stop_delay_ms;
        else if (key == "addr_delay")
            in >> s.addr_delay_ms;
        else if (key == "sta_code")
            in >> s.sta_code;
        else if (key == "has_addr")
            in >> s.has_addr >> s.has_addr6;
        else if (key == "enable_target")
            in >> v.enable_target >> v.enable_since;
        else if (key == "work_mode")
            in >> v.work_mode;
        else if (key == "ap_target") {
            int i = -1;
            in >> i;
            if (i >= 0 && i < kApCount)
                in >> v.ap_target[i] >> v.ap_since[i] >> v.ap_held[i];
        } else if (key == "sta_target")
            in >> v.sta_target >> v.sta_since >> v.sta_held;
        else if (key == "sta_param") {
            std::string ssid, pw;
            in >> v.sta_configured >> v.sta_auth >> ssid >> pw;
            v.sta_ssid = decode_text(ssid);
            v.sta_pw = decode_text(pw);
        } else if (key == "test_mode")
            in >> v.test_mode;
        else if (get_stack(key, in, w.stack))
            continue;
        else if (key == "host") {
            std::string mac, host;
            in >> mac >> host;
            v.hosts[decode_text(mac)] = decode_text(host);
        }
    }
    return w;
}

// Outside a simulated module the service lives in this process only.
std::mutex local_mutex;
std::string local_state;
std::vector<std::string> local_events;

// The lock between processes: flock on a file of the control directory.
class WorldLock {
  public:
    explicit WorldLock(orvo::FileLock::Mode mode) : fd_(open_lock()), lock_(fd_.get(), mode) {}

  private:
    static orvo::UniqueFd open_lock() {
        mkdir(sim::path("wifi").c_str(), 0755);
        return orvo::open_fd(sim::path("wifi/lock").c_str(), O_RDWR | O_CREAT, 0644);
    }

    orvo::UniqueFd fd_;
    orvo::FileLock lock_;
};

std::string state_file() {
    return sim::path("wifi/state");
}
std::string events_file() {
    return sim::path("wifi/events");
}

// Written whole under a new name and renamed, so a reader never sees half a state.
void save(const std::string &text) {
    sim::replace_file(state_file(), text);
}

} // namespace

int64_t now_ms() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

World snapshot() {
    if (!sim::active()) {
        std::lock_guard<std::mutex> guard(local_mutex);
        return parse(local_state);
    }
    WorldLock lock(orvo::FileLock::Mode::shared);
    return parse(sim::read_file(state_file()).value_or(""));
}

bool update(const std::function<bool(World &)> &change) {
    if (!sim::active()) {
        std::lock_guard<std::mutex> guard(local_mutex);
        World w = parse(local_state);
        bool changed = change(w);
        if (changed)
            local_state = serialize(w);
        return changed;
    }
    WorldLock lock(orvo::FileLock::Mode::exclusive);
    World w = parse(sim::read_file(state_file()).value_or(""));
    bool changed = change(w);
    if (changed)
        save(serialize(w));
    return changed;
}

void append_event(const std::string &line) {
    if (!sim::active()) {
        std::lock_guard<std::mutex> guard(local_mutex);
        local_events.push_back(line);
        return;
    }
    WorldLock lock(orvo::FileLock::Mode::exclusive);
    sim::append_line(events_file(), line);
}

off_t events_end() {
    if (!sim::active()) {
        std::lock_guard<std::mutex> guard(local_mutex);
        return static_cast<off_t>(local_events.size());
    }
    struct stat st {};
    return stat(events_file().c_str(), &st) == 0 ? st.st_size : 0;
}

std::vector<std::string> read_events(off_t &offset) {
    std::vector<std::string> lines;
    if (!sim::active()) {
        std::lock_guard<std::mutex> guard(local_mutex);
        for (; offset < static_cast<off_t>(local_events.size()); offset++)
            lines.push_back(local_events[static_cast<size_t>(offset)]);
        return lines;
    }
    std::string text;
    {
        WorldLock lock(orvo::FileLock::Mode::shared);
        text = sim::read_file(events_file()).value_or("");
    }
    size_t pos = static_cast<size_t>(offset);
    size_t end;
    while (pos < text.size() && (end = text.find('\n', pos)) != std::string::npos) {
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 1;
    }
    offset = static_cast<off_t>(pos);
    return lines;
}

} // namespace sim::wifi
