/* SPDX-License-Identifier: MIT */
// Thread stops for the signal tests' tools: one thread of a console traced alone and run
// from stop to stop until it enters a chosen system call, passing on the signals it gets.
#pragma once

#include <sys/types.h>

namespace signal_tools {

[[noreturn]] void die(const char *tool, const char *what);

// Attaches to the thread alone and stops it.
void seize(pid_t tid);

// Runs the thread until it enters system call `number` (with first argument `first_arg`,
// unless that is -1). False when the process ended first.
bool stop_at_entry(pid_t tid, long number, long first_arg = -1);

} // namespace signal_tools
