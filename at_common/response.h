/* SPDX-License-Identifier: MIT */
// Helpers shared by the handlers.
#pragma once

namespace at_common {

// The error code of every failed command.
constexpr int kAtFailure = 100;

// Hands one NUL-terminated response line to the registered output function.
void at_emit(const char *line);

// "OK" for a success, the failure's "+CME ERROR" line otherwise.
void at_answer(bool success);

// The last character of a command text, or NUL for an empty one.
char at_last_char(const char *text);

} // namespace at_common
