/* SPDX-License-Identifier: MIT */
// Callbacks of a strict platform: now and then made from a thread of the stand-in's own
// other than the one that noticed the event, with every signal open, as a real library may.
// The caller waits until the callback has returned, so callbacks keep their order.
#pragma once

#include <functional>

namespace sim {

// Runs callback here, or on the callback thread: on a strict platform by chance, and always
// while the setting callback_thread is 1 (sim/module ctl set callback_thread 1).
void deliver_callback(const std::function<void()> &callback);

// Starts the callback thread now when the setting asks for it, as a library that starts a
// worker of its own on initialisation: the thread is there before any callback.
void start_asked_callback_thread();

// Whether the calling thread is the callback thread (a callback that ends the library).
bool on_callback_thread();

// The callback thread's name, as /proc/PID/task/TID/comm shows it.
constexpr const char kCallbackThreadName[] = "sim-callback";

} // namespace sim
