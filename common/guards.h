// Scoped locks. pthread primitives rather than std:: ones: a thread may be cancelled while it
// waits, and its unwinding then runs these destructors and releases what it held.
#pragma once

#include <pthread.h>

namespace orvo {

class MutexGuard {
  public:
    explicit MutexGuard(pthread_mutex_t &mutex) : mutex_(mutex) { pthread_mutex_lock(&mutex_); }
    ~MutexGuard() { pthread_mutex_unlock(&mutex_); }
    MutexGuard(const MutexGuard &) = delete;
    MutexGuard &operator=(const MutexGuard &) = delete;

  private:
    pthread_mutex_t &mutex_;
};

// An advisory lock (flock) on an open file, between processes; EINTR is retried. The
// descriptor stays the caller's; closing it also drops the lock.
class FileLock {
  public:
    enum class Mode { shared, exclusive };

    FileLock(int fd, Mode mode = Mode::exclusive);
    ~FileLock();
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;

    bool locked() const { return locked_; }

  private:
    int fd_;
    bool locked_ = false;
};

} // namespace orvo
