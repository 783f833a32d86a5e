/* SPDX-License-Identifier: MIT */
// Console input of the Wi-Fi tools: one line at a time from standard input.
#pragma once

#include <cstddef>

namespace wifi_tools {

// The line buffer; a read takes at most kConsoleLineSize - 2 characters and the terminator.
constexpr size_t kConsoleLineSize = 128;

// Reads the next piece of input into line (cleared first): up to and with the next line
// feed, at most kConsoleLineSize - 2 characters, or what is left at end of input. False
// when nothing was read: a termination signal came (also one that came just before the
// wait), or input has ended (then it first pauses a second, so a closed input does not spin).
bool read_console_line(char (&line)[kConsoleLineSize]);

// Whether a line asks the console to stop: "stop", "q" or "exit" as a whole line.
bool is_stop_word(const char *line);

// The consoles' loop: prints prompt (a whole line) before each read and hands every piece
// of input but a stop word to handle, until a stop word or a termination signal.
void run_console(const char *prompt, void (*handle)(char *line));

} // namespace wifi_tools
