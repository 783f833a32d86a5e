// The lock guards release what they hold, also when a cancelled thread unwinds.
#include "common/guards.h"
#include "common/unique_fd.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

pthread_mutex_t g_mutex = PTHREAD_MUTEX_INITIALIZER;
pthread_cond_t g_never = PTHREAD_COND_INITIALIZER;

void *wait_for_ever(void *started) {
    orvo::MutexGuard guard(g_mutex);
    static_cast<std::atomic<bool> *>(started)->store(true);
    for (;;)
        pthread_cond_wait(&g_never, &g_mutex);
    return nullptr;
}

TEST(MutexGuard, ACancelledWaiterReleasesTheMutex) {
    std::atomic<bool> started{false};
    pthread_t thread;
    ASSERT_EQ(0, pthread_create(&thread, nullptr, wait_for_ever, &started));
    while (!started)
        usleep(1000);
    // The waiter is in pthread_cond_wait (it released the mutex to wait) once we get it.
    pthread_mutex_lock(&g_mutex);
    pthread_mutex_unlock(&g_mutex);
    pthread_cancel(thread);
    void *result = nullptr;
    pthread_join(thread, &result);
    EXPECT_EQ(PTHREAD_CANCELED, result);
    EXPECT_EQ(0, pthread_mutex_trylock(&g_mutex));
    pthread_mutex_unlock(&g_mutex);
}

std::string lock_file_path() {
    const char *dir = std::getenv("TMPDIR");
    return std::string(dir ? dir : "/tmp") + "/orvo-common-lock-" + std::to_string(getpid());
}

// Whether another process can take the lock at this moment.
bool other_process_gets(const std::string &path, int operation) {
    pid_t child = fork();
    if (child == 0) {
        int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
        _exit(fd >= 0 && flock(fd, operation | LOCK_NB) == 0 ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(FileLock, ExcludesOtherProcessesUntilItEnds) {
    std::string path = lock_file_path();
    orvo::UniqueFd fd = orvo::open_fd(path.c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_TRUE(fd);
    {
        orvo::FileLock lock(fd.get());
        ASSERT_TRUE(lock.locked());
        EXPECT_FALSE(other_process_gets(path, LOCK_SH));
    }
    EXPECT_TRUE(other_process_gets(path, LOCK_EX));
    unlink(path.c_str());
}

TEST(FileLock, SharedLocksAdmitReadersNotWriters) {
    std::string path = lock_file_path();
    orvo::UniqueFd fd = orvo::open_fd(path.c_str(), O_RDWR | O_CREAT, 0600);
    orvo::FileLock lock(fd.get(), orvo::FileLock::Mode::shared);
    ASSERT_TRUE(lock.locked());
    EXPECT_TRUE(other_process_gets(path, LOCK_SH));
    EXPECT_FALSE(other_process_gets(path, LOCK_EX));
    unlink(path.c_str());
}

TEST(FileLock, NoDescriptorNoLock) {
    orvo::FileLock lock(-1);
    EXPECT_FALSE(lock.locked());
}

} // namespace
