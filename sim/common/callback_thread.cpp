// SPDX-License-Identifier: MIT
#include "callback_thread.h"

#include "simfail.h"
#include "simstrict.h"

#include <atomic>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <pthread.h>
#include <thread>

namespace sim {
namespace {

constexpr unsigned kOtherThreadChance = 500; // per thousand callbacks

class CallbackThread {
  public:
    void start_now() {
        std::lock_guard<std::mutex> lock(mutex_);
        start();
    }

    void run(const std::function<void()> &callback) {
        std::unique_lock<std::mutex> lock(mutex_);
        start();
        done_.wait(lock, [this] { return !job_; });
        job_ = &callback;
        wake_.notify_all();
        done_.wait(lock, [this, &callback] { return job_ != &callback; });
    }

    bool current() const { return started_.load() && std::this_thread::get_id() == id_; }

  private:
    void start() {
        if (started_)
            return;
        std::thread worker([this] { loop(); });
        id_ = worker.get_id();
        pthread_setname_np(worker.native_handle(), kCallbackThreadName);
        worker.detach();      // lives as long as the program
        started_.store(true); // after id_: current() reads it without the mutex
    }

    void loop() {
        sigset_t open;
        sigemptyset(&open);
        pthread_sigmask(SIG_SETMASK, &open, nullptr);
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return job_ != nullptr; });
            const std::function<void()> *job = job_;
            lock.unlock();
            (*job)();
            lock.lock();
            job_ = nullptr;
            done_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_, done_;
    const std::function<void()> *job_ = nullptr;
    std::atomic<bool> started_{false};
    std::thread::id id_;
};

// Never destroyed: its thread may be in a callback when the program ends.
CallbackThread &callback_thread() {
    static CallbackThread *instance = new CallbackThread;
    return *instance;
}

bool asked() {
    long value = 0;
    return orvo_sim_setting("callback_thread", &value) && value == 1;
}

} // namespace

void deliver_callback(const std::function<void()> &callback) {
    bool other = asked();
    if (!other && orvo_sim_strict_chance(kOtherThreadChance)) {
        orvo_sim_strict_count(ORVO_STRICT_OTHER_THREAD);
        other = true;
    }
    if (other && !on_callback_thread())
        callback_thread().run(callback);
    else
        callback();
}

void start_asked_callback_thread() {
    if (asked())
        callback_thread().start_now();
}

bool on_callback_thread() {
    return callback_thread().current();
}

} // namespace sim
