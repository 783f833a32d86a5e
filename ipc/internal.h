/* SPDX-License-Identifier: MIT */
// State and helpers shared by the files of libqxipc.
#pragma once

#include "libqxipc.h"

#include <atomic>
#include <cstddef>

namespace qxipc {

constexpr const char *kLogPrefix = "[qx]";
constexpr int kLogError = 3;
constexpr int kQueueMode = 0600;

// The message text handed to the kernel: the header after mtype plus the payload.
constexpr std::size_t text_size(int len) {
    return static_cast<std::size_t>(len) + QX_IPC_HEADER_TEXT_SIZE;
}

// Own endpoint: key and queue identifier, -1 until a loop has obtained them.
extern std::atomic<int> own_key;
extern std::atomic<int> own_queue;

// Next sequence number, shared by every send of the process.
int next_seq();

// Sends the text of msg into the queue of key, opened with get_flags (as for msgget).
// Returns msgsnd's result; -1 with *lookup_failed set when the queue could not be opened,
// and for key 0, which names no endpoint (errno ENOENT, nothing created).
int send_to_key(qx_ipc_msg *msg, int key, int get_flags, int send_flags, bool *lookup_failed);

// Creates the own queue for an endpoint name; false (and logged) when none could be had.
bool open_own_queue(const char *name, int *key, int *queue);
// Makes the own queue again under its key after it was removed; -1 when that fails.
int reopen_own_queue(int key);

// Receive loop: ends it after the current pass (the stop event).
void stop_loop();

} // namespace qxipc
