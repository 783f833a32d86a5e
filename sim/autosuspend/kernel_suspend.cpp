// SPDX-License-Identifier: MIT
#include "kernel_suspend.h"

#include "simfail.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <optional>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <utility>

namespace sim::autosuspend {
namespace {

constexpr const char kWakeupCount[] = "/sys/power/wakeup_count";
constexpr const char kPowerState[] = "/sys/power/state";
constexpr const char kWakeAlarm[] = "/sys/class/rtc/rtc0/wakealarm";
constexpr const char kBoardDriver[] = "/sys/kernel/debug/orvo_board/control";
// Between attempts, as real autosuspend daemons wait; longer after a refused one.
constexpr int kPauseMs = 100;
constexpr int kPauseAfterRefusalMs = 1000;
// The modem's paging cycle when no setting (ctl set paging_ms N) says otherwise.
constexpr long kDefaultPagingMs = 1280;
// Ends a wait in the kernel when the service stops.
constexpr int kStopSignal = SIGUSR2;

void on_stop_signal(int) {}

int32_t boottime_ms() {
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<int32_t>(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

// The whole text of a kernel file; empty when it cannot be read (EINTR included).
std::string read_text(const char *path) {
    orvo::UniqueFd fd = orvo::open_fd(path, O_RDONLY | O_CLOEXEC);
    char text[128];
    ssize_t n = fd ? read(fd.get(), text, sizeof text - 1) : -1;
    return n > 0 ? std::string(text, static_cast<std::size_t>(n)) : std::string();
}

bool write_text(const char *path, const std::string &text) {
    orvo::UniqueFd fd = orvo::open_fd(path, O_WRONLY | O_CLOEXEC);
    return fd && write(fd.get(), text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

// The RTC's alarm, in whole seconds, at least one: the clock that wakes a sleeping board.
void arm_paging_alarm() {
    long paging_ms = kDefaultPagingMs;
    orvo_sim_setting("paging_ms", &paging_ms);
    if (paging_ms <= 0)
        return;
    long seconds = (paging_ms + 999) / 1000;
    write_text(kWakeAlarm, "0");
    write_text(kWakeAlarm, "+" + std::to_string(seconds));
}

// The state that suspends to idle: "freeze" where the kernel offers it, else "mem".
std::string sleep_state() {
    std::string offered = " " + read_text(kPowerState);
    return offered.find(" freeze") != std::string::npos ? "freeze" : "mem";
}

} // namespace

// Only on the emulated board (its driver is there): anywhere else a kernel that can sleep
// is the machine of whoever runs the simulator.
bool KernelSuspend::available() {
    return access(kBoardDriver, F_OK) == 0 && access(kWakeupCount, R_OK | W_OK) == 0 &&
           access(kPowerState, W_OK) == 0;
}

KernelSuspend::KernelSuspend() : pause_ms_(kPauseMs) {}

KernelSuspend::~KernelSuspend() {
    if (!thread_.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    // The signal ends a read of wakeup_count; sent again until the loop has seen it, since
    // one sent just before the read would be lost.
    while (!done_.load()) {
        pthread_kill(thread_.native_handle(), kStopSignal);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    thread_.join();
}

bool KernelSuspend::start() {
    ready_.reset(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!ready_)
        return false;
    struct sigaction action {};
    action.sa_handler = on_stop_signal; // no SA_RESTART: the kernel's wait ends with EINTR
    sigemptyset(&action.sa_mask);
    sigaction(kStopSignal, &action, nullptr);
    thread_ = std::thread([this] {
        sigset_t stop;
        sigemptyset(&stop);
        sigaddset(&stop, kStopSignal);
        pthread_sigmask(SIG_UNBLOCK, &stop, nullptr);
        loop();
        done_.store(true);
    });
    return true;
}

void KernelSuspend::set_enabled(bool enabled) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        enabled_ = enabled;
    }
    changed_.notify_all();
}

void KernelSuspend::set_pause_ms(int ms) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pause_ms_ = std::max(ms, kPauseMs);
    }
    changed_.notify_all();
}

std::vector<Sleep> KernelSuspend::take_sleeps() {
    uint64_t count = 0;
    ssize_t ignored = read(ready_.get(), &count, sizeof count);
    (void)ignored;
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<Sleep> taken;
    taken.swap(sleeps_);
    return taken;
}

std::string KernelSuspend::counts() {
    std::lock_guard<std::mutex> lock(mutex_);
    return "sleeps " + std::to_string(sleeps_done_) + ", refused " + std::to_string(refused_) +
           ", attempts " + std::to_string(attempts_);
}

bool KernelSuspend::suspending() {
    std::lock_guard<std::mutex> lock(mutex_);
    return suspending_;
}

void KernelSuspend::loop() {
    at_last_wakeup_ = read_wakeup_sources();
    std::unique_lock<std::mutex> lock(mutex_);
    bool refused = false;
    while (!stopping_) {
        changed_.wait(lock, [this] { return stopping_ || enabled_; });
        pause(lock, refused);
        if (stopping_ || !enabled_)
            continue;
        ++attempts_;
        lock.unlock();
        refused = !attempt();
        lock.lock();
    }
}

// The pause as it stands: one set meanwhile counts from the same start.
void KernelSuspend::pause(std::unique_lock<std::mutex> &lock, bool after_refusal) {
    auto paused_at = std::chrono::steady_clock::now();
    auto pause_end = [&] {
        int ms = after_refusal ? std::max(pause_ms_, kPauseAfterRefusalMs) : pause_ms_;
        return paused_at + std::chrono::milliseconds(ms);
    };
    while (!stopping_ && std::chrono::steady_clock::now() < pause_end())
        changed_.wait_until(lock, pause_end());
}

// One attempt; false when the kernel refused to sleep. A count written back in vain (a
// wake-up event came in after the read) is no refusal: the next attempt follows the short
// pause.
bool KernelSuspend::attempt() {
    std::string count = read_text(kWakeupCount);
    if (count.empty() || !begin_suspend())
        return true;
    std::optional<Sleep> sleep;
    bool refused = false;
    if (write_text(kWakeupCount, count)) {
        arm_paging_alarm();
        Sources at_sleep = read_wakeup_sources();
        int32_t sleep_start = boottime_ms();
        if (write_text(kPowerState, sleep_state())) {
            int32_t wakeup = boottime_ms();
            Sources at_wakeup = read_wakeup_sources();
            sleep = Sleep{sleep_start, wakeup, woke(at_sleep, at_wakeup),
                          held(at_last_wakeup_, at_sleep)};
            at_last_wakeup_ = std::move(at_wakeup);
        } else {
            refused = true;
        }
    }
    end_suspend(sleep, refused);
    return !refused;
}

// The read of the count may have waited long for a wake lock: switched off meanwhile, the
// attempt ends there.
bool KernelSuspend::begin_suspend() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!enabled_ || stopping_)
        return false;
    suspending_ = true;
    return true;
}

void KernelSuspend::end_suspend(const std::optional<Sleep> &sleep, bool refused) {
    std::lock_guard<std::mutex> lock(mutex_);
    suspending_ = false;
    refused_ += refused ? 1 : 0;
    if (!sleep)
        return;
    ++sleeps_done_;
    sleeps_.push_back(*sleep);
    uint64_t one = 1;
    ssize_t ignored = write(ready_.get(), &one, sizeof one);
    (void)ignored;
}

} // namespace sim::autosuspend
