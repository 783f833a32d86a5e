// SPDX-License-Identifier: MIT
// AT+CGIR: the software version.
#include "liborvo-at-common.h"
#include "logger.h"
#include "response.h"

#include "common/version.h"

#include <cstdio>

ORVO_EXPORT void orvo_handle_version(char *) {
    char line[64] = {};
    snprintf(line, sizeof line, "+CGIR:%s\r\n", orvo::kSoftwareVersion);
    at_common::at_emit(line);
    orvo_response_ok();
}
