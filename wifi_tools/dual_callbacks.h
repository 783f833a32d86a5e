/* SPDX-License-Identifier: MIT */
// What wlan_dual_demo prints of the Wi-Fi service's reports.
#pragma once

#include "qx_wifi.h"

extern "C" {
void user_status_cb(int32_t a, int32_t b);
void user_ap_status_cb(int32_t a, int32_t b, const wifi_ap_status *record);
void user_ap_sta_conn_status_cb(int32_t a, const wifi_sta_conn *record);
void user_sta_status_ind_cb(int32_t pre, const wifi_sta_status *record);
void user_sta_scan_result_ind_cb(const wifi_scan_result *list);
void user_wifi_service_error_cb(int32_t e);
}

namespace wifi_tools {

// Registers the six callbacks, in this order: enable state, access point, station joining,
// station status, scan results, service errors.
void register_dual_callbacks();

} // namespace wifi_tools
