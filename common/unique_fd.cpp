// SPDX-License-Identifier: MIT
#include "common/unique_fd.h"

namespace orvo {

UniqueFd open_fd(const char *path, int flags, mode_t mode) {
    return UniqueFd(::open(path, flags | O_CLOEXEC, mode));
}

} // namespace orvo
