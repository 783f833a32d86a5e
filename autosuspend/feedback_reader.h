/* SPDX-License-Identifier: MIT */
// The detached thread that reads wake-up records from the data channel.
#pragma once

namespace autosuspend {

// Thread entry; arg carries the connected data-channel descriptor.
void *feedback_reader_main(void *arg);

} // namespace autosuspend
