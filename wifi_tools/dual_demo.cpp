// SPDX-License-Identifier: MIT
// The access point started is the one of the work mode (index 0 or 1), and the shutdown
// stops that one: in work mode 0 that is qx_wifi_ap_stop_ext(0, 0), in work mode 1 it is
// access point 1, the one that runs (stopping 0 there would leave 1 up until the disable).
#include "dual_demo.h"

#include "console.h"
#include "dual_callbacks.h"
#include "dual_command_line.h"
#include "dual_steps.h"
#include "qx_wifi.h"
#include "termination.h"

#include <cstdio>

namespace wifi_tools {

namespace {

void refuse_command(char *) {
    std::printf("[wlan_dual_demo]only wait exit command!\n");
}

void shut_down(const DualCommandLine &cl) {
    if (cl.station)
        std::printf("[wlan_dual_demo]qx_wifi_sta_stop ret:%d\n", qx_wifi_sta_stop_ext(0));
    std::printf("[wlan_dual_demo]qx_wifi_ap_stop ret:%d\n", qx_wifi_ap_stop_ext(0, cl.work_mode));
    std::printf("[wlan_dual_demo]user_wifi_disable ret:%d\n", user_wifi_disable());
    qx_wifi_uninit_ext(0);
    std::printf("[wlan_dual_demo]test end.\n");
}

} // namespace

int run_dual_demo(int argc, char **argv) {
    DualCommandLine cl = parse_dual_command_line(argc, argv);
    hide_pass_phrase(cl);
    std::printf("[wlan_dual_demo]test begin.\n");
    install_termination_handler();
    if (init_wifi_library() == 0)
        register_dual_callbacks();

    if (int ret = user_wifi_enable()) {
        qx_wifi_uninit_ext(0);
        std::printf("[wlan_dual_demo]user_wifi_enable fail:%d!!!\n", ret);
        return 0;
    }
    std::printf("[wlan_dual_demo]qx_wifi_work_mode_set AP%d ret:%d\n", cl.work_mode,
                qx_wifi_work_mode_set_ext(0, cl.work_mode));

    if (int ret = user_ap_enable(cl.work_mode)) {
        std::printf("[wlan_dual_demo]user_ap_enable fail:%d!!!\n", ret);
        user_wifi_disable();
        qx_wifi_uninit_ext(0);
        return 0;
    }
    std::printf("[wlan_dual_demo]user_ap_enable succ\n");

    if (cl.station) {
        if (int ret = user_sta_enable(cl)) {
            std::printf("[wlan_dual_demo]user_sta_enable fail:%d!!!\n", ret);
            user_wifi_disable();
            qx_wifi_uninit_ext(0);
            return 0;
        }
        std::printf("[wlan_dual_demo]user_sta_enable succ\n");
    }

    run_console("[wlan_dual_demo]when want to off, input command:\n", refuse_command);
    shut_down(cl);
    return 0;
}

} // namespace wifi_tools
