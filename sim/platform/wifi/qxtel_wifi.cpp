// SPDX-License-Identifier: MIT
// libqxtel stand-in: the Wi-Fi client calls over the simulated Wi-Fi service.
#include "callback_thread.h"
#include "common/export.h"
#include "indications.h"
#include "qx_wifi.h"
#include "simctl.h"
#include "wifi_model.h"

#include <cstdio>
#include <cstring>
#include <string>

#define EXPORT extern "C" ORVO_EXPORT

using sim::wifi::World;

namespace {

// The stand-in's own error codes.
constexpr int kBadArgument = -1;
constexpr int kNotReady = -2; // Wi-Fi not enabled, the client not initialised, or no service
constexpr int kUnknown = -3;  // no station parameters, or no such station

// Records the call; its scripted failure code, kNotReady while the service is stopped, or
// kBadArgument for another client.
int begin(const char *call, int client, const std::string &args = "") {
    sim::record("libqxtel", "%s %d%s", call, client, args.c_str());
    if (int code = sim::fail_code(call))
        return code;
    if (!sim::service_running("wifi"))
        return kNotReady;
    return client == 0 ? 0 : kBadArgument;
}

bool enabled(const World &w, int64_t now) {
    return sim::wifi::enable_state(w, now) == QX_WIFI_ENABLED;
}

// Runs change on the service while Wi-Fi is enabled, kNotReady otherwise. change(w, now,
// result) may set the call's result (0 unless it does) and says whether it changed the state.
template <typename Change> int while_enabled(Change change) {
    int64_t now = sim::wifi::now_ms();
    int result = 0;
    sim::wifi::update([&](World &w) {
        if (!enabled(w, now)) {
            result = kNotReady;
            return false;
        }
        return change(w, now, result);
    });
    return result;
}

// begin() for a call on an access point: kBadArgument for an index that names none.
int begin_ap(const char *call, int client, int ap_index) {
    if (int code = begin(call, client, " " + std::to_string(ap_index)))
        return code;
    return ap_index < 0 || ap_index >= sim::wifi::kApCount ? kBadArgument : 0;
}

template <typename Callback>
int register_callback(const char *call, int client, std::atomic<Callback> &slot, Callback cb) {
    if (int code = begin(call, client))
        return code;
    if (!sim::wifi::indications_running())
        return kNotReady;
    slot = cb;
    return 0;
}

std::string text_of(const char *field, size_t width) {
    return std::string(field, strnlen(field, width));
}

} // namespace

EXPORT int qx_wifi_init_ext(int client) {
    if (int code = begin("qx_wifi_init_ext", client))
        return code;
    sim::wifi::start_indications();
    sim::start_asked_callback_thread();
    return 0;
}

EXPORT int qx_wifi_uninit_ext(int client) {
    if (int code = begin("qx_wifi_uninit_ext", client))
        return code;
    sim::wifi::stop_indications();
    return 0;
}

EXPORT int qx_wifi_set_enable_status_ind_cb_ext(int client, qx_wifi_enable_status_cb cb) {
    return register_callback("qx_wifi_set_enable_status_ind_cb_ext", client,
                             sim::wifi::callbacks().enable, cb);
}

EXPORT int qx_wifi_ap_set_status_ind_cb_ext(int client, qx_wifi_ap_status_cb cb) {
    return register_callback("qx_wifi_ap_set_status_ind_cb_ext", client, sim::wifi::callbacks().ap,
                             cb);
}

EXPORT int qx_wifi_set_ap_sta_connect_ind_cb_ext(int client, qx_wifi_ap_sta_connect_cb cb) {
    return register_callback("qx_wifi_set_ap_sta_connect_ind_cb_ext", client,
                             sim::wifi::callbacks().ap_sta_connect, cb);
}

EXPORT int qx_wifi_sta_set_status_ind_cb_ext(int client, qx_wifi_sta_status_cb cb) {
    return register_callback("qx_wifi_sta_set_status_ind_cb_ext", client,
                             sim::wifi::callbacks().sta, cb);
}

EXPORT int qx_wifi_sta_set_scan_result_ind_cb_ext(int client, qx_wifi_scan_result_cb cb) {
    return register_callback("qx_wifi_sta_set_scan_result_ind_cb_ext", client,
                             sim::wifi::callbacks().scan, cb);
}

EXPORT int qx_wifi_set_service_error_cb_ext(int client, qx_wifi_service_error_cb cb) {
    return register_callback("qx_wifi_set_service_error_cb_ext", client,
                             sim::wifi::callbacks().error, cb);
}

EXPORT int qx_wifi_enable_ext(int client) {
    if (int code = begin("qx_wifi_enable_ext", client))
        return code;
    int64_t now = sim::wifi::now_ms();
    sim::wifi::update([now](World &w) {
        int state = sim::wifi::enable_state(w, now);
        if (w.service.enable_target && (state == QX_WIFI_ENABLED || state == QX_WIFI_CHANGING))
            return false; // already on or on its way
        w.service.enable_target = 1;
        w.service.enable_since = now;
        return true;
    });
    return 0;
}

EXPORT int qx_wifi_disable_ext(int client) {
    if (int code = begin("qx_wifi_disable_ext", client))
        return code;
    int64_t now = sim::wifi::now_ms();
    sim::wifi::update([now](World &w) {
        sim::wifi::Service &v = w.service;
        int state = sim::wifi::enable_state(w, now);
        if (v.enable_since < 0 ||
            (!v.enable_target && (state == QX_WIFI_DISABLED || state == QX_WIFI_CHANGING)))
            return false; // already off or on its way
        v.enable_target = 0;
        v.enable_since = now;
        // Whatever ran on Wi-Fi goes down with it, at once.
        for (int i = 0; i < sim::wifi::kApCount; i++)
            v.ap_target[i] = v.ap_held[i] = 0;
        v.sta_target = v.sta_held = 0;
        return true;
    });
    return 0;
}

EXPORT int qx_wifi_get_enable_status_ext(int client, int32_t *state) {
    if (int code = begin("qx_wifi_get_enable_status_ext", client))
        return code;
    if (!state)
        return kBadArgument;
    *state = sim::wifi::enable_state(sim::wifi::snapshot(), sim::wifi::now_ms());
    return 0;
}

EXPORT int qx_wifi_work_mode_set_ext(int client, int mode) {
    if (int code = begin("qx_wifi_work_mode_set_ext", client, " " + std::to_string(mode)))
        return code;
    if (mode < 0 || mode >= sim::wifi::kApCount)
        return kBadArgument;
    return while_enabled([mode](World &w, int64_t, int &) {
        w.service.work_mode = mode;
        return true;
    });
}

// Access point 1 exists only in work mode 1.
EXPORT int qx_wifi_ap_start_ext(int client, int ap_index) {
    if (int code = begin_ap("qx_wifi_ap_start_ext", client, ap_index))
        return code;
    return while_enabled([ap_index](World &w, int64_t now, int &result) {
        sim::wifi::Service &v = w.service;
        if (ap_index > v.work_mode) {
            result = kBadArgument;
            return false;
        }
        int state = sim::wifi::ap_state(w, ap_index, now);
        if (v.ap_target[ap_index] && (state == QX_WIFI_AP_UP || state == QX_WIFI_AP_STARTING))
            return false;
        v.ap_target[ap_index] = 1;
        v.ap_since[ap_index] = now;
        return true;
    });
}

EXPORT int qx_wifi_ap_stop_ext(int client, int ap_index) {
    if (int code = begin_ap("qx_wifi_ap_stop_ext", client, ap_index))
        return code;
    return while_enabled([ap_index](World &w, int64_t now, int &) {
        sim::wifi::Service &v = w.service;
        if (!v.ap_target[ap_index])
            return false; // not running: nothing to stop
        v.ap_held[ap_index] = sim::wifi::ap_state(w, ap_index, now);
        v.ap_target[ap_index] = 0;
        v.ap_since[ap_index] = now;
        return true;
    });
}

EXPORT int qx_wifi_ap_get_status_ext(int client, int ap_index, wifi_ap_status *status) {
    if (int code = begin_ap("qx_wifi_ap_get_status_ext", client, ap_index))
        return code;
    if (!status)
        return kBadArgument;
    sim::wifi::fill_ap_status(sim::wifi::snapshot(), ap_index, sim::wifi::now_ms(), status);
    return 0;
}

// An open network (auth 0) takes no pass phrase; the others need 8 to 63 bytes.
EXPORT int qx_wifi_sta_param_set_ext(int client, const wifi_sta_param *param) {
    std::string ssid, pw;
    if (param) {
        ssid = text_of(param->ssid, sizeof param->ssid);
        pw = text_of(param->pw, sizeof param->pw);
    }
    std::string args = param ? " ssid=" + ssid + " auth=" + std::to_string(param->auth) +
                                   " auth_aux=" + std::to_string(param->auth_aux) + " pw=" + pw
                             : "";
    if (int code = begin("qx_wifi_sta_param_set_ext", client, args))
        return code;
    bool valid = param && !ssid.empty() && param->auth >= 0 && param->auth <= 4 &&
                 (param->auth == 0 || (pw.size() >= 8 && pw.size() <= 63));
    // Rejected parameters leave the station without a network to join.
    sim::wifi::update([&](World &w) {
        sim::wifi::Service &v = w.service;
        v.sta_configured = valid;
        if (!valid)
            return true;
        v.sta_ssid = ssid;
        v.sta_pw = pw;
        v.sta_auth = param->auth;
        return true;
    });
    return valid ? 0 : kBadArgument;
}

EXPORT int qx_wifi_sta_start_ext(int client) {
    if (int code = begin("qx_wifi_sta_start_ext", client))
        return code;
    return while_enabled([](World &w, int64_t now, int &result) {
        sim::wifi::Service &v = w.service;
        if (!v.sta_configured) {
            result = kUnknown;
            return false;
        }
        int state = sim::wifi::sta_state(w, now);
        if (v.sta_target && (state == QX_WIFI_STA_UP || state == QX_WIFI_STA_CONNECTING))
            return false;
        v.sta_target = 1;
        v.sta_since = now;
        return true;
    });
}

EXPORT int qx_wifi_sta_stop_ext(int client) {
    if (int code = begin("qx_wifi_sta_stop_ext", client))
        return code;
    return while_enabled([](World &w, int64_t now, int &) {
        sim::wifi::Service &v = w.service;
        if (!v.sta_target)
            return false;
        v.sta_held = sim::wifi::sta_state(w, now);
        v.sta_target = 0;
        v.sta_since = now;
        return true;
    });
}

EXPORT int qx_wifi_sta_get_status_ext(int client, wifi_sta_status *status) {
    if (int code = begin("qx_wifi_sta_get_status_ext", client))
        return code;
    if (!status)
        return kBadArgument;
    sim::wifi::fill_sta_status(sim::wifi::snapshot(), sim::wifi::now_ms(), status);
    return 0;
}

EXPORT int qx_wifi_get_hostname_by_mac_ext(int client, const char *mac, char *hostname, int len) {
    if (int code = begin("qx_wifi_get_hostname_by_mac_ext", client,
                         std::string(" ") + (mac ? mac : "(null)") + " " + std::to_string(len)))
        return code;
    if (!mac || !hostname || len <= 0)
        return kBadArgument;
    World w = sim::wifi::snapshot();
    auto it = w.service.hosts.find(mac);
    if (it == w.service.hosts.end() || it->second.empty())
        return kUnknown;
    std::snprintf(hostname, static_cast<size_t>(len), "%s", it->second.c_str());
    return 0;
}

EXPORT int qx_wifi_drv_test_mode_ext(int client, int on) {
    if (int code = begin("qx_wifi_drv_test_mode_ext", client, " " + std::to_string(on)))
        return code;
    if (on != 0 && on != 1)
        return kBadArgument;
    int64_t now = sim::wifi::now_ms();
    int result = 0;
    sim::wifi::update([&](World &w) {
        // On real radios test mode takes the access point's radio: only while Wi-Fi is off.
        if (w.stack.real && sim::wifi::enable_state(w, now) != QX_WIFI_DISABLED) {
            result = kNotReady;
            return false;
        }
        w.service.test_mode = on;
        return true;
    });
    return result;
}
