// SPDX-License-Identifier: MIT
// The lock guards release what they hold, also when a cancelled thread unwinds.
#include "common/guards.h"
#include "common/lock_holder.h"
#include "common/unique_fd.h"
#include "tests/support/kit.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <csignal>
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

pthread_mutex_t g_shared = PTHREAD_MUTEX_INITIALIZER;
pthread_cond_t g_changed = PTHREAD_COND_INITIALIZER;
bool g_flag = false; // guarded by g_shared

std::atomic<bool> g_taken{false};
std::atomic<bool> g_let_go{false};

void *take_until_told(void *) {
    pthread_mutex_lock(&g_shared);
    g_taken = true;
    while (!g_let_go)
        usleep(1000);
    pthread_mutex_unlock(&g_shared);
    return nullptr;
}

TEST(MutexGuard, LetGoInsideItsScopeLeavesTheNextHolderAlone) {
    pthread_t holder;
    {
        orvo::MutexGuard guard(g_shared);
        guard.unlock();
        ASSERT_EQ(0, pthread_create(&holder, nullptr, take_until_told, nullptr));
        while (!g_taken)
            usleep(1000);
    }
    // The thread that took it over still holds it: the guard did not release it again.
    EXPECT_EQ(EBUSY, pthread_mutex_trylock(&g_shared));
    g_let_go = true;
    pthread_join(holder, nullptr);
    EXPECT_EQ(0, pthread_mutex_trylock(&g_shared));
    pthread_mutex_unlock(&g_shared);
}

TEST(MutexGuard, TakenAgainItIsReleasedAtTheEnd) {
    {
        orvo::MutexGuard guard(g_shared);
        guard.unlock();
        EXPECT_EQ(0, pthread_mutex_trylock(&g_shared));
        pthread_mutex_unlock(&g_shared);
        guard.lock();
        EXPECT_EQ(EBUSY, pthread_mutex_trylock(&g_shared));
    }
    EXPECT_EQ(0, pthread_mutex_trylock(&g_shared));
    pthread_mutex_unlock(&g_shared);
}

void *raise_flag(void *) {
    usleep(20000);
    orvo::MutexGuard guard(g_shared);
    g_flag = true;
    pthread_cond_broadcast(&g_changed);
    return nullptr;
}

TEST(MutexGuard, WaitUntilReturnsOnceTheConditionHolds) {
    g_flag = false;
    pthread_t thread;
    orvo::MutexGuard guard(g_shared);
    ASSERT_EQ(0, pthread_create(&thread, nullptr, raise_flag, nullptr));
    guard.wait_until(g_changed, [] { return g_flag; });
    EXPECT_TRUE(g_flag);
    guard.unlock();
    pthread_join(thread, nullptr);
}

std::string lock_file_path() {
    const char *dir = std::getenv("TMPDIR");
    return std::string(dir ? dir : "/tmp") + "/orvo-common-lock-" + std::to_string(getpid());
}

// Whether another process can take the lock at this moment.
bool other_process_gets(const std::string &path, int operation) {
    return testkit::in_child([&] {
               int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
               return fd >= 0 && flock(fd, operation | LOCK_NB) == 0 ? 0 : 1;
           }) == 0;
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

// A holder in another process that keeps the lock for `hold_ms`, writing to the file every
// `write_every_ms` (0: never), then lets go; its pid. Returns once the lock is held, by a
// process of user `uid` when it is not -1.
pid_t hold_elsewhere(const std::string &path, int hold_ms, int write_every_ms,
                     uid_t uid = static_cast<uid_t>(-1)) {
    int ready[2];
    EXPECT_EQ(0, pipe(ready));
    pid_t pid = testkit::spawn([&] {
        int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0 || flock(fd, LOCK_EX) != 0)
            return 1;
        if (uid != static_cast<uid_t>(-1) && setuid(uid) != 0)
            return 1;
        char one = 1;
        if (write(ready[1], &one, 1) != 1)
            return 1;
        for (int held = 0; held < hold_ms; held += 10) {
            usleep(10000);
            if (write_every_ms > 0 && held % write_every_ms == 0 && write(fd, "x", 1) != 1)
                return 1;
        }
        return 0;
    });
    char one = 0;
    EXPECT_EQ(1, read(ready[0], &one, 1));
    close(ready[0]);
    close(ready[1]);
    return pid;
}

// The holder of a lock is named, and it is one of ours.
TEST(FileLock, ItsHolderIsNamed) {
    std::string path = lock_file_path();
    orvo::UniqueFd fd = orvo::open_fd(path.c_str(), O_RDWR | O_CREAT, 0600);
    EXPECT_EQ(0, orvo::flock_holder(fd.get()));
    pid_t holder = hold_elsewhere(path, 5000, 0);
    EXPECT_EQ(holder, orvo::flock_holder(fd.get()));
    EXPECT_TRUE(orvo::trusted_process(holder));
    kill(holder, SIGKILL);
    testkit::wait_exit(holder);
    EXPECT_FALSE(orvo::trusted_process(holder));
    EXPECT_EQ(0, orvo::flock_holder(fd.get()));
    unlink(path.c_str());
}

// Anyone who can read a file can lock it: a holder of another user that never changes the
// file is given up on once it has stayed unchanged for the quiet time.
TEST(FileLock, AQuietHolderOfAnotherUserIsGivenUpOn) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to hold the lock as another user";
    std::string path = lock_file_path();
    orvo::UniqueFd fd = orvo::open_fd(path.c_str(), O_RDWR | O_CREAT, 0600);
    pid_t holder = hold_elsewhere(path, 5000, 0, 65534);
    EXPECT_FALSE(orvo::trusted_process(holder));
    orvo::FileLock lock(fd.get(), orvo::FileLock::Mode::exclusive, 200);
    EXPECT_FALSE(lock.locked());
    kill(holder, SIGKILL);
    testkit::wait_exit(holder);
    unlink(path.c_str());
}

// A holder of our own that stays quiet longer than the quiet time (stalled on a loaded
// machine) is waited for: going on without the lock would lose its change.
TEST(FileLock, AQuietHolderOfOurOwnIsWaitedFor) {
    std::string path = lock_file_path();
    orvo::UniqueFd fd = orvo::open_fd(path.c_str(), O_RDWR | O_CREAT, 0600);
    pid_t holder = hold_elsewhere(path, 1000, 0);
    orvo::FileLock lock(fd.get(), orvo::FileLock::Mode::exclusive, 200);
    EXPECT_TRUE(lock.locked());
    EXPECT_EQ(0, testkit::wait_exit(holder));
    unlink(path.c_str());
}

// Holders at work change the file: they are waited for however long they take (here half as
// long again as the quiet time, writing at every step, so that a loaded machine's stalls do
// not pass for quiet).
TEST(FileLock, AHolderChangingTheFileIsWaitedFor) {
    std::string path = lock_file_path();
    orvo::UniqueFd fd = orvo::open_fd(path.c_str(), O_RDWR | O_CREAT, 0600);
    // Another user's where it can be, so that only the changes keep the waiter waiting.
    uid_t other_user = geteuid() == 0 ? 65534 : static_cast<uid_t>(-1);
    pid_t holder = hold_elsewhere(path, 1500, 10, other_user);
    orvo::FileLock lock(fd.get(), orvo::FileLock::Mode::exclusive, 1000);
    EXPECT_TRUE(lock.locked());
    EXPECT_EQ(0, testkit::wait_exit(holder));
    unlink(path.c_str());
}

TEST(FileLock, NoDescriptorNoLock) {
    orvo::FileLock lock(-1);
    EXPECT_FALSE(lock.locked());
}

} // namespace
