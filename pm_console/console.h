/* SPDX-License-Identifier: MIT */
// orvo-kesl-autosuspend-demo: the pieces of the power-management console.
#pragma once

namespace pm_console {

// What the command loop does after a command.
enum class Next { prompt, quit };

// Carries out one command word with its argument word (null when the line had none).
Next run_command(const char *word, char *arg);

// The help menu, printed before every prompt.
void print_menu();

// Lists the used slots of the lock-table file; 0, or -2 when it cannot be read.
int list_lock_table();

// Copies the kernel's active wake-up sources (time active, then name) to standard output.
void list_wakeup_sources();

// The command loop: menu, prompt, one command per read, until -q or the end of input.
int run_console();

} // namespace pm_console
