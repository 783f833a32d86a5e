// SPDX-License-Identifier: MIT
// orvo-sim-kwrite FILE TEXT: one write(2) of TEXT to a kernel file, with C escapes (\n, \t, \0,
// \\) for the bytes a shell cannot pass. Prints "ok N" or the errno's name, so a transcript
// compares the same on every kernel.
#include "common/unique_fd.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

std::string unescape(const char *text) {
    std::string bytes;
    for (const char *p = text; *p; ++p) {
        if (*p != '\\' || !p[1]) {
            bytes += *p;
            continue;
        }
        switch (*++p) {
        case 'n':
            bytes += '\n';
            break;
        case 't':
            bytes += '\t';
            break;
        case '0':
            bytes += '\0';
            break;
        default:
            bytes += *p;
        }
    }
    return bytes;
}

} // namespace

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
    std::string bytes = unescape(argv[2]);
    ssize_t n = write(fd.get(), bytes.data(), bytes.size());
    int error = errno;
    if (n < 0) {
        printf("%s\n", strerrorname_np(error));
        return 1;
    }
    printf("ok %zd\n", n);
    return 0;
}
