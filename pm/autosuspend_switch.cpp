// SPDX-License-Identifier: MIT
// Automatic suspend switched on and off through the autosuspend service.
#include "liborvo-autosuspend.h"
#include "liborvo-kesl-autosuspend.h"
#include "logger.h"

#include "common/export.h"

extern "C" ORVO_EXPORT int kesl_autosuspend_enable(char enable) {
    int result;
    if (enable == '1')
        result = orvo_autosleep_enable();
    else if (enable == '0')
        result = orvo_autosleep_disable();
    else
        return -6;
    return result >= 0 ? 0 : result;
}
