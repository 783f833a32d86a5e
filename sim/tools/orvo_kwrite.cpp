// SPDX-License-Identifier: MIT
// orvo-sim-kwrite FILE TEXT: one write(2) of TEXT to a kernel file, with C escapes (\n, \t, \0,
// \\) for the bytes a shell cannot pass. Prints "ok N" or the errno's name, so a transcript
// compares the same on every kernel.
#include "common/unique_fd.h"
#include "simctl.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

int main(int argc, char **argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: orvo-sim-kwrite FILE TEXT\n");
        return 2;
    }
    orvo::UniqueFd fd = orvo::open_fd(argv[1], O_WRONLY);
    if (!fd) {
        printf("open %s\n", strerrorname_np(errno));
        return 1;
    }
    std::string bytes = sim::unescape(argv[2]);
    ssize_t n = write(fd.get(), bytes.data(), bytes.size());
    int error = errno;
    if (n < 0) {
        printf("%s\n", strerrorname_np(error));
        return 1;
    }
    printf("ok %zd\n", n);
    return 0;
}
