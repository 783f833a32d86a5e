// SPDX-License-Identifier: MIT
#include "dual_waits.h"

#include "qx_wifi.h"

#include <cstring>
#include <unistd.h>

namespace wifi_tools {

namespace {

constexpr int kTries = 5;
constexpr int kSucceeded = 0;
constexpr int kFailed = 1;
constexpr int kUnsettled = 11;
constexpr int kPending = -1;

// query() returns kSucceeded, kFailed or kPending; a query that gets no answer is pending.
// A signal cuts the sleep short; the query is then made at once.
template <typename Query> int wait_for(Query query) {
    for (int i = 0; i < kTries; i++) {
        int outcome = query();
        if (outcome != kPending)
            return outcome;
    }
    return kUnsettled;
}

int judge_enable_state(int32_t state, int32_t wanted) {
    if (state == wanted)
        return kSucceeded;
    if (state == QX_WIFI_ENABLE_FAILED || state == QX_WIFI_DISABLE_FAILED)
        return kFailed;
    return kPending;
}

} // namespace

int user_wait_enable_status() {
    return wait_for([] {
        int32_t state = 0;
        sleep(1);
        if (qx_wifi_get_enable_status_ext(0, &state) != 0)
            return kPending;
        return judge_enable_state(state, QX_WIFI_ENABLED);
    });
}

int user_wait_disable_status() {
    return wait_for([] {
        int32_t state = QX_WIFI_CHANGING;
        sleep(1);
        if (qx_wifi_get_enable_status_ext(0, &state) != 0)
            return kPending;
        return judge_enable_state(state, QX_WIFI_DISABLED);
    });
}

int user_wait_ap_start_status(int ap_index) {
    return wait_for([ap_index] {
        wifi_ap_status record;
        std::memset(&record, 0, sizeof record);
        sleep(1);
        if (qx_wifi_ap_get_status_ext(0, ap_index, &record) != 0)
            return kPending;
        if (record.state == QX_WIFI_AP_UP)
            return kSucceeded;
        return record.state == QX_WIFI_AP_FAILED ? kFailed : kPending;
    });
}

// A failed state with a reason code is not final: the station may still come up.
int user_wait_sta_start_status() {
    return wait_for([] {
        wifi_sta_status record;
        std::memset(&record, 0, sizeof record);
        sleep(1);
        if (qx_wifi_sta_get_status_ext(0, &record) != 0)
            return kPending;
        if (record.state == QX_WIFI_STA_UP)
            return kSucceeded;
        if (record.state == QX_WIFI_STA_FAILED && record.sta_code == 0)
            return kFailed;
        return kPending;
    });
}

} // namespace wifi_tools
