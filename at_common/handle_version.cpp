// AT+CGIR: the software version.
#include "at_log.h"
#include "liborvo-at-common.h"
#include "response.h"

#include <cstdio>

namespace {

constexpr const char *kSoftwareVersion = "R220-NYY-BASE2WLAN-K40Q07.AP.19.09_CAP.19.09";

} // namespace

ORVO_AT_EXPORT void orvo_handle_version(char *) {
    char line[64] = {};
    snprintf(line, sizeof line, "+CGIR:%s\r\n", kSoftwareVersion);
    at_emit(line);
    orvo_response_ok();
}
