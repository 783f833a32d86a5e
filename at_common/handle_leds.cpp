// SPDX-License-Identifier: MIT
// AT+NETLED and AT+STATUSLED: the LED mode is the last character's distance from '0'.
#include "liborvo-at-common.h"
#include "logger.h"
#include "orvo_led.h"
#include "response.h"

namespace at_common {

namespace {

void set_led(int (*set_mode)(int), const char *text) {
    at_answer(set_mode(at_last_char(text) - '0') == 0);
}

} // namespace

} // namespace at_common

using namespace at_common;

ORVO_EXPORT void orvo_handle_netled(char *text) {
    library_log(kAtInfo, "orvo_handle_netled start\n");
    set_led(orvo_set_netled_on, text);
}

ORVO_EXPORT void orvo_handle_statusled(char *text) {
    library_log(kAtInfo, "orvo_handle_statusled start\n");
    set_led(orvo_set_statusled_on, text);
}
