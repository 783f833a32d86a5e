// SPDX-License-Identifier: MIT
#include "common/library_log.h"

namespace orvo {

orvo_log_function_t library_log = nullptr;

void bind_library_log(const char *tag) {
    library_log = orvo_log_function_init(tag);
}

} // namespace orvo
