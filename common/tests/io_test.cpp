// SPDX-License-Identifier: MIT
// Whole reads and writes keep every byte in order through short transfers and signals.
#include "common/io.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sys/time.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

void on_alarm(int) {}

// SIGALRM every 200 us without SA_RESTART: blocking pipe transfers come back short or EINTR.
class Interruptions {
  public:
    Interruptions() {
        struct sigaction action {};
        action.sa_handler = on_alarm;
        sigemptyset(&action.sa_mask);
        sigaction(SIGALRM, &action, &previous_);
        itimerval timer{{0, 200}, {0, 200}};
        setitimer(ITIMER_REAL, &timer, nullptr);
    }
    ~Interruptions() {
        itimerval off{};
        setitimer(ITIMER_REAL, &off, nullptr);
        sigaction(SIGALRM, &previous_, nullptr);
    }

  private:
    struct sigaction previous_ {};
};

std::vector<unsigned char> pattern(size_t size) {
    std::vector<unsigned char> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<unsigned char>(i * 7 + i / 251);
    return bytes;
}

// The other end of a pipe, read or written in small pieces with pauses, on its own thread
// (which blocks SIGALRM, so only the thread under test is interrupted).
void slow_peer(std::function<void()> work) {
    sigset_t alarm;
    sigemptyset(&alarm);
    sigaddset(&alarm, SIGALRM);
    pthread_sigmask(SIG_BLOCK, &alarm, nullptr);
    work();
}

TEST(WriteAll, KeepsEveryByteThroughShortWritesAndSignals) {
    int fds[2];
    ASSERT_EQ(0, pipe(fds));
    fcntl(fds[1], F_SETPIPE_SZ, 4096);
    const auto sent = pattern(1 << 20);
    std::vector<unsigned char> received;
    std::thread reader([&] {
        slow_peer([&] {
            unsigned char piece[1000];
            ssize_t n;
            while ((n = read(fds[0], piece, sizeof piece)) > 0) {
                received.insert(received.end(), piece, piece + n);
                if (received.size() % 64 == 0)
                    usleep(50);
            }
        });
    });
    ssize_t written;
    {
        Interruptions interruptions;
        written = orvo::write_all(fds[1], sent.data(), sent.size());
    }
    close(fds[1]);
    reader.join();
    close(fds[0]);
    EXPECT_EQ(static_cast<ssize_t>(sent.size()), written);
    EXPECT_TRUE(received == sent);
}

TEST(ReadAll, GathersPiecesThroughSignals) {
    signal(SIGPIPE, SIG_IGN);
    int fds[2];
    ASSERT_EQ(0, pipe(fds));
    const auto sent = pattern(256 * 1024);
    std::thread writer([&] {
        slow_peer([&] {
            for (size_t at = 0; at < sent.size(); at += 777) {
                size_t n = std::min<size_t>(777, sent.size() - at);
                if (write(fds[1], sent.data() + at, n) != static_cast<ssize_t>(n))
                    return; // the reader gave up early: the check below reports it
                usleep(20);
            }
        });
    });
    std::vector<unsigned char> received(sent.size());
    ssize_t count;
    {
        Interruptions interruptions;
        count = orvo::read_all(fds[0], received.data(), received.size());
    }
    close(fds[0]); // a writer still going gets EPIPE rather than blocking for ever
    writer.join();
    close(fds[1]);
    EXPECT_EQ(static_cast<ssize_t>(sent.size()), count);
    EXPECT_TRUE(received == sent);
}

TEST(ReadAll, StopsAtTheEndOfTheFile) {
    int fds[2];
    ASSERT_EQ(0, pipe(fds));
    ASSERT_EQ(5, write(fds[1], "hello", 5));
    close(fds[1]);
    char buffer[64] = {};
    EXPECT_EQ(5, orvo::read_all(fds[0], buffer, sizeof buffer));
    EXPECT_STREQ("hello", buffer);
    EXPECT_EQ(0, orvo::read_all(fds[0], buffer, sizeof buffer));
    close(fds[0]);
}

TEST(Transfers, ReportAnErrorBeforeAnyByteAsFailure) {
    char buffer[8] = {};
    errno = 0;
    EXPECT_EQ(-1, orvo::read_all(-1, buffer, sizeof buffer));
    EXPECT_EQ(EBADF, errno);
    errno = 0;
    EXPECT_EQ(-1, orvo::write_all(-1, buffer, sizeof buffer));
    EXPECT_EQ(EBADF, errno);
}

TEST(WriteAll, ReportsTheBytesTakenBeforeTheDescriptorFailed) {
    // /dev/full refuses every byte; a pipe whose reader has gone takes what fitted first.
    int full = open("/dev/full", O_WRONLY | O_CLOEXEC);
    ASSERT_GE(full, 0);
    char byte = 'x';
    EXPECT_EQ(-1, orvo::write_all(full, &byte, 1));
    EXPECT_EQ(ENOSPC, errno);
    close(full);

    signal(SIGPIPE, SIG_IGN);
    int fds[2];
    ASSERT_EQ(0, pipe2(fds, O_NONBLOCK));
    fcntl(fds[1], F_SETPIPE_SZ, 4096);
    std::vector<unsigned char> big(64 * 1024, 1);
    // Non-blocking: the pipe takes its capacity, then EAGAIN ends the transfer short.
    ssize_t taken = orvo::write_all(fds[1], big.data(), big.size());
    EXPECT_GT(taken, 0);
    EXPECT_LT(taken, static_cast<ssize_t>(big.size()));
    close(fds[0]);
    close(fds[1]);
}

} // namespace
