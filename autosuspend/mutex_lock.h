// Scoped lock over a pthread mutex. pthread primitives rather than std:: ones because a
// caller's thread may be cancelled while it waits on the feedback condition: the unwinding
// then runs this destructor and releases the mutex.
#pragma once

#include <pthread.h>

namespace autosuspend {

class MutexLock {
  public:
    explicit MutexLock(pthread_mutex_t &mutex) : mutex_(mutex) { pthread_mutex_lock(&mutex_); }
    ~MutexLock() { pthread_mutex_unlock(&mutex_); }
    MutexLock(const MutexLock &) = delete;
    MutexLock &operator=(const MutexLock &) = delete;

  private:
    pthread_mutex_t &mutex_;
};

} // namespace autosuspend
