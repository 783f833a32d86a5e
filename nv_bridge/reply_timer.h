/* SPDX-License-Identifier: MIT */
// The bound on each wait for the parameter service's reply: a timer of the daemon's own,
// apart from the one-shot start-up alarm, raising SIGALRM, whose handler only interrupts.
#pragma once

#include <ctime>

namespace nvrpc {

constexpr time_t kReplyWaitSeconds = 20;

class ReplyTimer {
  public:
    // Needs the SIGALRM handler in place. Without a timer the waits are unbounded.
    ReplyTimer();
    ~ReplyTimer();
    ReplyTimer(const ReplyTimer &) = delete;
    ReplyTimer &operator=(const ReplyTimer &) = delete;

    void arm();
    void disarm();

  private:
    timer_t timer_{};
    bool created_ = false;
};

// Arms the timer for one blocking wait; a wait it ends fails with EINTR.
class ReplyWaitBound {
  public:
    explicit ReplyWaitBound(ReplyTimer &timer) : timer_(timer) { timer_.arm(); }
    ~ReplyWaitBound();
    ReplyWaitBound(const ReplyWaitBound &) = delete;
    ReplyWaitBound &operator=(const ReplyWaitBound &) = delete;

  private:
    ReplyTimer &timer_;
};

} // namespace nvrpc
