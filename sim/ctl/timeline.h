/* SPDX-License-Identifier: MIT */
// A picture of the module's sleep: from the autosuspend service's journal (its "suspend"
// and "cause" lines), an SVG timeline of awake and asleep periods, each with what woke the
// board and what held it awake, and a table of awake time per wakeup source.
#pragma once

#include <string>

namespace sim::ctl {

std::string timeline_svg(const std::string &journal);

} // namespace sim::ctl
