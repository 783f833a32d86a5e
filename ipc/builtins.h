/* SPDX-License-Identifier: MIT */
// The built-in events of the receive loop.
#pragma once

namespace qxipc {

// Registers the six built-in events and starts with no subscribers (receive thread only).
void register_builtins();

} // namespace qxipc
