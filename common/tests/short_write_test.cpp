// SPDX-License-Identifier: MIT
// A wake-lock file that takes only part of the name has not taken the lock.
#include "common/kernel_wakelock.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

TEST(WakelockWrite, APartTakenIsAShortWrite) {
    const char *dir = std::getenv("TMPDIR");
    std::string file =
        std::string(dir ? dir : "/tmp") + "/orvo-common-short-" + std::to_string(getpid());
    FILE *created = std::fopen(file.c_str(), "w");
    ASSERT_NE(created, nullptr);
    std::fclose(created);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // A file-size limit of 4 bytes: the write of the 10-byte name takes 4 of them.
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{4, 4};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
            _exit(2);
        auto result = orvo::write_wakelock_file(file.c_str(), "nvrpc_lock", 10);
        _exit(result == orvo::WakelockWrite::short_write ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    unlink(file.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "a partial write was reported as taken";
}
