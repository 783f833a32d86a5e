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

// On real radios: what they report, or the change under way while the service has not yet
// taken up the latest request.
int real_enable_state(const World &w) {
    if (w.service.enable_since != w.stack.enable_seen)
        return QX_WIFI_CHANGING;
    return w.stack.enable;
}

int real_ap_state(const World &w, int i) {
    const Service &v = w.service;
    if (v.ap_since[i] != w.stack.ap_seen[i])
        return v.ap_target[i] ? QX_WIFI_AP_STARTING : v.ap_held[i];
    return w.stack.ap[i];
}

int real_sta_state(const World &w) {
    const Service &v = w.service;
    if (v.sta_since != w.stack.sta_seen)
        return v.sta_target ? QX_WIFI_STA_CONNECTING : v.sta_held;
    return w.stack.sta;
}

void fill_real_sta_status(const Stack &st, wifi_sta_status *status) {
    if (status->state == QX_WIFI_STA_FAILED || status->state == QX_WIFI_STA_CONNECTING)
        status->sta_code = st.sta_code;
    if (status->state != QX_WIFI_STA_UP)
        return;
    copy_text(status->bssid, st.bssid);
    status->rssi = st.rssi;
    if (st.ip.empty())
        return;
    status->has_addr = 1;
    wifi_sta_addr &a = status->addr;
    copy_text(a.ip, st.ip);
    copy_text(a.netmask, st.netmask);
    a.subnet_bits = static_cast<uint8_t>(st.subnet_bits);
    copy_text(a.gateway, st.gateway);
    copy_text(a.dnsp, st.dnsp);
    copy_text(a.dnss, st.dnss);
}

} // namespace

int enable_state(const World &w, int64_t now) {
    const Service &v = w.service;
    if (w.stack.real)
        return real_enable_state(w);
    if (v.enable_since < 0)
        return QX_WIFI_DISABLED;
    const Transition &t = v.enable_target ? w.settings.enable : w.settings.disable;
    return settle(t, v.enable_since, now, QX_WIFI_CHANGING);
}

int ap_state(const World &w, int ap_index, int64_t now) {
    const Service &v = w.service;
    if (enable_state(w, now) != QX_WIFI_ENABLED)
        return QX_WIFI_AP_DOWN;
    if (w.stack.real)
        return real_ap_state(w, ap_index);
    if (!v.ap_target[ap_index])
        return stopping(w.settings, v.ap_since[ap_index], v.ap_held[ap_index], now);
    return settle(w.settings.ap, v.ap_since[ap_index], now, QX_WIFI_AP_STARTING);
}

int sta_state(const World &w, int64_t now) {
    const Service &v = w.service;
    if (enable_state(w, now) != QX_WIFI_ENABLED)
        return QX_WIFI_STA_DOWN;
    if (w.stack.real)
        return real_sta_state(w);
    if (!v.sta_target)
        return stopping(w.settings, v.sta_since, v.sta_held, now);
    return settle(w.settings.sta, v.sta_since, now, QX_WIFI_STA_CONNECTING);
}

void fill_ap_status(const World &w, int ap_index, int64_t now, wifi_ap_status *status) {
    std::memset(status, 0, sizeof *status);
    status->state = ap_state(w, ap_index, now);
    std::snprintf(status->ssid, sizeof status->ssid, "ORVO-AP%d", ap_index);
    if (w.stack.real)
        copy_text(status->mac, w.stack.ap_mac[ap_index]);
    else
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
    if (w.stack.real)
        return fill_real_sta_status(w.stack, status);
    if (status->state == QX_WIFI_STA_FAILED) {
        status->sta_code = w.settings.sta_code;
        return;
    }
    if (status->state != QX_WIFI_STA_UP)
        return;
    copy_text(status->bssid, "00:0a:f5:5e:a1:01");
    status->rssi = -48;
    // As on a real stack, the address comes a little after the station is up; a station
    // being stopped keeps it until it is down.
    const Settings &s = w.settings;
    const Service &v = w.service;
    if (!v.sta_target || now >= v.sta_since + s.sta.delay_ms + s.addr_delay_ms)
        fill_addresses(s, status);
}

void fill_real_scan_result(const World &w, wifi_scan_result *list) {
    std::memset(list, 0, sizeof *list);
    const std::vector<wifi_scan_entry> &scan = w.stack.scan;
    list->count = static_cast<int32_t>(std::min<size_t>(scan.size(), QX_WIFI_SCAN_MAX));
    std::copy_n(scan.begin(), list->count, list->entry);
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
