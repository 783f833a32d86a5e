// SPDX-License-Identifier: MIT
// orvo-sim-kread FILE [SIZE [INTERRUPT_MS]]: one read(2) of at most SIZE bytes (64) from a
// kernel file; with INTERRUPT_MS, a signal whose handler does not restart calls arrives
// that long after the read began. Prints "ok N BYTES" (the bytes with C escapes) or the
// errno's name, so a transcript compares the same on every kernel.
#include "common/unique_fd.h"
#include "simctl.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/time.h>
#include <unistd.h>

namespace {

void on_alarm(int) {}

// SIGALRM `ms` from now, its handler installed without SA_RESTART.
void interrupt_after(long ms) {
    struct sigaction action {};
    action.sa_handler = on_alarm;
    sigaction(SIGALRM, &action, nullptr);
    itimerval timer{};
    timer.it_value.tv_sec = ms / 1000;
    timer.it_value.tv_usec = (ms % 1000) * 1000;
    setitimer(ITIMER_REAL, &timer, nullptr);
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 2 || argc > 4) {
        fprintf(stderr, "usage: orvo-sim-kread FILE [SIZE [INTERRUPT_MS]]\n");
        return 2;
    }
    long size = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 64;
    if (size < 0 || size > 65536) {
        fprintf(stderr, "orvo-sim-kread: bad size %s\n", argv[2]);
        return 2;
    }
    orvo::UniqueFd fd = orvo::open_fd(argv[1], O_RDONLY);
    if (!fd) {
        printf("open %s\n", strerrorname_np(errno));
        return 1;
    }
    if (argc > 3)
        interrupt_after(std::strtol(argv[3], nullptr, 10));
    std::string buffer(static_cast<size_t>(size), '\0');
    ssize_t n = read(fd.get(), buffer.data(), buffer.size());
    int error = errno;
    if (n < 0) {
        printf("%s\n", strerrorname_np(error));
        return 1;
    }
    printf("ok %zd %s\n", n, sim::escape(buffer.substr(0, static_cast<size_t>(n))).c_str());
    return 0;
}
