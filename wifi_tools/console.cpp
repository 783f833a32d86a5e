// SPDX-License-Identifier: MIT
#include "console.h"

#include "termination.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <unistd.h>

namespace wifi_tools {

namespace {

constexpr size_t kPieceMax = kConsoleLineSize - 2;

// Bytes read from standard input and not yet handed out.
char pending[2 * kConsoleLineSize];
size_t pending_len = 0;
bool input_ended = false;

// Length of the next piece, 0 when more input is needed for it.
size_t next_piece() {
    size_t limit = pending_len < kPieceMax ? pending_len : kPieceMax;
    const void *feed = std::memchr(pending, '\n', limit);
    if (feed)
        return static_cast<size_t>(static_cast<const char *>(feed) - pending) + 1;
    if (pending_len >= kPieceMax || input_ended)
        return limit;
    return 0;
}

void take(size_t n, char (&line)[kConsoleLineSize]) {
    std::memcpy(line, pending, n);
    pending_len -= n;
    std::memmove(pending, pending + n, pending_len);
}

// False when a termination signal ended the wait, on this thread or on another one.
bool wait_for_input(const sigset_t *waiting_mask) {
    pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {termination_fd(), POLLIN, 0}};
    int ready = ppoll(fds, 2, nullptr, waiting_mask);
    if (ready < 0)
        return errno != EINTR;
    return !(fds[1].revents & POLLIN);
}

void pause_a_second(const sigset_t *waiting_mask) {
    pollfd stop{termination_fd(), POLLIN, 0};
    timespec second{1, 0};
    ppoll(&stop, 1, &second, waiting_mask);
}

} // namespace

bool read_console_line(char (&line)[kConsoleLineSize]) {
    std::memset(line, 0, sizeof line);
    // Held from the stop-flag check until the wait lets them in, so none slips in between.
    TerminationSignalsHeld held;
    if (stop_requested)
        return false;
    const sigset_t *waiting_mask = held.waiting_mask();
    for (;;) {
        if (size_t n = next_piece()) {
            take(n, line);
            return true;
        }
        if (input_ended) {
            pause_a_second(waiting_mask);
            return false;
        }
        if (!wait_for_input(waiting_mask))
            return false;
        ssize_t n = read(STDIN_FILENO, pending + pending_len, sizeof pending - pending_len);
        if (n > 0)
            pending_len += static_cast<size_t>(n);
        else if (n == 0 || errno != EINTR)
            input_ended = true;
        else
            return false;
    }
}

void run_console(const char *prompt, void (*handle)(char *line)) {
    char line[kConsoleLineSize];
    for (;;) {
        if (stop_requested)
            return;
        std::fputs(prompt, stdout);
        if (!read_console_line(line))
            continue;
        if (is_stop_word(line))
            return;
        handle(line);
    }
}

bool is_stop_word(const char *line) {
    return std::strcmp(line, "stop\n") == 0 || std::strcmp(line, "q\n") == 0 ||
           std::strcmp(line, "exit\n") == 0;
}

} // namespace wifi_tools
