// SPDX-License-Identifier: MIT
// A wake-lock write through the simulated kernel (open, write, close of /sys/power/wake_lock
// and wake_unlock, as the libraries do it) against the same write to a file on tmpfs, and a
// round trip between two processes over pipes: the FUSE protocol makes three requests of a
// write (open, write, release), each such a round trip to the file system's process.
// Rounds of each alternate in one run, so both see the same machine; each round gives the
// mean cost of a write, and the figures are the medians and quartiles of the rounds.
// Runs in a simulated module: bench/simkernel/run.sh [ROUNDS [WRITES]]
#include "common/kernel_wakelock.h"
#include "spread.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

using bench::Spread;
using bench::spread;

// Mean microseconds of one write over writes lock/unlock pairs; false if a write failed.
bool round_of(const char *lock, const char *unlock, int writes, double *mean_us) {
    static const char kName[] = "simkernel_bench";
    auto start = Clock::now();
    for (int i = 0; i < writes; i += 2) {
        if (orvo::write_wakelock_file(lock, kName, sizeof kName - 1) != orvo::WakelockWrite::ok ||
            orvo::write_wakelock_file(unlock, kName, sizeof kName - 1) != orvo::WakelockWrite::ok)
            return false;
    }
    *mean_us = std::chrono::duration<double, std::micro>(Clock::now() - start).count() / writes;
    return true;
}

// A child echoing each byte back: one round trip is a hand-off there and one back.
struct Echo {
    int to = -1, from = -1;
    pid_t child = -1;

    bool start() {
        int down[2], up[2];
        if (pipe2(down, O_CLOEXEC) != 0 || pipe2(up, O_CLOEXEC) != 0)
            return false;
        child = fork();
        if (child == 0) {
            close(down[1]);
            close(up[0]);
            char byte;
            while (read(down[0], &byte, 1) == 1 && write(up[1], &byte, 1) == 1) {
            }
            _exit(0);
        }
        close(down[0]);
        close(up[1]);
        to = down[1];
        from = up[0];
        return child > 0;
    }

    bool round(int trips, double *mean_us) const {
        char byte = 'x';
        auto start = Clock::now();
        for (int i = 0; i < trips; ++i)
            if (write(to, &byte, 1) != 1 || read(from, &byte, 1) != 1)
                return false;
        *mean_us = std::chrono::duration<double, std::micro>(Clock::now() - start).count() / trips;
        return true;
    }

    ~Echo() {
        close(to);
        close(from);
        if (child > 0)
            waitpid(child, nullptr, 0);
    }
};

bool plain_file(const char *path) {
    int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    return fd >= 0 && close(fd) == 0;
}

void print(const char *what, const Spread &s) {
    std::printf("%-44s %8.1f %8.1f %8.1f\n", what, s.median, s.q1, s.q3);
}

// A line for bench/run's table: name, median, quartiles, goal.
void figure(const char *name, const Spread &s, const char *goal) {
    std::printf("figure\t%s\t%.2f\t%.2f\t%.2f\t%s\n", name, s.median, s.q1, s.q3, goal);
}

} // namespace

int main(int argc, char **argv) {
    int rounds = std::max(argc > 1 ? std::atoi(argv[1]) : 40, 4);
    int writes = std::max(argc > 2 ? std::atoi(argv[2]) / 2 * 2 : 200, 2);
    const char *tmp_lock = "/tmp/simkernel_bench.wake_lock";
    const char *tmp_unlock = "/tmp/simkernel_bench.wake_unlock";
    Echo echo;
    if (!plain_file(tmp_lock) || !plain_file(tmp_unlock) || !echo.start()) {
        std::perror("simkernel_bench: set-up");
        return 1;
    }
    std::vector<double> kernel, tmpfs, trip, ratio;
    double k = 0, t = 0, e = 0;
    auto measure = [&](int which) {
        switch (which) {
        case 0:
            return round_of(orvo::kWakeLockFile, orvo::kWakeUnlockFile, writes, &k);
        case 1:
            return round_of(tmp_lock, tmp_unlock, writes, &t);
        default:
            return echo.round(writes, &e);
        }
    };
    // Round -1 is not kept: the first opens pay for lookups and page faults.
    for (int r = -1; r < rounds; ++r) {
        for (int i = 0; i < 3; ++i) {
            if (!measure((r + 3 + i) % 3)) {
                std::perror("simkernel_bench: write");
                return 1;
            }
        }
        if (r < 0)
            continue;
        kernel.push_back(k);
        tmpfs.push_back(t);
        trip.push_back(e);
        ratio.push_back(k / t);
    }
    std::printf("%d rounds of %d writes each way, in turn; microseconds per write (open, write, "
                "close)\n",
                rounds, writes);
    std::printf("%-44s %8s %8s %8s\n", "", "median", "q1", "q3");
    Spread ks = spread(kernel), ts = spread(tmpfs), es = spread(trip), rs = spread(ratio);
    print("wake-lock write, simulated kernel", ks);
    print("same write, tmpfs file", ts);
    print("ratio kernel/tmpfs (per round)", rs);
    print("round trip to another process (pipes)", es);
    figure("simulated kernel: wake-lock write (us)", ks, "<=15");
    figure("simulated kernel: tmpfs write (us)", ts, "-");
    figure("simulated kernel: process round trip (us)", es, "-");
    return 0;
}
