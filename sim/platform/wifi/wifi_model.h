/* SPDX-License-Identifier: MIT */
// The simulated Wi-Fi service's states and records, worked out from what was asked of it,
// the scripted settings and the time.
#pragma once

#include "qx_wifi.h"
#include "wifi_world.h"

namespace sim::wifi {

int enable_state(const World &w, int64_t now);
int ap_state(const World &w, int ap_index, int64_t now);
int sta_state(const World &w, int64_t now);

void fill_ap_status(const World &w, int ap_index, int64_t now, wifi_ap_status *status);
void fill_sta_status(const World &w, int64_t now, wifi_sta_status *status);
// The first count networks of the simulated neighbourhood (at most QX_WIFI_SCAN_MAX).
void fill_scan_result(int count, wifi_scan_result *list);
// The real radios' latest scan.
void fill_real_scan_result(const World &w, wifi_scan_result *list);

} // namespace sim::wifi
