// Console input of the Wi-Fi tools: one line at a time from standard input.
#pragma once

#include <csignal>
#include <cstddef>

// The line buffer; a read takes at most kConsoleLineSize - 2 characters and the terminator.
constexpr size_t kConsoleLineSize = 128;

// Reads the next piece of input into line (cleared first): up to and with the next line
// feed, at most kConsoleLineSize - 2 characters, or what is left at end of input. Waits for
// input with waiting_mask as the signal mask. False when nothing was read: a signal came,
// or input has ended (then it first pauses a second, so a closed input does not spin).
bool read_console_line(char (&line)[kConsoleLineSize], const sigset_t *waiting_mask);
