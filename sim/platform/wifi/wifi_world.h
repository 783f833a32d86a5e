/* SPDX-License-Identifier: MIT */
// The simulated Wi-Fi service: its state lives in the sandbox's control directory, so every
// process of the module (the programs through libqxtel, the ctl topic) sees the same service.
// Its process (orvo-sim-wifi) stands for the service being up.
// States that change after a delay are stored as a target and the time it was asked for,
// and worked out when read (wifi_model.h).
#pragma once

#include "qx_wifi.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

namespace sim::wifi {

constexpr int kApCount = 2;

// How a requested change settles: after delay_ms into settled, or never.
struct Transition {
    int64_t delay_ms;
    int settled;
    bool never;
};

// What a test scripts through the ctl topic.
struct Settings {
    Transition enable{1500, 1, false};
    Transition disable{1500, 0, false};
    Transition ap{1500, 3, false};
    Transition sta{1500, 1, false};
    int64_t stop_delay_ms = 300;
    int64_t addr_delay_ms = 300; // from a station being up to its address (its DHCP)
    int sta_code = 0;
    int has_addr = 1;
    int has_addr6 = 1;
};

// What the clients asked of the service.
struct Service {
    int enable_target = 0;
    int64_t enable_since = -1; // -1: never asked since the module started
    int work_mode = 0;
    // Start: since is the request. Stop: the state held until the stop completes.
    int ap_target[kApCount] = {0, 0};
    int64_t ap_since[kApCount] = {0, 0};
    int ap_held[kApCount] = {0, 0};
    int sta_target = 0;
    int64_t sta_since = 0;
    int sta_held = 0;
    bool sta_configured = false;
    std::string sta_ssid;
    std::string sta_pw;
    int sta_auth = 0;
    int test_mode = 0;
    std::map<std::string, std::string> hosts; // joined stations: MAC -> host name
};

// On the emulated board the service drives the kernel's simulated radios (real_stack.h) and
// keeps here what they report; each *_seen is the request (its since) it has taken up.
struct Stack {
    bool real = false;
    int64_t enable_seen = -1;
    int enable = 0;
    int64_t ap_seen[kApCount] = {0, 0};
    int ap[kApCount] = {0, 0};
    std::string ap_mac[kApCount];
    int64_t sta_seen = 0;
    int sta = 0;
    int sta_code = 0;
    std::string bssid;
    int rssi = 0;
    // The station's lease: address, prefix bits, netmask, gateway, name servers.
    std::string ip, netmask, gateway, dnsp, dnss;
    int subnet_bits = 0;
    std::vector<wifi_scan_entry> scan; // the station's latest scan
    int test_mode = 0;                 // the test-mode request taken up
};

struct World {
    Settings settings;
    Service service;
    Stack stack;
};

int64_t now_ms();

// Texts in the stored state and in events, as one word of hex digits.
std::string encode_text(const std::string &text);
std::string decode_text(const std::string &word);

// The current state, read under a shared lock.
World snapshot();

// Runs change on the current state under an exclusive lock; saves it when change returns
// true. Returns change's result.
bool update(const std::function<bool(World &)> &change);

// Events for the callback threads of every client: one line each, appended under the lock.
void append_event(const std::string &line);
// Lines appended since offset; advances offset. The size of the record, for a new reader.
std::vector<std::string> read_events(off_t &offset);
off_t events_end();

} // namespace sim::wifi
