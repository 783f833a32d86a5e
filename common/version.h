/* SPDX-License-Identifier: MIT */
// The software version of this build, as the AT plug-in reports it and orvo-default
// publishes it.
#pragma once

namespace orvo {

constexpr const char kSoftwareVersion[] = "R220-NYY-BASE2WLAN-K40Q07.AP.19.09_CAP.19.09";

} // namespace orvo
