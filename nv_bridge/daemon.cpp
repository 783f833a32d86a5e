// SPDX-License-Identifier: MIT
#include "daemon.h"

#include "channel.h"
#include "nvrpc_codec.h"
#include "relay.h"
#include "wakelock.h"

#include <csignal>
#include <sys/syscall.h>
#include <sys/time.h>
#include <unistd.h>

namespace nvrpc {

namespace {

constexpr time_t kFirstAlarmSeconds = 20;

void on_alarm(int) {}

void arm_first_alarm() {
    struct sigaction action {};
    action.sa_handler = on_alarm;
    sigemptyset(&action.sa_mask);
    sigaction(SIGALRM, &action, nullptr);
    itimerval timer{};
    timer.it_value.tv_sec = kFirstAlarmSeconds;
    setitimer(ITIMER_REAL, &timer, nullptr);
}

} // namespace

Started start_up() {
    wakelock_take();
    Started started{};
    started.channel = channel_open();
    started.tid = static_cast<int32_t>(syscall(SYS_gettid));
    arm_first_alarm();
    return started;
}

Pass serve_one_frame(int channel, Buffers &buffers, int32_t tid, ReplyTimer &timer) {
    nvrpc_frame &frame = buffers.frame;
    if (frame_read(channel, frame, kSelectTimeoutSeconds) != 0)
        return Pass::idle;
    if (frame.cmd != kCmdRequest)
        return Pass::idle;
    wakelock_take();
    // A request that cannot be relayed goes back as it came, so the modem core never waits.
    if (request_parts_ok(frame))
        relay_request(frame, buffers.req, buffers.rsp, tid, timer);
    frame.cmd = kCmdAnswer;
    if (frame_write(channel, frame) != 0)
        return Pass::write_failed;
    wakelock_release();
    return Pass::answered;
}

} // namespace nvrpc
