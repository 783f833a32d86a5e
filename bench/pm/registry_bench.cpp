// SPDX-License-Identifier: MIT
// Costs of the wake-lock registry per operation, with the parts that dominate them
// measured on their own. Runs in a simulated module: bench/pm/run.sh [ROUNDS]
#include "liborvo-autosuspend.h"
#include "liborvo-kesl-autosuspend.h"
#include "orvo_log.h"
#include "qx_pm.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Result {
    double median_us;
    double mean_us;
    double q1_us, q3_us;
};

// Times body(round) once per round; setup(round) runs untimed before it.
Result measure(int rounds, const std::function<void(int)> &setup,
               const std::function<void(int)> &body) {
    std::vector<double> samples;
    for (int round = 0; round < rounds; ++round) {
        setup(round);
        auto start = Clock::now();
        body(round);
        samples.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::sort(samples.begin(), samples.end());
    double sum = 0;
    for (double sample : samples)
        sum += sample;
    return {samples[samples.size() / 2], sum / static_cast<double>(samples.size()),
            samples[(samples.size() - 1) / 4], samples[(samples.size() - 1) * 3 / 4]};
}

void report(const std::string &what, Result result) {
    std::printf("%-44s %10.1f %10.1f\n", what.c_str(), result.median_us, result.mean_us);
    // A line for bench/run's table.
    std::printf("figure\tlock table: %s (us)\t%.1f\t%.1f\t%.1f\t-\n", what.c_str(),
                result.median_us, result.q1_us, result.q3_us);
}

void nothing(int) {}

std::string name_of(int round) {
    return "bench_" + std::to_string(round);
}

// A name whose registrant has exited, so that the next create takes it over.
void register_in_child(int round) {
    pid_t child = fork();
    if (child == 0)
        _exit(kesl_wakelock_create(name_of(round).c_str(), 0) < 0);
    waitpid(child, nullptr, 0);
}

// What the library's lock and unlock write in the end: one open, write and close of the
// kernel's file, as any program would do it without the library.
void bare_write(const char *file, const std::string &name) {
    int fd = open(file, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    ssize_t written = write(fd, name.data(), name.size());
    (void)written;
    close(fd);
}

void fresh_table(int) {
    unlink(KESL_LOCK_TABLE_PATH);
    read_lock_table();
}

} // namespace

int main(int argc, char **argv) {
    int rounds = argc > 1 ? std::atoi(argv[1]) : 100;
    rounds = std::clamp(rounds, 1, KESL_LOCK_MAX);
    std::printf("%d rounds, microseconds per operation\n", rounds);
    std::printf("%-44s %10s %10s\n", "operation", "median", "mean");

    // The kernel makes a wake lock the first time it sees its name (a wakeup source with a
    // device of its own), so new names and known ones are measured apart.
    report("parts: bare write of wake_lock, a new name", measure(rounds, nothing, [](int round) {
               bare_write("/sys/power/wake_lock", "bare_" + std::to_string(round));
           }));
    Result bare_lock = measure(rounds, nothing, [](int round) {
        bare_write("/sys/power/wake_lock", "bare_" + std::to_string(round));
    });
    report("parts: bare write of wake_lock, a known name", bare_lock);
    report("parts: bare write of wake_unlock (locked)", measure(rounds, nothing, [](int round) {
               bare_write("/sys/power/wake_unlock", "bare_" + std::to_string(round));
           }));
    report("parts: the platform's qx_pm_wakelock_lock",
           measure(rounds, nothing, [](int) { qx_pm_wakelock_lock("bench_bare"); }));
    orvo_log_function_t log_line = orvo_log_function_init("BENCH");
    report("parts: one line through the platform's logger",
           measure(rounds, nothing, [log_line](int round) { log_line(3, "bench %d\n", round); }));
    report("parts: acquire_wake_lock (two log lines and the platform's call)",
           measure(rounds, nothing, [](int) { acquire_wake_lock(0, "bench_bare"); }));
    report("parts: sync()", measure(rounds, nothing, [](int) { sync(); }));
    report("parts: ps pipeline (check_pid of a live pid)",
           measure(rounds, nothing, [](int) { check_pid(static_cast<int>(getpid())); }));
    report("parts: read_lock_table", measure(rounds, nothing, [](int) { read_lock_table(); }));
    report("parts: save_lock_table (with sync)",
           measure(rounds, nothing, [](int) { save_lock_table(); }));

    // As an application mostly has it: its own name the only one in the table (each table
    // read logs a line per registered name).
    fresh_table(0);
    int own = kesl_wakelock_create("bench_own", 0);
    Result own_lock = measure(
        rounds, [own](int) { kesl_wakelock_unlock(own); }, [own](int) { kesl_wakelock_lock(own); });
    report("kesl_wakelock_lock, one name registered", own_lock);
    // Goal: the library costs at most twice what it does in the end.
    std::printf("figure\tlock table: kesl_wakelock_lock / bare write, one name registered\t%.2f"
                "\t-\t-\t<=2\n",
                own_lock.median_us / bare_lock.median_us);
    report("kesl_wakelock_unlock, one name registered",
           measure(
               rounds, [own](int) { kesl_wakelock_lock(own); },
               [own](int) { kesl_wakelock_unlock(own); }));
    kesl_wakelock_destroy(own);

    fresh_table(0);
    std::string registered = ", " + std::to_string(rounds) + " names registered";
    report("kesl_wakelock_create, new name", measure(rounds, nothing, [](int round) {
               kesl_wakelock_create(name_of(round).c_str(), 0);
           }));
    report("kesl_wakelock_lock, a new name" + registered,
           measure(rounds, nothing, [](int round) { kesl_wakelock_lock(round); }));
    report("kesl_wakelock_unlock" + registered,
           measure(rounds, nothing, [](int round) { kesl_wakelock_unlock(round); }));
    report("kesl_wakelock_lock, a known name" + registered,
           measure(rounds, nothing, [](int round) { kesl_wakelock_lock(round); }));
    report("kesl_wakelock_unlock, a known name" + registered,
           measure(rounds, nothing, [](int round) { kesl_wakelock_unlock(round); }));
    report("kesl_wakelock_destroy (taken first, untimed)",
           measure(
               rounds, [](int round) { kesl_wakelock_lock(round); },
               [](int round) { kesl_wakelock_destroy(round); }));

    fresh_table(0);
    report("kesl_wakelock_create, take-over (ps pipeline)",
           measure(rounds, register_in_child,
                   [](int round) { kesl_wakelock_create(name_of(round).c_str(), 0); }));
    report("kesl_wakelock_create, refused: owner runs", measure(rounds, nothing, [](int round) {
               kesl_wakelock_create(name_of(round).c_str(), 0);
           }));
    return 0;
}
