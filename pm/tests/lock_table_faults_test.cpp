// SPDX-License-Identifier: MIT
// The lock table under faults: owners killed (also while they hold the file's lock), the file
// truncated, filled with garbage, replaced or out of space, the kernel's wake-lock files
// failing for a while, and many processes changing the table at once.
#include "liborvo-kesl-autosuspend.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <map>
#include <random>
#include <sched.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

constexpr const char *kTable = "/tmp/.lock_table";
constexpr size_t kTableSize = 8704;

std::string table() {
    return support::read_file(kTable);
}

std::string name_at(const std::string &bytes, int slot) {
    const char *field = bytes.data() + 64 * slot;
    return std::string(field, strnlen(field, 64));
}

int32_t pid_at(const std::string &bytes, int slot) {
    int32_t pid;
    memcpy(&pid, bytes.data() + 8192 + 4 * slot, sizeof pid);
    return pid;
}

// name -> slots holding it
std::map<std::string, std::vector<int>> names_in(const std::string &bytes) {
    std::map<std::string, std::vector<int>> names;
    for (int slot = 0; slot < KESL_LOCK_MAX; ++slot)
        if (bytes[64 * slot] != '\0')
            names[name_at(bytes, slot)].push_back(slot);
    return names;
}

// A child that runs fn, reports its result on a pipe, then waits to be killed.
struct Holder {
    pid_t pid = -1;
    int result = 0;
};
template <typename Fn> Holder hold(Fn fn) {
    int fds[2];
    if (pipe(fds) != 0)
        return {};
    pid_t child = testkit::spawn([&]() -> int {
        close(fds[0]);
        int result = fn();
        if (write(fds[1], &result, sizeof result) != sizeof result)
            _exit(1);
        pause();
        _exit(0);
    });
    close(fds[1]);
    Holder holder{child, 0};
    if (read(fds[0], &holder.result, sizeof holder.result) != sizeof holder.result)
        holder.result = -100;
    close(fds[0]);
    return holder;
}

void kill_and_reap(pid_t pid) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

class LockTableFaults : public ::testing::Test {
  protected:
    void SetUp() override {
        unlink(kTable);
        rmdir(kTable);
        support::kernel_control("unfail wake_lock");
        support::kernel_control("unfail wake_unlock");
        support::release_kernel_wake_locks();
    }
};

TEST_F(LockTableFaults, AKilledRegistrantsNameGoesToTheNextCreatorInItsSlot) {
    ASSERT_EQ(kesl_wakelock_create("first", 0), 0);
    Holder owner = hold([] { return kesl_wakelock_create("gps", 0); });
    ASSERT_EQ(owner.result, 1);
    EXPECT_EQ(kesl_wakelock_create("gps", 0), -5);
    kill_and_reap(owner.pid);

    EXPECT_EQ(kesl_wakelock_create("gps", 0), 1);
    std::string bytes = table();
    EXPECT_EQ(name_at(bytes, 1), "gps");
    EXPECT_EQ(pid_at(bytes, 1), getpid());
    EXPECT_EQ(names_in(bytes).size(), 2u);
}

// The table's advisory lock dies with its holder: nobody waits for ever on a killed process.
TEST_F(LockTableFaults, AProcessKilledWhileHoldingTheFileLockDoesNotBlockOthers) {
    ASSERT_EQ(read_lock_table(), 0);
    Holder locker = hold([] {
        int fd = open(kTable, O_RDWR);
        return fd >= 0 && flock(fd, LOCK_EX) == 0 ? 0 : -1;
    });
    ASSERT_EQ(locker.result, 0);
    auto create = std::async(std::launch::async, [] { return kesl_wakelock_create("late", 0); });
    EXPECT_EQ(create.wait_for(200ms), std::future_status::timeout);
    kill_and_reap(locker.pid);
    ASSERT_EQ(create.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(create.get(), 0);
    EXPECT_EQ(name_at(table(), 0), "late");
}

TEST_F(LockTableFaults, ATruncatedTableKeepsTheNamesItStillHolds) {
    for (const char *name : {"a", "b", "c"})
        ASSERT_GE(kesl_wakelock_create(name, 0), 0);
    ASSERT_EQ(truncate(kTable, 64 * 2), 0);

    EXPECT_EQ(kesl_wakelock_create("d", 0), 2); // "c" was cut off, its slot is free
    std::string bytes = table();
    ASSERT_EQ(bytes.size(), kTableSize);
    EXPECT_EQ(name_at(bytes, 0), "a");
    EXPECT_EQ(name_at(bytes, 1), "b");
    EXPECT_EQ(pid_at(bytes, 0), 0); // the owners were cut off too
    // An owner id of 0 is no running process: the name is taken over, not refused.
    EXPECT_EQ(kesl_wakelock_create("a", 0), 0);

    ASSERT_EQ(truncate(kTable, 0), 0);
    EXPECT_EQ(kesl_wakelock_create("e", 0), 0);
    EXPECT_EQ(table().size(), kTableSize);
}

TEST_F(LockTableFaults, GarbageInEverySlotReadsAsAFullTableUntilASlotIsCleared) {
    std::mt19937 random(11);
    std::string garbage(kTableSize, '\0');
    for (char &c : garbage)
        c = static_cast<char>(random() % 255 + 1); // no NUL anywhere: no name is terminated
    support::write_file(kTable, garbage);

    EXPECT_EQ(kesl_wakelock_create("x", 0), -4);
    EXPECT_EQ(table(), garbage); // nothing written on a refusal
    for (auto &name : lock_status.lock_name)
        EXPECT_EQ(strnlen(name, KESL_LOCK_NAME_SIZE), 63u);

    EXPECT_EQ(delete_lock(7), 0);
    EXPECT_EQ(kesl_wakelock_create("x", 0), 7);
    std::string bytes = table();
    EXPECT_EQ(name_at(bytes, 7), "x");
    EXPECT_EQ(bytes.compare(8192, 28, garbage, 8192, 28), 0); // other owners untouched
    EXPECT_EQ(names_in(bytes).size(), 128u);
}

TEST_F(LockTableFaults, ATableThatIsNotAFileIsRefusedAndRecoveredFrom) {
    ASSERT_EQ(mkdir(kTable, 0700), 0);
    // A failed read leaves the image as it was: start from an empty one.
    memset(&lock_status, 0, sizeof lock_status);
    EXPECT_EQ(kesl_wakelock_create("x", 0), -2);
    EXPECT_EQ(kesl_wakelock_lock(0), -1);
    EXPECT_EQ(kesl_wakelock_destroy(0), -1);
    ASSERT_EQ(rmdir(kTable), 0);
    EXPECT_EQ(kesl_wakelock_create("x", 0), 0);
}

// With no space left a registration fails; it is never reported as made.
TEST_F(LockTableFaults, ATableOnAFullFileSystemRefusesRegistrations) {
    pid_t child = testkit::spawn([&]() -> int {
        // 8 KiB of /tmp in a mount namespace of the child's own: the table does not fit.
        if (unshare(CLONE_NEWNS) != 0 || mount("small", "/tmp", "tmpfs", 0, "size=8k") != 0)
            _exit(100);
        int result = kesl_wakelock_create("x", 0);
        _exit(result < 0 ? -result : 50);
    });
    int status = testkit::wait_exit(child);
    ASSERT_NE(status, 100) << "cannot mount a small /tmp";
    EXPECT_TRUE(status == 2 || status == 3) << status;
    EXPECT_EQ(access(kTable, F_OK), -1); // the real /tmp was not touched
}

TEST_F(LockTableFaults, KernelWakeLockFilesFailingForAWhileLoseNoSlot) {
    ASSERT_EQ(kesl_wakelock_create("modem", 0), 0);
    support::kernel_control("fail wake_lock 5 2");
    EXPECT_EQ(kesl_wakelock_lock(0), -1);
    EXPECT_EQ(kesl_wakelock_lock(0), -1);
    EXPECT_EQ(kesl_wakelock_lock(0), 0);
    EXPECT_NE(support::read_file("/sys/power/wake_lock").find("modem"), std::string::npos);

    support::kernel_control("fail wake_unlock 5 2");
    EXPECT_EQ(kesl_wakelock_destroy(0), -1);
    EXPECT_EQ(kesl_wakelock_destroy(0), -1);
    EXPECT_EQ(name_at(table(), 0), "modem"); // still registered after each refusal
    EXPECT_EQ(kesl_wakelock_destroy(0), 0);
    EXPECT_EQ(name_at(table(), 0), "");
    EXPECT_EQ(support::read_file("/sys/power/wake_lock").find("modem"), std::string::npos);
}

// Processes killed at any point of their changes leave a whole table whose names all go to
// the next creator.
TEST_F(LockTableFaults, ProcessesKilledMidChangeLeaveAUsableTable) {
    std::mt19937 random(5);
    for (int round = 0; round < 5; ++round) {
        std::vector<pid_t> children;
        for (int p = 0; p < 6; ++p) {
            pid_t child = testkit::spawn([&]() -> int {
                std::string name = "k" + std::to_string(p);
                for (;;) {
                    int slot = kesl_wakelock_create(name.c_str(), 0);
                    if (slot >= 0 && kesl_wakelock_lock(slot) == 0)
                        kesl_wakelock_destroy(slot);
                }
            });
            children.push_back(child);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20 + random() % 80));
        for (pid_t child : children)
            kill_and_reap(child);
    }
    std::string bytes = table();
    ASSERT_EQ(bytes.size(), kTableSize);
    for (const auto &[name, slots] : names_in(bytes)) {
        EXPECT_EQ(slots.size(), 1u) << name;
        EXPECT_EQ(name.size(), 2u) << name;
    }
    for (int p = 0; p < 6; ++p)
        EXPECT_GE(kesl_wakelock_create(("k" + std::to_string(p)).c_str(), 0), 0) << p;
}

// Every process registers its names, and destroys half of them, all at the same time.
TEST_F(LockTableFaults, ManyProcessesRegisteringAndDestroyingLoseNothing) {
    constexpr int kProcesses = 16;
    constexpr int kNames = 6;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        pid_t child = testkit::spawn([&]() -> int {
            int failures = 0;
            for (int n = 0; n < kNames; ++n) {
                std::string name = "p" + std::to_string(p) + "_" + std::to_string(n);
                int slot = kesl_wakelock_create(name.c_str(), 0);
                failures += slot < 0;
                if (slot >= 0 && n % 2 == 1)
                    failures += kesl_wakelock_lock(slot) != 0 || kesl_wakelock_destroy(slot) != 0;
            }
            _exit(failures);
        });
        children.push_back(child);
    }
    for (pid_t child : children)
        EXPECT_EQ(testkit::wait_exit(child), 0);

    auto names = names_in(table());
    EXPECT_EQ(names.size(), static_cast<size_t>(kProcesses * kNames / 2));
    // Each name registered is held in one slot; each destroyed one in none.
    for (int p = 0; p < kProcesses; ++p)
        for (int n = 0; n < kNames; ++n) {
            std::string name = "p" + std::to_string(p) + "_" + std::to_string(n);
            size_t expected = n % 2 == 0 ? 1 : 0;
            EXPECT_EQ(names[name].size(), expected) << name;
        }
}

} // namespace
