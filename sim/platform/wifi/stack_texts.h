/* SPDX-License-Identifier: MIT */
// The texts the Wi-Fi service exchanges with the real stack on the board: the daemons'
// configuration files, and what it reads back from their answers and the DHCP leases.
#pragma once

#include "qx_wifi.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace sim::wifi {

// The module's access point ap_index: its name, pass phrase and subnet ("192.168.43").
std::string ap_ssid(int ap_index);
std::string ap_subnet(int ap_index);
extern const char kApPassPhrase[];

std::string hostapd_config(int ap_index, const std::string &dev, const std::string &ctrl_dir);
std::string udhcpd_config(int ap_index, const std::string &dev, const std::string &lease_file);

// wpa_supplicant's configuration for the station parameters (auth and auth_aux as in
// wifi_sta_param); none for parameters no network block can hold (a line feed in a text, a
// WEP key of another length than 5, 13 or 16 characters).
std::optional<std::string> wpa_config(const std::string &ssid, const std::string &pw, int auth,
                                      int auth_aux, const std::string &ctrl_dir);

// udhcpc's hook: puts the address on the interface and writes the lease to LEASE_FILE
// (parse_lease reads it).
std::string udhcpc_script(const std::string &lease_file);

struct Lease {
    std::string ip, netmask, gateway, dnsp, dnss;
    int subnet_bits = 0;
};
std::optional<Lease> parse_lease(const std::string &text);

// "key=value" lines of a STATUS or SIGNAL_POLL answer.
std::map<std::string, std::string> parse_status(const std::string &answer);

// wpa_supplicant's SCAN_RESULTS answer, at most QX_WIFI_SCAN_MAX entries.
std::vector<wifi_scan_entry> parse_scan_results(const std::string &answer);

// busybox dumpleases' table: MAC (lower case) -> host name (empty when the client sent none).
std::map<std::string, std::string> parse_dumpleases(const std::string &table);

// The value of "name=value" in a daemon's event, empty when it has none.
std::string event_field(const std::string &event, const std::string &name);

} // namespace sim::wifi
