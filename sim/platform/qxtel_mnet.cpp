// SPDX-License-Identifier: MIT
// libqxtel stand-in: the network wake-up whitelist.
#include "common/export.h"
#include "qx_mnet.h"
#include "simctl.h"

extern "C" ORVO_EXPORT int qx_mnet_whitelist_clear(void) {
    sim::record("libqxtel", "qx_mnet_whitelist_clear");
    return sim::fail_code("qx_mnet_whitelist_clear");
}
