// SPDX-License-Identifier: MIT
// AT+LEELSP and AT+HALTENABLE: power switches carried out through the shell.
#include "liborvo-at-common.h"
#include "liborvo-kesl-autosuspend.h"
#include "logger.h"
#include "response.h"

#include <cstdlib>

namespace at_common {

namespace {

constexpr const char *kMacPowerDown = "echo 0 >/sys/devices/platform/soc/1307000.gmac/gmac_power";
constexpr const char *kHaltEnable = "echo 0x7:0x0  >/sys/kernel/debug/pmu_kv31/regs";

} // namespace

} // namespace at_common

using namespace at_common;

// The MAC is powered down whatever the switch character, before suspend changes.
ORVO_EXPORT void orvo_handle_autosuspend(char *text) {
    library_log(kAtInfo, "orvo_handle_autosuspend start\n");
    int ignored = system(kMacPowerDown);
    (void)ignored;
    at_answer(kesl_autosuspend_enable(at_last_char(text)) == 0);
}

ORVO_EXPORT void orvo_handle_halt_enable(char *) {
    at_answer(system(kHaltEnable) == 0);
}
