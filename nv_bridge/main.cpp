// paramlinkd: relays NV parameter requests from the modem core (rpmsg channel) to the
// parameter service (queue 4134) and carries the answers back, under a wake lock.
// The fatal stops report through the C library's assertion failure in every build.
#undef NDEBUG
#include <cassert>

#include "channel.h"
#include "nvrpc_codec.h"
#include "relay.h"
#include "reply_timer.h"
#include "wakelock.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/syscall.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

constexpr time_t kFirstAlarmSeconds = 20;
// The lines the fatal stops name, kept from the module's earlier builds for its log readers.
constexpr unsigned kLineNoFirstBuffer = 301;
constexpr unsigned kLineNoAnswerWrite = 319;

nvrpc::nvrpc_frame g_frame;
nvrpc::nvrpc_req g_req;
nvrpc::nvrpc_rsp g_rsp;
char g_stdout_buffer[BUFSIZ];

// The daemon's two fatal stops, whatever NDEBUG says.
[[noreturn]] void fatal_stop(unsigned line) {
    __assert_fail("0", "main.cpp", line, "main");
}

void on_alarm(int) {}

// One SIGALRM, 20 s after start, to break a blocking call then in progress.
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

int main() {
    // Lines reach a log file as they are printed, not when a buffer fills.
    setvbuf(stdout, g_stdout_buffer, _IOLBF, sizeof g_stdout_buffer);

    memset(&g_frame, 0, sizeof g_frame);
    nvrpc::wakelock_take();
    int fd = nvrpc::channel_open();
    auto tid = static_cast<int32_t>(syscall(SYS_gettid));
    arm_first_alarm();
    nvrpc::ReplyTimer reply_timer;
    if (!nvrpc::channel_wait_first_message(fd))
        fatal_stop(kLineNoFirstBuffer);

    for (;;) {
        if (nvrpc::frame_read(fd, g_frame, nvrpc::kSelectTimeoutSeconds) != 0)
            continue;
        if (g_frame.cmd != nvrpc::kCmdRequest)
            continue;
        nvrpc::wakelock_take();
        // A request that cannot be relayed goes back as it came, so the modem core never waits.
        if (nvrpc::request_parts_ok(g_frame))
            nvrpc::relay_request(g_frame, g_req, g_rsp, tid, reply_timer);
        g_frame.cmd = nvrpc::kCmdAnswer;
        if (nvrpc::frame_write(fd, g_frame) != 0)
            fatal_stop(kLineNoAnswerWrite);
        nvrpc::wakelock_release();
    }
}
