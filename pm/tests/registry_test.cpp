// SPDX-License-Identifier: MIT
// The wake-lock registry through the real library, the platform stand-ins and the
// simulated kernel, each test on a fresh lock table.
#include "liborvo-kesl-autosuspend.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr const char *kTable = "/tmp/.lock_table";
constexpr size_t kTableSize = 8704;

std::string table() {
    return support::read_file(kTable);
}

std::string name_at(const std::string &bytes, int slot) {
    return std::string(bytes.c_str() + 64 * slot, strnlen(bytes.c_str() + 64 * slot, 64));
}

int32_t pid_at(const std::string &bytes, int slot) {
    int32_t pid;
    std::memcpy(&pid, bytes.data() + 8192 + 4 * slot, sizeof pid);
    return pid;
}

using testkit::in_child;

class Registry : public ::testing::Test {
  protected:
    void SetUp() override {
        unlink(kTable);
        std::remove("/tmp/victim");
        support::fail_call("qx_pm_wakelock_lock", 0);
        support::fail_call("qx_pm_wakelock_unlock", 0);
        support::release_kernel_wake_locks();
        support::clear_calls();
        logcap::clear();
    }
};

TEST_F(Registry, FirstCreateMakesATableOfZerosAndGetsSlotZero) {
    mode_t mask = umask(0);
    umask(mask);
    ASSERT_EQ(kesl_wakelock_create("first", 5), 0);
    std::string bytes = table();
    ASSERT_EQ(bytes.size(), kTableSize);
    EXPECT_EQ(name_at(bytes, 0), "first");
    EXPECT_EQ(pid_at(bytes, 0), getpid());
    EXPECT_EQ(bytes.find_first_not_of('\0', 5), 8192u) << "rest of the table is zero";
    EXPECT_EQ(bytes.find_first_not_of('\0', 8196), std::string::npos);
    struct stat st {};
    ASSERT_EQ(stat(kTable, &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0777 & ~mask);
}

TEST_F(Registry, AnEmptyExistingFileIsInitialisedNotRefused) {
    support::write_file(kTable, "");
    EXPECT_EQ(kesl_wakelock_create("x", 1), 0);
    EXPECT_EQ(table().size(), kTableSize);
}

TEST_F(Registry, ARunningRegistrantKeepsItsName) {
    ASSERT_EQ(kesl_wakelock_create("mine", 4), 0);
    ASSERT_EQ(kesl_wakelock_create("other", 5), 1);
    logcap::clear();
    EXPECT_EQ(kesl_wakelock_create("mine", 4), -5);
    EXPECT_TRUE(support::contains(logcap::lines(), "ORVO_KESL_AUTOSUSPEND 3 the pid is exist"));
    // Another running process is refused too.
    EXPECT_EQ(in_child([] { return -kesl_wakelock_create("mine", 4); }), 5);
}

TEST_F(Registry, TheNameOfAnExitedRegistrantIsTakenOverInItsSlot) {
    ASSERT_EQ(kesl_wakelock_create("before", 6), 0);
    int child_slot = in_child([] { return kesl_wakelock_create("shared", 6); });
    ASSERT_EQ(child_slot, 1);
    int32_t child_pid = pid_at(table(), 1);
    EXPECT_NE(child_pid, getpid());

    logcap::clear();
    EXPECT_EQ(kesl_wakelock_create("shared", 6), 1);
    std::string bytes = table();
    EXPECT_EQ(name_at(bytes, 1), "shared");
    EXPECT_EQ(pid_at(bytes, 1), getpid());
    EXPECT_TRUE(support::contains(logcap::lines(), "ORVO_KESL_AUTOSUSPEND 3 the pid is not exist"));
}

TEST_F(Registry, BadNamesAndSlotNumbersAreRefusedWithoutTouchingTheFile) {
    std::string longest(63, 'n');
    EXPECT_EQ(kesl_wakelock_create(longest.c_str(), 63), 0);
    EXPECT_EQ(name_at(table(), 0), longest);
    std::string too_long(64, 'n');
    EXPECT_EQ(kesl_wakelock_create(too_long.c_str(), 64), -6);
    EXPECT_EQ(kesl_wakelock_create(nullptr, 0), -6);
    EXPECT_EQ(add_lock(too_long.c_str()), -6);

    unlink(kTable);
    for (int slot : {128, -1}) {
        EXPECT_EQ(kesl_wakelock_lock(slot), -6);
        EXPECT_EQ(kesl_wakelock_unlock(slot), -6);
        EXPECT_EQ(kesl_wakelock_destroy(slot), -6);
        EXPECT_EQ(delete_lock(slot), -6);
    }
    EXPECT_NE(access(kTable, F_OK), 0);
    EXPECT_TRUE(support::calls().empty());
}

TEST_F(Registry, The129thNameFindsTheTableFull) {
    for (int i = 0; i < 128; ++i)
        ASSERT_EQ(kesl_wakelock_create(("lock" + std::to_string(i)).c_str(), 0), i);
    std::string full = table();
    EXPECT_EQ(kesl_wakelock_create("one_more", 8), -4);
    EXPECT_EQ(table(), full);
}

TEST_F(Registry, AFreeSlotCannotBeTakenOrReleased) {
    logcap::clear();
    EXPECT_EQ(kesl_wakelock_unlock(5), -1);
    EXPECT_TRUE(support::contains(logcap::lines(), "ORVO_KESL_AUTOSUSPEND 3 5 is null"));
    EXPECT_EQ(kesl_wakelock_lock(5), -1);
    EXPECT_TRUE(support::calls().empty()) << "no platform call for a free slot";
}

TEST_F(Registry, LockingTakesTheKernelWakeLockByName) {
    ASSERT_EQ(kesl_wakelock_create("held_lock", 9), 0);
    ASSERT_EQ(kesl_wakelock_lock(0), 0);
    EXPECT_EQ(support::read_file("/sys/power/wake_lock"), "held_lock\n");
    // Any process may release a slot by number.
    EXPECT_EQ(in_child([] { return kesl_wakelock_unlock(0); }), 0);
    EXPECT_EQ(support::read_file("/sys/power/wake_lock"), "\n");
    support::fail_call("qx_pm_wakelock_lock", -12);
    EXPECT_EQ(kesl_wakelock_lock(0), -1);
}

TEST_F(Registry, DestroyKeepsTheSlotWhenThePlatformRefusesTheRelease) {
    ASSERT_EQ(kesl_wakelock_create("never_taken", 11), 0);
    logcap::clear();
    // The kernel refuses to release a lock that was never taken.
    EXPECT_EQ(kesl_wakelock_destroy(0), -1);
    EXPECT_TRUE(support::contains(logcap::lines(), "ORVO_KESL_AUTOSUSPEND 3 unlock is fail"));
    ASSERT_EQ(kesl_wakelock_lock(0), 0);
    support::fail_call("qx_pm_wakelock_unlock", -5);
    EXPECT_EQ(kesl_wakelock_destroy(0), -1);
    EXPECT_EQ(name_at(table(), 0), "never_taken");
    EXPECT_EQ(pid_at(table(), 0), getpid());
}

TEST_F(Registry, DestroyingSlot3ClearsItsNameAndMarksItsOwner) {
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(kesl_wakelock_create(("d" + std::to_string(i)).c_str(), 2), i);
    ASSERT_EQ(kesl_wakelock_lock(3), 0);
    ASSERT_EQ(kesl_wakelock_destroy(3), 0);
    std::string bytes = table();
    ASSERT_EQ(bytes.size(), kTableSize);
    EXPECT_EQ(bytes.substr(192, 64), std::string(64, '\0'));
    EXPECT_EQ(bytes.substr(8204, 4), std::string(4, '\xff'));
    EXPECT_EQ(name_at(bytes, 4), "d4");
    EXPECT_EQ(support::read_file("/sys/power/wake_lock"), "\n");
    // The destroyed slot is the lowest free one again.
    EXPECT_EQ(kesl_wakelock_create("reuse", 5), 3);
}

TEST_F(Registry, AnEmptyNameTakesTheLowestFreeSlotWhichStaysFree) {
    ASSERT_EQ(kesl_wakelock_create("a", 1), 0);
    EXPECT_EQ(kesl_wakelock_create("", 0), 1);
    std::string bytes = table();
    EXPECT_EQ(name_at(bytes, 1), "");
    EXPECT_EQ(pid_at(bytes, 1), getpid());
    EXPECT_EQ(kesl_wakelock_create("b", 1), 1);
}

TEST_F(Registry, ALinkPlantedAtTheTablePathIsNotFollowed) {
    support::write_file("/tmp/victim", "keep me");
    ASSERT_EQ(symlink("/tmp/victim", kTable), 0);
    EXPECT_EQ(kesl_wakelock_create("x", 1), -2);
    EXPECT_EQ(kesl_wakelock_destroy(0), -1);
    EXPECT_EQ(lock_table_init(), -ELOOP);
    EXPECT_EQ(save_lock_table(), -3);
    EXPECT_EQ(support::read_file("/tmp/victim"), "keep me");
    EXPECT_TRUE(support::contains(
        logcap::lines(),
        "ORVO_KESL_AUTOSUSPEND 3 Error open lock_table file:Too many levels of symbolic links"));

    // A dangling link does not create its target either.
    unlink(kTable);
    ASSERT_EQ(symlink("/tmp/created_through_link", kTable), 0);
    EXPECT_EQ(kesl_wakelock_create("x", 1), -2);
    EXPECT_NE(access("/tmp/created_through_link", F_OK), 0);
}

TEST_F(Registry, ANameFieldWithoutTerminatorEndsAtByte63) {
    std::string bytes(kTableSize, '\0');
    bytes.replace(0, 64, std::string(64, 'A'));
    bytes.replace(64, 2, "ok");
    int32_t gone = 999999;
    std::memcpy(&bytes[8192], &gone, sizeof gone);
    support::write_file(kTable, bytes);

    EXPECT_EQ(read_lock_table(), 0);
    EXPECT_TRUE(support::contains(logcap::lines(), "ORVO_KESL_AUTOSUSPEND 3 fd: 0 lock_name:" +
                                                       std::string(63, 'A') + " strlen:63"));
    EXPECT_EQ(kesl_wakelock_create(std::string(63, 'A').c_str(), 63), 0);
    EXPECT_EQ(table()[63], '\0');
}

TEST_F(Registry, ConcurrentRegistrationsOfEightProcessesAreAllKept) {
    std::vector<pid_t> children;
    for (int p = 0; p < 8; ++p) {
        children.push_back(testkit::spawn([p] {
            int failures = 0;
            for (int n = 0; n < 16; ++n) {
                std::string name = "p" + std::to_string(p) + "_n" + std::to_string(n);
                failures += kesl_wakelock_create(name.c_str(), 0) < 0;
            }
            return failures;
        }));
    }
    for (pid_t child : children)
        EXPECT_EQ(testkit::wait_exit(child), 0);
    std::string bytes = table();
    std::set<std::string> names;
    for (int slot = 0; slot < 128; ++slot)
        names.insert(name_at(bytes, slot));
    EXPECT_EQ(names.size(), 128u);
    EXPECT_EQ(names.count("p7_n15"), 1u);
}

TEST_F(Registry, ThreadsOfOneProcessDoNotLoseRegistrations) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int n = 0; n < 16; ++n)
                kesl_wakelock_create(("t" + std::to_string(t) + "_" + std::to_string(n)).c_str(),
                                     0);
        });
    for (auto &thread : threads)
        thread.join();
    std::string bytes = table();
    int used = 0;
    for (int slot = 0; slot < 128; ++slot)
        used += !name_at(bytes, slot).empty();
    EXPECT_EQ(used, 64);
}

} // namespace
