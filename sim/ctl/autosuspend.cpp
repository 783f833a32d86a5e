// SPDX-License-Identifier: MIT
// ctl autosuspend: requests of the autosuspend service.
#include "simclient.h"
#include "simctl.h"
#include "timeline.h"
#include "topics.h"

#include <cstdio>
#include <optional>

namespace sim::ctl {

namespace {

const char kUsage[] = R"(usage: sim/module ctl autosuspend REQUEST

  send [SLEEP_START WAKEUP]        send a wake-up record now to every data channel
  send-split [SLEEP_START WAKEUP]  the same, in two 4-byte pieces 100 ms apart
  close                            close every command and data channel
  unlisten                         stop listening (the socket files go away)
  reset                            close everything and listen again, automatic suspend off
  timing SLEEP_MS AWAKE_MS         how long a simulated suspend lasts and the least time
                                   awake between (where the kernel itself sleeps, the
                                   least time awake before each attempt, 100 ms at least)
  state                            automatic suspend, sleep state, listening, channels
  cycles                           the simulated cycle's timing, or where the kernel itself
                                   sleeps (the emulated board) its sleeps, refusals and
                                   attempts and the kernel's suspend_stats; paging_ms (ctl
                                   set) is the RTC alarm armed before each sleep there
                                   (1280 ms when unset, in whole seconds; 0: none)
  show                             what it received and sent, one event per line
  timeline [FILE]                  an SVG picture of the sleeps that show lists (or FILE,
                                   lines that it listed): awake and asleep periods, what
                                   woke the board and what held it awake (where the kernel
                                   itself sleeps), awake time per wakeup source
  clear                            forget what show lists
  start | stop | restart | status  the service's process (as every service's)
)";

} // namespace

int autosuspend(const Args &args) {
    if (args.empty() || args[0] == "-h" || args[0] == "--help") {
        std::fputs(kUsage, args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    if (args[0] == "timeline" && args.size() <= 2) {
        std::optional<std::string> kept;
        if (args.size() == 2 && !(kept = read_file(args[1])))
            return complain("autosuspend", "cannot read " + args[1]);
        Reply journal = kept ? Reply{true, *kept} : sim::autosuspend("show");
        if (!journal.ok)
            return complain("autosuspend", journal.text);
        std::fputs(timeline_svg(journal.text).c_str(), stdout);
        return 0;
    }
    std::string request;
    for (const auto &word : args)
        request += (request.empty() ? "" : " ") + word;
    Reply reply = sim::autosuspend(request);
    std::fputs(reply.text.c_str(), reply.ok ? stdout : stderr);
    return reply.ok ? 0 : 1;
}

} // namespace sim::ctl
