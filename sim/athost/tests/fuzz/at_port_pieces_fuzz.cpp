// SPDX-License-Identifier: MIT
// Any byte stream through the simulated AT host's line assembly, cut in two at every
// offset (and in reads of at most 256 bytes): the lines must not depend on where the reads
// end, and none holds a line end or runs past the port's longest line.
#include "at_port.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr size_t kRead = 256; // the port's read size
constexpr size_t kMaxLine = 1024;
// Past the longest line and a little more: every offset costs a run of the port.
constexpr size_t kLongestInput = 1536;

// Each send is one record: the port's read returns exactly that piece.
void send_pieces(int fd, const uint8_t *data, size_t size) {
    for (size_t at = 0; at < size; at += kRead) {
        size_t n = size - at < kRead ? size - at : kRead;
        if (send(fd, data + at, n, 0) != static_cast<ssize_t>(n))
            abort();
    }
}

std::vector<std::string> lines_of(const uint8_t *data, size_t size, size_t cut) {
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0)
        abort();
    send_pieces(pair[1], data, cut);
    send_pieces(pair[1], data + cut, size - cut);
    close(pair[1]);
    if (dup2(pair[0], STDIN_FILENO) != STDIN_FILENO)
        abort();
    close(pair[0]);
    std::vector<std::string> lines;
    const volatile bool stop = false;
    sim::AtPort port;
    port.serve([&](std::string &line) { lines.push_back(line); }, stop);
    close(STDIN_FILENO);
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size > kLongestInput)
        return 0;
    const std::vector<std::string> whole = lines_of(data, size, size);
    for (const std::string &line : whole)
        if (line.size() > kMaxLine || line.find_first_of("\r\n") != std::string::npos)
            abort();
    for (size_t cut = 0; cut < size; ++cut)
        if (lines_of(data, size, cut) != whole)
            abort();
    return 0;
}
