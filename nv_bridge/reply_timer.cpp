// SPDX-License-Identifier: MIT
#include "reply_timer.h"

#include <cerrno>
#include <csignal>
#include <cstdio>

namespace nvrpc {

ReplyTimer::ReplyTimer() {
    sigevent event{};
    event.sigev_notify = SIGEV_SIGNAL;
    event.sigev_signo = SIGALRM;
    created_ = timer_create(CLOCK_MONOTONIC, &event, &timer_) == 0;
    if (!created_)
        printf("nv error: timer_create fail, errno = %d!\n", errno);
}

ReplyTimer::~ReplyTimer() {
    if (created_)
        timer_delete(timer_);
}

void ReplyTimer::arm() {
    if (!created_)
        return;
    // A signal that lands just before the wait blocks would be lost; the timer then fires
    // again each second, so the wait still ends.
    itimerspec expiry{};
    expiry.it_value.tv_sec = kReplyWaitSeconds;
    expiry.it_interval.tv_sec = 1;
    timer_settime(timer_, 0, &expiry, nullptr);
}

void ReplyTimer::disarm() {
    if (!created_)
        return;
    itimerspec expiry{};
    timer_settime(timer_, 0, &expiry, nullptr);
}

// Keeps the wait's errno for its caller. A single thread takes any expiry before the
// disarming call returns, so no late signal reaches the next blocking call.
ReplyWaitBound::~ReplyWaitBound() {
    int saved_errno = errno;
    timer_.disarm();
    errno = saved_errno;
}

} // namespace nvrpc
