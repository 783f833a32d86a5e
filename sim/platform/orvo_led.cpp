// SPDX-License-Identifier: MIT
// liborvo-led stand-in: keeps each LED's mode in the control directory, modes 0 to 3.
#include "orvo_led.h"
#include "common/export.h"
#include "simctl.h"

#include <string>

namespace {

constexpr int kLastMode = 3;

int set_led(const char *call, const char *led, int mode) {
    sim::record("liborvo-led", "%s %d", call, mode);
    if (int code = sim::fail_code(call))
        return code;
    if (mode < 0 || mode > kLastMode)
        return -1;
    if (sim::active())
        sim::write_file(sim::path(std::string("led.") + led), std::to_string(mode) + "\n");
    return 0;
}

} // namespace

extern "C" ORVO_EXPORT int orvo_set_netled_on(int mode) {
    return set_led("orvo_set_netled_on", "net", mode);
}

extern "C" ORVO_EXPORT int orvo_set_statusled_on(int mode) {
    return set_led("orvo_set_statusled_on", "status", mode);
}
