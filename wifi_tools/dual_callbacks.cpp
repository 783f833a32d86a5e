// SPDX-License-Identifier: MIT
#include "dual_callbacks.h"

#include <cstdio>
#include <cstring>

// Texts of the records are printed with their field width as bound: the library's texts
// are not trusted to be terminated.

extern "C" void user_status_cb(int32_t a, int32_t b) {
    std::printf("[wlan_dual_demo]user_status_cb:%d,%d\n", a, b);
}

extern "C" void user_ap_status_cb(int32_t a, int32_t b, const wifi_ap_status *record) {
    std::printf("[wlan_dual_demo]user_ap_status_cb:%d,%d,%.32s,%d,%.20s\n", a, b, record->ssid,
                record->state, record->mac);
}

extern "C" void user_ap_sta_conn_status_cb(int32_t a, const wifi_sta_conn *record) {
    char mac[sizeof record->mac + 1] = {};
    std::memcpy(mac, record->mac, sizeof record->mac);
    char hostname[32];
    std::memset(hostname, 0, sizeof hostname);
    qx_wifi_get_hostname_by_mac_ext(0, mac, hostname, sizeof hostname);
    hostname[sizeof hostname - 1] = '\0';
    if (hostname[0] == '\0')
        std::printf("[wlan_demo]sta ip not assigned, try again later!\n");
    std::printf("[wlan_dual_demo]user_ap_sta_conn_status_cb:%d,%d,%s,%s\n", a, record->state, mac,
                hostname);
}

extern "C" void user_sta_status_ind_cb(int32_t pre, const wifi_sta_status *record) {
    std::printf("[wlan_dual_demo]user_sta_status_ind_cb pre:%d, cur:%d\n", pre, record->state);
    std::printf("[wlan_dual_demo]sta_status: %d, %.32s, %.20s, %d, %d\n", record->state,
                record->ssid, record->bssid, record->rssi, record->sta_code);
    if (record->has_addr == 1) {
        const wifi_sta_addr &a = record->addr;
        std::printf("[wlan_dual_demo]addr ip:%.16s, netmask:%.16s, subnet_bits:%d, "
                    "gateway:%.16s, dnsp:%.16s, dnss:%.16s\n",
                    a.ip, a.netmask, a.subnet_bits, a.gateway, a.dnsp, a.dnss);
    }
    if (record->has_addr6 == 1) {
        const wifi_sta_addr6 &a = record->addr6;
        std::printf("[wlan_dual_demo]addr6 ip:%.48s, prefix:%.48s, prefix_bits:%d, "
                    "gateway:%.48s, dnsp:%.48s, dnss:%.48s\n",
                    a.ip, a.prefix, a.prefix_bits, a.gateway, a.dnsp, a.dnss);
    }
    std::printf("[wlan_dual_demo]sta_status end\n");
}

extern "C" void user_sta_scan_result_ind_cb(const wifi_scan_result *list) {
    std::printf("[wlan_dual_demo]user_sta_scan_result_ind_cb:%d\n", list->count);
    for (int32_t i = 0; i < list->count; i++) {
        const wifi_scan_entry &e = list->entry[i];
        std::printf("[wlan_dual_demo]ap[%d]:%.34s,%d,%d,%d,%.17s,%d,%d,%d\n", i, e.ssid, e.channel,
                    e.rssi, e.auth, e.bssid, e.cipher, e.frequency, e.bandwidth);
    }
}

extern "C" void user_wifi_service_error_cb(int32_t e) {
    std::printf("[wlan_dual_demo]user_wifi_service_error_cb: %d\n", e);
}

namespace wifi_tools {

void register_dual_callbacks() {
    qx_wifi_set_enable_status_ind_cb_ext(0, user_status_cb);
    qx_wifi_ap_set_status_ind_cb_ext(0, user_ap_status_cb);
    qx_wifi_set_ap_sta_connect_ind_cb_ext(0, user_ap_sta_conn_status_cb);
    qx_wifi_sta_set_status_ind_cb_ext(0, user_sta_status_ind_cb);
    qx_wifi_sta_set_scan_result_ind_cb_ext(0, user_sta_scan_result_ind_cb);
    qx_wifi_set_service_error_cb_ext(0, user_wifi_service_error_cb);
}

} // namespace wifi_tools
