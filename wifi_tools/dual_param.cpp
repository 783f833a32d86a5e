// SPDX-License-Identifier: MIT
#include "dual_param.h"

#include <cstdio>
#include <cstring>

namespace wifi_tools {

namespace {

struct AuthCode {
    const char *text;
    int32_t auth;
    int32_t auth_aux;
};

const AuthCode kAuthCodes[] = {{"0", 0, 0}, {"1", 1, 2}, {"2", 2, 2}, {"3", 3, 0}, {"4", 4, 2}};

} // namespace

int wlan_dual_param_set(wifi_sta_param *record, const char *ssid, const char *pw,
                        const char *auth) {
    std::printf("[wlan_dual_demo]wlan_dual_param [%s-%s-%s]!\n", ssid, pw, auth);
    size_t ssid_len = std::strlen(ssid);
    if (ssid_len == 0 || ssid_len > sizeof record->ssid) {
        std::printf("[wlan_dual_demo]wlan_dual_param ssid [%s] err!\n", ssid);
        return -1;
    }
    // A 32-byte name fills the field; the zero after the field ends it.
    std::memcpy(record->ssid, ssid, ssid_len);
    size_t pw_len = std::strlen(pw);
    if (pw_len < 8 || pw_len > 63) {
        std::printf("[wlan_dual_demo]wlan_dual_param pw [%s] err!\n", pw);
        return -1;
    }
    std::memset(record->pw, 0, sizeof record->pw);
    std::memcpy(record->pw, pw, pw_len);
    for (const AuthCode &code : kAuthCodes) {
        if (std::strcmp(auth, code.text) == 0) {
            record->auth = code.auth;
            record->auth_aux = code.auth_aux;
            return 0;
        }
    }
    std::printf("[wlan_dual_demo]wlan_dual_param auth [%s] err!\n", auth);
    return -1;
}

} // namespace wifi_tools
