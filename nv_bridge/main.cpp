// SPDX-License-Identifier: MIT
// paramlinkd: relays NV parameter requests from the modem core (rpmsg channel) to the
// parameter service (queue 4134) and carries the answers back, under a wake lock.
// The fatal stops report through the C library's assertion failure in every build.
#undef NDEBUG
#include <cassert>

#include "channel.h"
#include "daemon.h"
#include "reply_timer.h"

#include <cstdio>

namespace {

// The lines the fatal stops name, kept from the module's earlier builds for its log readers.
constexpr unsigned kLineNoFirstBuffer = 301;
constexpr unsigned kLineNoAnswerWrite = 319;

nvrpc::Buffers g_buffers;
char g_stdout_buffer[BUFSIZ];

// The daemon's two fatal stops, whatever NDEBUG says.
[[noreturn]] void fatal_stop(unsigned line) {
    __assert_fail("0", "main.cpp", line, "main");
}

} // namespace

int main() {
    // Lines reach a log file as they are printed, not when a buffer fills.
    setvbuf(stdout, g_stdout_buffer, _IOLBF, sizeof g_stdout_buffer);

    nvrpc::Started started = nvrpc::start_up();
    nvrpc::ReplyTimer reply_timer; // after start_up: the SIGALRM handler is in place
    if (!nvrpc::channel_wait_first_message(started.channel))
        fatal_stop(kLineNoFirstBuffer);
    for (;;) {
        if (nvrpc::serve_one_frame(started.channel, g_buffers, started.tid, reply_timer) ==
            nvrpc::Pass::write_failed)
            fatal_stop(kLineNoAnswerWrite);
    }
}
