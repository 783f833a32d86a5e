// SPDX-License-Identifier: MIT
// A wait on the alarm clock that wakes the module from suspend, as a device's wake-up
// interrupt would, and keeps it awake until what the wake-up was for is done.
#include "simclient.h"

#include <cerrno>
#include <ctime>
#include <sys/epoll.h>
#include <sys/timerfd.h>
#include <unistd.h>

namespace sim {

namespace {

// The alarm clock where the caller may wake the system (CAP_WAKE_ALARM), else boot time.
orvo::UniqueFd boot_time_timer() {
    orvo::UniqueFd timer(timerfd_create(CLOCK_BOOTTIME_ALARM, TFD_CLOEXEC));
    if (!timer)
        timer = orvo::UniqueFd(timerfd_create(CLOCK_BOOTTIME, TFD_CLOEXEC));
    return timer;
}

} // namespace

std::optional<WakeHold> wait_waking(int ms) {
    WakeHold hold;
    hold.timer = boot_time_timer();
    hold.poll = orvo::UniqueFd(epoll_create1(EPOLL_CLOEXEC));
    if (!hold.timer || !hold.poll)
        return std::nullopt;
    itimerspec due{};
    due.it_value.tv_sec = ms / 1000;
    due.it_value.tv_nsec = (ms % 1000) * 1000000L + 1; // zero would disarm it
    // EPOLLWAKEUP: from the moment the alarm fires the kernel keeps the system awake, until
    // the hold is dropped (without CAP_BLOCK_SUSPEND the kernel drops the flag).
    epoll_event watch{};
    watch.events = EPOLLIN | EPOLLWAKEUP;
    if (timerfd_settime(hold.timer.get(), 0, &due, nullptr) != 0 ||
        epoll_ctl(hold.poll.get(), EPOLL_CTL_ADD, hold.timer.get(), &watch) != 0)
        return std::nullopt;
    epoll_event fired{};
    int n;
    while ((n = epoll_wait(hold.poll.get(), &fired, 1, -1)) < 0 && errno == EINTR) {
    }
    if (n != 1)
        return std::nullopt;
    return hold;
}

} // namespace sim
