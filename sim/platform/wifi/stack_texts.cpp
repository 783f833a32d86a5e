// SPDX-License-Identifier: MIT
#include "stack_texts.h"

#include <cstdio>
#include <sstream>

namespace sim::wifi {
namespace {

std::string hex_of(const std::string &text) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : text) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

// The network block's security lines for auth (0 open, 1 WPA, 2 WPA2, 3 WEP, 4 WPA/WPA2)
// and its cipher (2 AES, else TKIP as well).
std::string security_lines(const std::string &pw, int auth, int auth_aux) {
    std::string pairwise = auth_aux == 2 ? "CCMP" : "CCMP TKIP";
    std::string psk = "\tpsk=\"" + pw + "\"\n\tpairwise=" + pairwise + "\n";
    switch (auth) {
    case 1:
        return "\tkey_mgmt=WPA-PSK\n\tproto=WPA\n" + psk;
    case 2:
        return "\tkey_mgmt=WPA-PSK\n\tproto=RSN\n" + psk;
    case 3:
        return "\tkey_mgmt=NONE\n\twep_key0=\"" + pw + "\"\n\twep_tx_keyidx=0\n";
    case 4:
        return "\tkey_mgmt=WPA-PSK\n\tproto=WPA RSN\n" + psk;
    default:
        return "\tkey_mgmt=NONE\n";
    }
}

// A WEP key as text: 5, 13 or 16 characters (40, 104 or 128 bits).
bool is_wep_key(const std::string &key) {
    return key.size() == 5 || key.size() == 13 || key.size() == 16;
}

int channel_of(int mhz) {
    if (mhz == 2484)
        return 14;
    if (mhz >= 2412 && mhz < 2484)
        return (mhz - 2407) / 5;
    if (mhz >= 5000 && mhz < 5900)
        return (mhz - 5000) / 5;
    return 0;
}

// The flags of a scan result, "[WPA2-PSK-CCMP][ESS]": auth and cipher codes as the
// station parameters name them.
void security_of(const std::string &flags, wifi_scan_entry &e) {
    bool wpa = flags.find("[WPA-") != std::string::npos;
    bool wpa2 =
        flags.find("[WPA2-") != std::string::npos || flags.find("[RSN-") != std::string::npos;
    e.auth = wpa && wpa2                                ? 4
             : wpa2                                     ? 2
             : wpa                                      ? 1
             : flags.find("[WEP]") != std::string::npos ? 3
                                                        : 0;
    bool ccmp = flags.find("CCMP") != std::string::npos;
    bool tkip = flags.find("TKIP") != std::string::npos;
    e.cipher = ccmp ? 2 : tkip ? 1 : 0;
}

// The parts of text between separators; a separator at the end ends the last part.
std::vector<std::string> split(const std::string &text, char separator) {
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, separator);)
        parts.push_back(part);
    return parts;
}

template <size_t N> void copy_text(char (&field)[N], const std::string &text) {
    std::snprintf(field, N, "%s", text.c_str());
}

} // namespace

const char kApPassPhrase[] = "orvo-module";

// The module's radio works in the 2.4 GHz band (channels 1 to 13): a scan of the simulated
// radios' 5 GHz channels as well takes seconds, longer than the console waits.
const char kBandChannels[] = "2412 2417 2422 2427 2432 2437 2442 2447 2452 2457 2462 2467 2472";

std::string ap_ssid(int ap_index) {
    return "ORVO-AP" + std::to_string(ap_index);
}

std::string ap_subnet(int ap_index) {
    return "192.168." + std::to_string(43 + ap_index);
}

std::string hostapd_config(int ap_index, const std::string &dev, const std::string &ctrl_dir) {
    return "interface=" + dev + "\ndriver=nl80211\nctrl_interface=" + ctrl_dir +
           "\nssid=" + ap_ssid(ap_index) +
           "\nhw_mode=g\nchannel=" + std::to_string(1 + 5 * ap_index) +
           "\nwpa=2\nwpa_key_mgmt=WPA-PSK\nrsn_pairwise=CCMP\nwpa_passphrase=" + kApPassPhrase +
           "\n";
}

// The leases are written each second: a signal asking for them starves udhcpd of packets.
std::string udhcpd_config(int ap_index, const std::string &dev, const std::string &lease_file) {
    std::string net = ap_subnet(ap_index);
    return "start " + net + ".100\nend " + net + ".150\ninterface " + dev + "\nlease_file " +
           lease_file + "\nauto_time 1\noption subnet 255.255.255.0" + "\noption router " + net +
           ".1\noption dns " + net + ".1\noption lease 3600\n";
}

std::optional<std::string> wpa_config(const std::string &ssid, const std::string &pw, int auth,
                                      int auth_aux, const std::string &ctrl_dir) {
    if (pw.find_first_of("\n\r") != std::string::npos || ssid.empty())
        return std::nullopt;
    if (auth == 3 && !is_wep_key(pw))
        return std::nullopt;
    return "ctrl_interface=" + ctrl_dir + "\nnetwork={\n\tssid=" + hex_of(ssid) +
           "\n\tscan_ssid=1\n\tscan_freq=" + kBandChannels + "\n" +
           security_lines(pw, auth, auth_aux) + "}\n";
}

std::string udhcpc_script(const std::string &lease_file) {
    return "#!/bin/sh\n"
           "# udhcpc's hook for the module's station: the address on the interface, the lease\n"
           "# for the Wi-Fi service.\n"
           "lease=" +
           lease_file +
           "\n"
           "case $1 in\n"
           "deconfig)\n"
           "    ip addr flush dev \"$interface\"\n"
           "    rm -f \"$lease\"\n"
           "    ;;\n"
           "bound | renew)\n"
           "    ip addr flush dev \"$interface\"\n"
           "    ip addr add \"$ip/$mask\" dev \"$interface\"\n"
           "    for r in $router; do ip route add default via \"$r\" dev \"$interface\"; break; "
           "done\n"
           "    printf '%s\\n' \"$ip\" \"$subnet\" \"$mask\" \"$router\" \"$dns\" >\"$lease.new\"\n"
           "    mv \"$lease.new\" \"$lease\"\n"
           "    ;;\n"
           "esac\n";
}

std::optional<Lease> parse_lease(const std::string &text) {
    std::istringstream in(text);
    std::string bits, routers, servers;
    Lease lease;
    if (!std::getline(in, lease.ip) || !std::getline(in, lease.netmask) ||
        !std::getline(in, bits) || !std::getline(in, routers) || !std::getline(in, servers) ||
        lease.ip.empty())
        return std::nullopt;
    lease.subnet_bits = std::atoi(bits.c_str());
    std::istringstream(routers) >> lease.gateway;
    std::istringstream(servers) >> lease.dnsp >> lease.dnss;
    return lease;
}

std::map<std::string, std::string> parse_status(const std::string &answer) {
    std::map<std::string, std::string> fields;
    for (const std::string &line : split(answer, '\n')) {
        size_t eq = line.find('=');
        if (eq != std::string::npos)
            fields[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return fields;
}

// Lines "bssid\tfrequency\tsignal level\tflags\tssid" after a header.
std::vector<wifi_scan_entry> parse_scan_results(const std::string &answer) {
    std::vector<wifi_scan_entry> entries;
    std::vector<std::string> lines = split(answer, '\n');
    for (size_t i = 1; i < lines.size() && entries.size() < QX_WIFI_SCAN_MAX; i++) {
        std::vector<std::string> f = split(lines[i], '\t');
        if (f.size() < 4)
            continue;
        wifi_scan_entry e{};
        copy_text(e.bssid, f[0]);
        copy_text(e.ssid, f.size() > 4 ? f[4] : "");
        e.frequency = std::atoi(f[1].c_str());
        e.channel = channel_of(e.frequency);
        e.rssi = std::atoi(f[2].c_str());
        e.bandwidth = 20;
        security_of(f[3], e);
        entries.push_back(e);
    }
    return entries;
}

// "Mac Address       IP Address      Host Name           Expires in" and one line a lease;
// a lease without a host name has one column less.
std::map<std::string, std::string> parse_dumpleases(const std::string &table) {
    std::map<std::string, std::string> hosts;
    for (const std::string &line : split(table, '\n')) {
        std::istringstream words(line);
        std::string mac, ip, host, expires;
        words >> mac >> ip >> host >> expires;
        if (mac.size() != 17 || mac[2] != ':' || host.empty())
            continue;
        for (char &c : mac)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        hosts[mac] = expires.empty() ? "" : host;
    }
    return hosts;
}

std::string event_field(const std::string &event, const std::string &name) {
    std::istringstream words(event);
    std::string prefix = name + "=";
    for (std::string word; words >> word;) {
        if (word.compare(0, prefix.size(), prefix) == 0)
            return word.substr(prefix.size());
    }
    return "";
}

} // namespace sim::wifi
