/* SPDX-License-Identifier: MIT */
// Checks the station texts of the command line and fills the station parameter record.
#pragma once

#include "qx_wifi.h"

namespace wifi_tools {

// 0 when all three are good, else -1; the record keeps what was stored before the bad one.
int wlan_dual_param_set(wifi_sta_param *record, const char *ssid, const char *pw, const char *auth);

} // namespace wifi_tools
