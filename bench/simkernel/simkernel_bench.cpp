// A wake-lock write through the simulated kernel (open, write, close of /sys/power/wake_lock
// and wake_unlock, as the libraries do it) against the same write to a file on tmpfs.
// Rounds of each alternate in one run, so both see the same machine; each round gives the
// mean cost of a write, and the figures are the medians and quartiles of the rounds.
// Runs in a simulated module: bench/simkernel/run.sh [ROUNDS [WRITES]]
#include "common/kernel_wakelock.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Spread {
    double median, q1, q3;
};

Spread spread(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    auto at = [&](double share) {
        return samples[static_cast<size_t>(share * static_cast<double>(samples.size() - 1))];
    };
    return {at(0.5), at(0.25), at(0.75)};
}

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

bool plain_file(const char *path) {
    int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    return fd >= 0 && close(fd) == 0;
}

void print(const char *what, const Spread &s) {
    std::printf("%-40s %8.1f %8.1f %8.1f\n", what, s.median, s.q1, s.q3);
}

} // namespace

int main(int argc, char **argv) {
    int rounds = std::max(argc > 1 ? std::atoi(argv[1]) : 40, 4);
    int writes = std::max(argc > 2 ? std::atoi(argv[2]) / 2 * 2 : 200, 2);
    const char *tmp_lock = "/tmp/simkernel_bench.wake_lock";
    const char *tmp_unlock = "/tmp/simkernel_bench.wake_unlock";
    if (!plain_file(tmp_lock) || !plain_file(tmp_unlock)) {
        std::perror("simkernel_bench: tmpfs file");
        return 1;
    }
    std::vector<double> kernel, tmpfs, ratio;
    double k = 0, t = 0;
    // One untimed round of each first: the first opens pay for lookups and page faults.
    if (!round_of(orvo::kWakeLockFile, orvo::kWakeUnlockFile, writes, &k) ||
        !round_of(tmp_lock, tmp_unlock, writes, &t)) {
        std::perror("simkernel_bench: write");
        return 1;
    }
    for (int r = 0; r < rounds; ++r) {
        bool ok = r % 2 ? round_of(tmp_lock, tmp_unlock, writes, &t) &&
                              round_of(orvo::kWakeLockFile, orvo::kWakeUnlockFile, writes, &k)
                        : round_of(orvo::kWakeLockFile, orvo::kWakeUnlockFile, writes, &k) &&
                              round_of(tmp_lock, tmp_unlock, writes, &t);
        if (!ok) {
            std::perror("simkernel_bench: write");
            return 1;
        }
        kernel.push_back(k);
        tmpfs.push_back(t);
        ratio.push_back(k / t);
    }
    std::printf("%d rounds of %d writes each way, alternating; microseconds per write "
                "(open, write, close)\n",
                rounds, writes);
    std::printf("%-40s %8s %8s %8s\n", "", "median", "q1", "q3");
    Spread ks = spread(kernel);
    print("wake-lock write, simulated kernel", ks);
    print("same write, tmpfs file", spread(tmpfs));
    print("ratio kernel/tmpfs (per round)", spread(ratio));
    std::printf("result simkernel_write_us %.1f %.1f %.1f goal<=15\n", ks.median, ks.q1, ks.q3);
    return 0;
}
