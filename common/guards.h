/* SPDX-License-Identifier: MIT */
// Scoped locks. pthread primitives rather than std:: ones: a thread may be cancelled while it
// waits, and its unwinding then runs these destructors and releases what it held.
#pragma once

#include <pthread.h>

namespace orvo {

// Holds the mutex for its scope; it can be let go and taken again inside the scope (around a
// call that must not run under it), and the destructor releases it only while held.
class MutexGuard {
  public:
    explicit MutexGuard(pthread_mutex_t &mutex) : mutex_(mutex) { lock(); }
    ~MutexGuard() {
        if (held_)
            unlock();
    }
    MutexGuard(const MutexGuard &) = delete;
    MutexGuard &operator=(const MutexGuard &) = delete;

    void lock() {
        pthread_mutex_lock(&mutex_);
        held_ = true;
    }
    void unlock() {
        held_ = false;
        pthread_mutex_unlock(&mutex_);
    }

    // Waits on condition (a cancellation point) until done() holds; the mutex is held.
    template <typename Done> void wait_until(pthread_cond_t &condition, Done done) {
        while (!done())
            pthread_cond_wait(&condition, &mutex_);
    }

  private:
    pthread_mutex_t &mutex_;
    bool held_ = false;
};

// Holds off cancellation of the calling thread for its scope: for waits inside code that
// holds locks of its own, which a cancelled thread must not unwind from halfway.
class CancellationOff {
  public:
    CancellationOff() { pthread_setcancelstate(PTHREAD_CANCEL_DISABLE, &previous_); }
    ~CancellationOff() { pthread_setcancelstate(previous_, nullptr); }
    CancellationOff(const CancellationOff &) = delete;
    CancellationOff &operator=(const CancellationOff &) = delete;

  private:
    int previous_ = PTHREAD_CANCEL_ENABLE;
};

// An advisory lock (flock) on an open file, between processes; EINTR is retried. The
// descriptor stays the caller's; closing it also drops the lock.
class FileLock {
  public:
    enum class Mode { shared, exclusive };

    FileLock(int fd, Mode mode = Mode::exclusive);
    // Tries without blocking, for as long as the holders keep changing the file, and gives
    // up once it has stayed unchanged for quiet_ms while held by a process that is not
    // root's or this user's (or cannot be named): anyone who can read the file can lock it
    // and must not hold the caller for ever, while writers at work and a holder of our own,
    // however slow a loaded machine makes it, are waited for. locked() tells whether it
    // was had.
    FileLock(int fd, Mode mode, int quiet_ms);
    ~FileLock();
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;

    bool locked() const { return locked_; }

  private:
    int fd_;
    bool locked_ = false;
};

} // namespace orvo
