#include "dual_steps.h"

#include "dual_param.h"
#include "dual_waits.h"
#include "qx_wifi.h"

#include <cstdio>
#include <cstring>

namespace wifi_tools {

int user_wifi_enable() {
    int ret = qx_wifi_enable_ext(0);
    if (ret != 0) {
        std::printf("[wlan_dual_demo]qx_wifi_enable fail:%d!!!\n", ret);
        return ret;
    }
    ret = user_wait_enable_status();
    if (ret != 0)
        std::printf("[wlan_dual_demo]user_wait_enable_status fail:%d!!!\n", ret);
    return ret;
}

int user_ap_enable(int ap_index) {
    int ret = qx_wifi_ap_start_ext(0, ap_index);
    if (ret != 0) {
        std::printf("[wlan_dual_demo]qx_wifi_ap_start fail:%d!!!\n", ret);
        return ret;
    }
    ret = user_wait_ap_start_status(ap_index);
    if (ret != 0)
        std::printf("[wlan_dual_demo]user_wait_ap_start_status fail:%d!!!\n", ret);
    return ret;
}

// Rejected station texts are reported, and the record goes to the library all the same.
int user_sta_enable(const DualCommandLine &cl) {
    wifi_sta_param record;
    std::memset(&record, 0, sizeof record);
    int ret = wlan_dual_param_set(&record, cl.ssid, cl.pw, cl.auth);
    std::printf("[wlan_dual_demo]wlan_dual_param_set ret:%d\n", ret);
    ret = qx_wifi_sta_param_set_ext(0, &record);
    std::printf("[wlan_dual_demo]qx_wifi_sta_param_set ret:%d\n", ret);
    ret = qx_wifi_sta_start_ext(0);
    if (ret != 0) {
        std::printf("[wlan_dual_demo]qx_wifi_sta_start fail:%d!!!\n", ret);
        return ret;
    }
    ret = user_wait_sta_start_status();
    if (ret != 0)
        std::printf("[wlan_dual_demo]user_wait_sta_start_status fail:%d!!!\n", ret);
    return ret;
}

int user_wifi_disable() {
    int ret = qx_wifi_disable_ext(0);
    if (ret != 0) {
        std::printf("[wlan_dual_demo]qx_wifi_disable fail:%d!!!\n", ret);
        return ret;
    }
    ret = user_wait_disable_status();
    if (ret != 0)
        std::printf("[wlan_dual_demo]user_wait_disable_status fail:%d!!!\n", ret);
    return ret;
}

} // namespace wifi_tools
