// SPDX-License-Identifier: MIT
#include "dual_steps.h"

#include "dual_param.h"
#include "dual_waits.h"
#include "qx_wifi.h"

#include <cstdio>
#include <cstring>

namespace wifi_tools {

namespace {

// A request to the library and the wait for the state it asks for: each failure is printed
// with the name of what failed; 0, or the call's result, or the wait's code.
template <typename Wait>
int request_and_wait(int ret, const char *call, const char *wait_name, Wait wait) {
    if (ret != 0) {
        std::printf("[wlan_dual_demo]%s fail:%d!!!\n", call, ret);
        return ret;
    }
    ret = wait();
    if (ret != 0)
        std::printf("[wlan_dual_demo]%s fail:%d!!!\n", wait_name, ret);
    return ret;
}

} // namespace

int user_wifi_enable() {
    return request_and_wait(qx_wifi_enable_ext(0), "qx_wifi_enable", "user_wait_enable_status",
                            user_wait_enable_status);
}

int user_ap_enable(int ap_index) {
    return request_and_wait(qx_wifi_ap_start_ext(0, ap_index), "qx_wifi_ap_start",
                            "user_wait_ap_start_status",
                            [ap_index] { return user_wait_ap_start_status(ap_index); });
}

// Rejected station texts are reported, and the record goes to the library all the same.
int user_sta_enable(const DualCommandLine &cl) {
    wifi_sta_param record;
    std::memset(&record, 0, sizeof record);
    int ret = wlan_dual_param_set(&record, cl.ssid, cl.pw, cl.auth);
    std::printf("[wlan_dual_demo]wlan_dual_param_set ret:%d\n", ret);
    ret = qx_wifi_sta_param_set_ext(0, &record);
    std::printf("[wlan_dual_demo]qx_wifi_sta_param_set ret:%d\n", ret);
    return request_and_wait(qx_wifi_sta_start_ext(0), "qx_wifi_sta_start",
                            "user_wait_sta_start_status", user_wait_sta_start_status);
}

int user_wifi_disable() {
    return request_and_wait(qx_wifi_disable_ext(0), "qx_wifi_disable", "user_wait_disable_status",
                            user_wait_disable_status);
}

} // namespace wifi_tools
