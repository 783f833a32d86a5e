// SPDX-License-Identifier: MIT
// AT+DDRID: the DDR size, from the identification register as devmem prints it.
#include "liborvo-at-common.h"
#include "logger.h"
#include "response.h"

#include "common/pipe_stream.h"

#include <cstdio>
#include <cstring>

namespace at_common {

namespace {

constexpr const char *kReadDdrId = "devmem 0x0121b040";
constexpr size_t kIdLength = 10; // "0x" and eight hexadecimal digits

struct DdrSize {
    const char *id;
    const char *line;
};

constexpr DdrSize kSizes[] = {
    {"0xF8631600", "+DDRID:2Gb ddr\r\n"},
    {"0xF8631700", "+DDRID:2Gb ddr\r\n"},
    {"0xF8631300", "+DDRID:4Gb ddr\r\n"},
    {"0xF8631500", "+DDRID:4Gb ddr\r\n"},
};

} // namespace

} // namespace at_common

using namespace at_common;

ORVO_EXPORT void orvo_handle_ddr_identify(char *) {
    char reading[64] = {};
    {
        orvo::PipeStream pipe(kReadDdrId);
        if (!pipe) {
            orvo_response_error(kAtFailure);
            return;
        }
        if (fgets(reading, sizeof reading, pipe.get()) == nullptr)
            reading[0] = '\0';
    }
    for (const DdrSize &size : kSizes) {
        if (strncmp(reading, size.id, kIdLength) == 0) {
            at_emit(size.line);
            orvo_response_ok();
            return;
        }
    }
    at_emit("+DDRID:no matching ddr\r\n");
    orvo_response_error(kAtFailure);
}
