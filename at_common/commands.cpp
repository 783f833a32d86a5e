// SPDX-License-Identifier: MIT
// The command table and its lookup by name prefix.
#include "liborvo-at-common.h"
#include "logger.h"

#include <cstring>

namespace at_common {

namespace {

const orvo_at_command commands[] = {
    {"CGIR", orvo_handle_version},
    {"LEELSP", orvo_handle_autosuspend},
    {"NETLED", orvo_handle_netled},
    {"STATUSLED", orvo_handle_statusled},
    {"DDRID", orvo_handle_ddr_identify},
    {"HALTENABLE", orvo_handle_halt_enable},
    {nullptr, nullptr},
};

} // namespace

} // namespace at_common

using namespace at_common;

// A row matches when the text begins with its name: "CGIR", "CGIR?" and "CGIR=1" all select
// the first row.
ORVO_EXPORT const orvo_at_command *find_command(char *text) {
    library_log(kAtTrace, "function %s line %d input %s\n", "find_command", 177,
                text != nullptr ? text : "(null)");
    if (text == nullptr)
        return nullptr;
    int ret = 0;
    for (const orvo_at_command *row = commands; row->cmd != nullptr; ++row) {
        size_t length = strlen(row->cmd);
        ret = strncmp(text, row->cmd, length);
        if (ret == 0) {
            library_log(kAtTrace,
                        "function %s line %d find input %s commands[i].cmd %s  strlen %d ret %d\n",
                        "find_command", 185, text, row->cmd, static_cast<int>(length), ret);
            return row;
        }
    }
    library_log(kAtTrace, "function %s line %d not find ret %d \n", "find_command", 189, ret);
    return nullptr;
}
