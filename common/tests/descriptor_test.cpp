// SPDX-License-Identifier: MIT
// The owning descriptor, the local-socket address, the pipe stream and the wake-lock write.
#include "common/kernel_wakelock.h"
#include "common/local_socket.h"
#include "common/pipe_stream.h"
#include "common/unique_fd.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

bool is_open(int fd) {
    return fcntl(fd, F_GETFD) != -1;
}

std::string temp_path(const char *name) {
    const char *dir = std::getenv("TMPDIR");
    return std::string(dir ? dir : "/tmp") + "/orvo-common-" + std::to_string(getpid()) + "-" +
           name;
}

TEST(UniqueFd, ClosesOnceWhenItGoesOutOfScope) {
    int raw;
    {
        orvo::UniqueFd fd = orvo::open_fd("/dev/null", O_RDONLY);
        ASSERT_TRUE(fd.valid());
        raw = fd.get();
        EXPECT_TRUE(is_open(raw));
    }
    EXPECT_FALSE(is_open(raw));
}

TEST(UniqueFd, OpensCloseOnExec) {
    orvo::UniqueFd fd = orvo::open_fd("/dev/null", O_RDONLY);
    ASSERT_TRUE(fd.valid());
    EXPECT_EQ(FD_CLOEXEC, fcntl(fd.get(), F_GETFD) & FD_CLOEXEC);
}

TEST(UniqueFd, MovesAndReleasesOwnership) {
    orvo::UniqueFd first = orvo::open_fd("/dev/null", O_RDONLY);
    int raw = first.get();
    orvo::UniqueFd second(std::move(first));
    EXPECT_FALSE(first.valid());
    EXPECT_EQ(raw, second.get());
    int released = second.release();
    EXPECT_FALSE(second.valid());
    EXPECT_TRUE(is_open(released));
    close(released);
}

TEST(UniqueFd, ResetClosesTheOldAndCloseReportsTheResult) {
    orvo::UniqueFd fd = orvo::open_fd("/dev/null", O_RDONLY);
    int old = fd.get();
    fd.reset(open("/dev/zero", O_RDONLY | O_CLOEXEC));
    EXPECT_FALSE(is_open(old) && old != fd.get());
    EXPECT_EQ(0, fd.close());
    EXPECT_FALSE(fd.valid());
    EXPECT_EQ(0, fd.close()); // nothing held: nothing closed twice
    orvo::UniqueFd stale(1000);
    EXPECT_EQ(-1, stale.close());
    EXPECT_EQ(EBADF, errno);
}

TEST(UniqueFd, MissingFileGivesAnInvalidDescriptor) {
    orvo::UniqueFd fd = orvo::open_fd("/nonexistent/file", O_RDONLY);
    EXPECT_FALSE(fd);
    EXPECT_EQ(ENOENT, errno);
}

TEST(LocalAddress, FillsTheWholeStructure) {
    sockaddr_un address = orvo::local_address("/tmp/autosuspend.cmd.server");
    EXPECT_EQ(AF_UNIX, address.sun_family);
    EXPECT_STREQ("/tmp/autosuspend.cmd.server", address.sun_path);
    for (size_t i = std::strlen(address.sun_path); i < sizeof address.sun_path; ++i)
        ASSERT_EQ(0, address.sun_path[i]) << i;
}

TEST(LocalAddress, CutsAPathTooLongAndSaysSo) {
    std::string long_path(200, 'a');
    EXPECT_FALSE(orvo::local_path_fits(long_path.c_str()));
    EXPECT_TRUE(orvo::local_path_fits("/tmp/x"));
    sockaddr_un address = orvo::local_address(long_path.c_str());
    EXPECT_EQ(sizeof address.sun_path - 1, std::strlen(address.sun_path));
}

TEST(PipeStream, ReadsACommandsOutputAndReapsIt) {
    pid_t child = 0;
    {
        orvo::PipeStream pipe("echo $$; echo second");
        ASSERT_TRUE(pipe);
        char line[64] = {};
        ASSERT_NE(nullptr, fgets(line, sizeof line, pipe.get()));
        child = static_cast<pid_t>(std::atoi(line));
        ASSERT_NE(nullptr, fgets(line, sizeof line, pipe.get()));
        EXPECT_STREQ("second\n", line);
    }
    // pclose has waited for the shell: it is no zombie of ours any more.
    EXPECT_EQ(-1, waitpid(child, nullptr, WNOHANG));
    EXPECT_EQ(ECHILD, errno);
}

TEST(WakelockWrite, WritesTheNameInOnePiece) {
    std::string file = temp_path("wake_lock");
    orvo::UniqueFd created = orvo::open_fd(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_TRUE(created);
    EXPECT_EQ(orvo::WakelockWrite::ok, orvo::write_wakelock_file(file.c_str(), "nvrpc_lock", 10));
    char text[32] = {};
    orvo::UniqueFd check = orvo::open_fd(file.c_str(), O_RDONLY);
    EXPECT_EQ(10, read(check.get(), text, sizeof text));
    EXPECT_STREQ("nvrpc_lock", text);
    unlink(file.c_str());
}

TEST(WakelockWrite, TellsAMissingFileFromARefusedWrite) {
    EXPECT_EQ(orvo::WakelockWrite::open_failed,
              orvo::write_wakelock_file("/nonexistent/wake_lock", "x", 1));
    EXPECT_EQ(orvo::WakelockWrite::short_write, orvo::write_wakelock_file("/dev/full", "x", 1));
}

} // namespace
