/* SPDX-License-Identifier: MIT */
// The software version published into the UCI store.
#pragma once

namespace defaults {

// Sets the version section of the read-only config, under both version options, with one
// orvo_uci_set each. A failing write is not reported: the second is made all the same.
void publish_version();

} // namespace defaults
