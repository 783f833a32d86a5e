/* SPDX-License-Identifier: MIT */
// The library's indication thread: calls the registered callbacks when the service's
// states change and when the ctl topic raises an event (a station joining, a scan, an error).
#pragma once

#include "qx_wifi.h"

#include <atomic>

namespace sim::wifi {

struct Callbacks {
    std::atomic<qx_wifi_enable_status_cb> enable{nullptr};
    std::atomic<qx_wifi_ap_status_cb> ap{nullptr};
    std::atomic<qx_wifi_ap_sta_connect_cb> ap_sta_connect{nullptr};
    std::atomic<qx_wifi_sta_status_cb> sta{nullptr};
    std::atomic<qx_wifi_scan_result_cb> scan{nullptr};
    std::atomic<qx_wifi_service_error_cb> error{nullptr};
};

Callbacks &callbacks();

// Starts the thread unless it runs; stopping joins it and forgets the callbacks.
void start_indications();
void stop_indications();
bool indications_running();

} // namespace sim::wifi
