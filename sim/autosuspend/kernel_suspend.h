/* SPDX-License-Identifier: MIT */
// The autosuspend service's cycle on a real kernel (the emulated board), on a thread of its
// own: the loop user-space autosuspend daemons run. It reads /sys/power/wakeup_count (which
// blocks while a wake lock or a wake-up event is active), writes the count back (refused
// when an event came in between), arms the paging alarm on the RTC, as the modem's paging
// wakes a module, and writes the sleep state to /sys/power/state, which returns once the
// kernel has slept and woken, or refused. It pauses between attempts, so that what a
// wake-up woke can take its wake lock first.
#pragma once

#include "common/unique_fd.h"
#include "wakeup_sources.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace sim::autosuspend {

// One sleep, in milliseconds of CLOCK_BOOTTIME (which runs on while the kernel sleeps),
// with the wakeup sources that had wake-up events while it slept (what woke it) and those that
// held the board awake between the wake-up before it and its start ("-" for none).
struct Sleep {
    int32_t sleep_start;
    int32_t wakeup;
    std::string woken_by;
    std::string held_by;
};

class KernelSuspend {
  public:
    // Whether the kernel can be put to sleep from here: the emulated board's.
    static bool available();

    KernelSuspend();
    // Ends the loop, also one blocked in the kernel, and joins it.
    ~KernelSuspend();
    KernelSuspend(const KernelSuspend &) = delete;
    KernelSuspend &operator=(const KernelSuspend &) = delete;

    bool start();
    // Disabled, the loop stops once the attempt under way has ended.
    void set_enabled(bool enabled);
    // The least time awake before each attempt (100 ms unless set; a second after a
    // refused one).
    void set_pause_ms(int ms);
    // Readable while sleeps are waiting to be taken.
    int ready_fd() const { return ready_.get(); }
    std::vector<Sleep> take_sleeps();
    // "sleeps N, refused N, attempts N" for the service's control.
    std::string counts();
    // Between taking the wake-up count and the kernel's return from sleep: an attempt that
    // goes on after the loop was disabled.
    bool suspending();

  private:
    void loop();
    void pause(std::unique_lock<std::mutex> &lock, bool after_refusal);
    bool attempt();
    bool begin_suspend();
    void end_suspend(const std::optional<Sleep> &sleep, bool refused);

    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool enabled_ = false;    // guarded by mutex_
    bool stopping_ = false;   // guarded by mutex_
    bool suspending_ = false; // guarded by mutex_
    int pause_ms_;            // guarded by mutex_
    std::vector<Sleep> sleeps_;
    long sleeps_done_ = 0;
    long refused_ = 0;
    long attempts_ = 0;
    orvo::UniqueFd ready_;   // eventfd
    Sources at_last_wakeup_; // the loop's own
    std::atomic<bool> done_{false};
};

} // namespace sim::autosuspend
