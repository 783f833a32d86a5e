// SPDX-License-Identifier: MIT
#include "wifi_model.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace sim::wifi {
namespace {

int settle(const Transition &t, int64_t since, int64_t now, int pending) {
    if (t.never || now < since + t.delay_ms)
        return pending;
    return t.settled;
}

// A stop shows the old state until it completes.
int stopping(const Settings &s, int64_t since, int held, int64_t now) {
    return now < since + s.stop_delay_ms ? held : 0;
}

template <size_t N> void copy_text(char (&field)[N], const std::string &text) {
    std::snprintf(field, N, "%s", text.c_str());
}

// The addresses a connected station reports: ip, netmask or prefix, its bits, gateway and
// the two name servers.
const wifi_sta_addr kStationAddr = {"192.168.10.23", "255.255.255.0", 24,
                                    "192.168.10.1",  "192.168.10.1",  "8.8.8.8"};
const wifi_sta_addr6 kStationAddr6 = {"2001:db8:10::23",      "2001:db8:10::",       64, "fe80::1",
                                      "2001:4860:4860::8888", "2001:4860:4860::8844"};

void fill_addresses(const Settings &s, wifi_sta_status *status) {
    status->has_addr = static_cast<uint8_t>(s.has_addr);
    if (s.has_addr)
        status->addr = kStationAddr;
    status->has_addr6 = static_cast<uint8_t>(s.has_addr6);
    if (s.has_addr6)
        status->addr6 = kStationAddr6;
}

} // namespace

int enable_state(const World &w, int64_t now) {
    const Service &v = w.service;
    if (v.enable_since < 0)
        return QX_WIFI_DISABLED;
    const Transition &t = v.enable_target ? w.settings.enable : w.settings.disable;
    return settle(t, v.enable_since, now, QX_WIFI_CHANGING);
}

int ap_state(const World &w, int ap_index, int64_t now) {
    const Service &v = w.service;
    if (enable_state(w, now) != QX_WIFI_ENABLED)
        return QX_WIFI_AP_DOWN;
    if (!v.ap_target[ap_index])
        return stopping(w.settings, v.ap_since[ap_index], v.ap_held[ap_index], now);
    return settle(w.settings.ap, v.ap_since[ap_index], now, QX_WIFI_AP_STARTING);
}

int sta_state(const World &w, int64_t now) {
    const Service &v = w.service;
    if (enable_state(w, now) != QX_WIFI_ENABLED)
        return QX_WIFI_STA_DOWN;
    if (!v.sta_target)
        return stopping(w.settings, v.sta_since, v.sta_held, now);
    return settle(w.settings.sta, v.sta_since, now, QX_WIFI_STA_CONNECTING);
}

void fill_ap_status(const World &w, int ap_index, int64_t now, wifi_ap_status *status) {
    std::memset(status, 0, sizeof *status);
    status->state = ap_state(w, ap_index, now);
    std::snprintf(status->ssid, sizeof status->ssid, "ORVO-AP%d", ap_index);
    std::snprintf(status->mac, sizeof status->mac, "02:4f:56:00:00:%02x", ap_index);
}

void fill_sta_status(const World &w, int64_t now, wifi_sta_status *status) {
    std::memset(status, 0, sizeof *status);
    status->state = sta_state(w, now);
    if (status->state == QX_WIFI_STA_DOWN)
        return;
    // A 32-byte name fills the field without a terminator, as in the parameters.
    const std::string &ssid = w.service.sta_ssid;
    std::memcpy(status->ssid, ssid.data(), std::min(ssid.size(), sizeof status->ssid));
    if (status->state == QX_WIFI_STA_FAILED) {
        status->sta_code = w.settings.sta_code;
        return;
    }
    if (status->state != QX_WIFI_STA_UP)
        return;
    copy_text(status->bssid, "00:0a:f5:5e:a1:01");
    status->rssi = -48;
    fill_addresses(w.settings, status);
}

void fill_scan_result(int count, wifi_scan_result *list) {
    static const char *const names[] = {"HomeNet", "Office", "Guest", "Lab-2G"};
    std::memset(list, 0, sizeof *list);
    if (count > QX_WIFI_SCAN_MAX)
        count = QX_WIFI_SCAN_MAX;
    list->count = count;
    for (int i = 0; i < count; i++) {
        wifi_scan_entry &e = list->entry[i];
        std::snprintf(e.bssid, sizeof e.bssid, "00:0a:f5:10:00:%02x",
                      static_cast<unsigned>(i & 0xff));
        if (i < 4)
            copy_text(e.ssid, names[i]);
        else
            std::snprintf(e.ssid, sizeof e.ssid, "net-%02d", i);
        e.channel = 1 + (i * 5) % 13;
        e.frequency = 2407 + 5 * e.channel;
        e.bandwidth = 20;
        e.rssi = -40 - 7 * i;
        e.auth = static_cast<uint8_t>(i % 5);
        e.cipher = static_cast<uint8_t>(i % 5 == 0 || i % 5 == 3 ? 0 : 2);
    }
}

} // namespace sim::wifi
